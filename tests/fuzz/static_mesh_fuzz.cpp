// Any bytes as a .bof file: the loader must refuse or load them without stepping outside its
// memory, and what it loads must be self-consistent.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/mesh.h"
#include "fuzz_mesh_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = FuzzScratchPath(".bof");
    if (!WriteFuzzFile(path, data, size)) return 0;
    Mesh mesh;
    LoadStaticMesh(path.c_str(), &mesh);
    CheckLoadedMesh(&mesh, false);
    FreeMesh(&mesh);
    return 0;
}
