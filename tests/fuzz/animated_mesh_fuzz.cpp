// Any bytes as a .baf file: the loader must refuse or load them without stepping outside its
// memory, and what it loads must be self-consistent.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/mesh.h"
#include "fuzz_mesh_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = FuzzScratchPath(".baf");
    if (!WriteFuzzFile(path, data, size)) return 0;
    Mesh mesh;
    LoadAnimatedMesh(path.c_str(), &mesh);
    CheckLoadedMesh(&mesh, true);
    FreeMesh(&mesh);
    return 0;
}
