// lockstep-datagen DIR: writes the show's whole data set (pictures, meshes, soundtrack) into
// DIR, creating it (and any missing parents). Everything comes from fixed seeds: the same bytes on
// every run.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include "tools/datagen/datagen.h"
#include "tools/datagen/soundtrack.h"
#include "tools/out_file.h"

int main(int argc, char** argv) {
    IgnoreFileSizeSignal();
    if (argc != 2) {
        std::fprintf(stderr, "usage: lockstep-datagen DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "lockstep-datagen: cannot create %s: %s\n", dir.c_str(),
                     error.message().c_str());
        return 1;
    }
    // The first failure ends the run; every file already written is whole.
    bool ok = WriteVisualData(dir) && WriteSoundtrack((dir + "/moravinte.mp3").c_str());
    return ok ? 0 : 1;
}
