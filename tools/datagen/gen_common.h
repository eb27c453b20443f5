// Building blocks of the data-set generator: vectors, a seeded random source, pictures and
// meshes in memory, and the writers of the .raw, .bof and .baf files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct V3 {
    float x, y, z;
};
inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float Dot(V3 a, V3 b);
V3 Cross(V3 a, V3 b);
V3 Normalized(V3 a);
V3 Lerp(V3 a, V3 b, float t);

// A rigid frame: three axes and an origin. Apply maps local points into the parent space.
struct Frame3 {
    V3 ax, ay, az, origin;
};
Frame3 IdentityFrame();
V3 ApplyFrame(const Frame3& f, V3 p);
V3 TurnByFrame(const Frame3& f, V3 d); // direction only
Frame3 ChainFrames(const Frame3& parent, const Frame3& child);
Frame3 TurnX(float radians);
Frame3 TurnY(float radians);
Frame3 TurnZ(float radians);
Frame3 MoveTo(V3 p);

// Fixed-seed generator (splitmix64): same numbers on every machine and every run.
struct Rng {
    uint64_t state;
};
uint32_t NextU32(Rng* rng);
float NextFloat(Rng* rng);                     // [0, 1)
float NextRange(Rng* rng, float lo, float hi); // [lo, hi)

// Smooth lattice noise in [0, 1]; the seed selects an independent pattern.
float ValueNoise(float x, float y, uint32_t seed);
float FractalNoise(float x, float y, int octaves, uint32_t seed);
// Noise that repeats every `period` lattice steps in both directions (for tiling pictures).
float TiledNoise(float x, float y, int period, int octaves, uint32_t seed);
float SmoothStep(float e0, float e1, float x);
float Clamp01(float x);

// A picture being painted: linear floats 0..1, row 0 is the first row of the file.
struct Picture {
    int width = 0, height = 0;
    std::vector<float> rgba;
};
Picture MakePicture(int width, int height, float r, float g, float b, float a);
float* PixelAt(Picture* pic, int x, int y);
// Mixes colour (r, g, b, a) over the pixel with coverage c in [0, 1].
void BlendPixel(Picture* pic, int x, int y, float r, float g, float b, float a, float c);
void FillRect(Picture* pic, int x0, int y0, int x1, int y1, float r, float g, float b, float a);
std::vector<uint8_t> PictureBytes(const Picture& pic);

// A mesh in memory: frames of equal vertex count sharing one triangle list. Triangles are
// listed as the files list them: (b - a) x (c - a) points out of the visible side.
struct GenVertex {
    V3 p;
    float u, v;
};
struct GenMesh {
    std::vector<GenVertex> vertices; // frame after frame
    std::vector<uint32_t> triangles; // three indices per triangle
    int frameCount = 1;
};
int MeshVertexCount(const GenMesh& mesh); // per frame
int MeshTriangleCount(const GenMesh& mesh);
uint32_t AddVertex(GenMesh* mesh, V3 p, float u, float v);
void AddTriangle(GenMesh* mesh, uint32_t a, uint32_t b, uint32_t c);
// Four corners counter-clockwise as seen from the visible side, with their texture corners.
void AddQuad(GenMesh* mesh, const V3 p[4], const float uv[8]);
// The same, with the winding chosen so that the visible side faces `facing`.
void AddQuadFacing(GenMesh* mesh, const V3 p[4], const float uv[8], V3 facing);
// Appends the frames of next after those of mesh; both must share one topology.
bool AppendFrames(GenMesh* mesh, const GenMesh& next);

bool WriteRawPicture(const std::string& path, const Picture& pic);
bool WriteStaticMesh(const std::string& path, const char* tag, const GenMesh& mesh);
bool WriteAnimatedMesh(const std::string& path, const char* tag, const GenMesh& mesh);
