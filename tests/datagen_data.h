// The data set that the data-set tests examine: generated once per build by the build's own
// lockstep-datagen, and the show's loaders to read it.
#pragma once
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "support/test_support.h"

inline const char* const kGenerator = LOCKSTEP_BINARY_DIR "/bin/lockstep-datagen";

inline bool RunGenerator(const std::string& dir) {
    std::string command = std::string("\"") + kGenerator + "\" \"" + dir + "\"";
    return std::system(command.c_str()) == 0;
}

// One generated set shared by every data-set test process (ctest runs each case on its own,
// in parallel): made under a lock, and made again only when the generator is newer.
inline const std::string& DataDir() {
    static const std::string dir = [] {
        namespace fs = std::filesystem;
        std::string root = LOCKSTEP_TEST_OUTPUT_DIR "/datagen";
        fs::create_directories(root);
        int lock = open((root + "/lock").c_str(), O_CREAT | O_RDWR, 0644);
        flock(lock, LOCK_EX);
        std::string data = root + "/data", stamp = root + "/complete";
        std::error_code ec;
        if (!fs::exists(stamp) ||
            fs::last_write_time(stamp) < fs::last_write_time(kGenerator, ec)) {
            fs::remove_all(data, ec);
            fs::remove(stamp, ec);
            if (RunGenerator(data)) WriteTextFile(stamp, "");
        }
        flock(lock, LOCK_UN);
        close(lock);
        return data;
    }();
    return dir;
}

inline std::string Path(const char* name) {
    return DataDir() + "/" + name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct LoadedMesh {
    Mesh mesh{};
    explicit LoadedMesh(const char* name, bool animated) {
        if (animated)
            LoadAnimatedMesh(Path(name).c_str(), &mesh);
        else
            LoadStaticMesh(Path(name).c_str(), &mesh);
    }
    ~LoadedMesh() { FreeMesh(&mesh); }
    const MeshVertex& At(int frame, int i) const {
        return mesh.vertices[frame * mesh.vertexCount + i];
    }
};
