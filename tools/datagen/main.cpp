// lockstep-datagen DIR: writes the show's whole data set (pictures, meshes, soundtrack) into
// DIR, creating it. Everything comes from fixed seeds: the same bytes on every run.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include "tools/datagen/datagen.h"
#include "tools/datagen/soundtrack.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lockstep-datagen DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "lockstep-datagen: cannot create %s: %s\n", dir.c_str(),
                     std::strerror(errno));
        return 1;
    }
    bool ok = WriteVisualData(dir);
    ok = WriteSoundtrack((dir + "/moravinte.mp3").c_str()) && ok;
    return ok ? 0 : 1;
}
