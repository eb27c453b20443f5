#include "tools/datagen/gen_common.h"

#include <cmath>
#include <cstdio>

#include "tools/out_file.h"

float Dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Normalized(V3 a) {
    float len = std::sqrt(Dot(a, a));
    return len > 0.0f ? a * (1.0f / len) : a;
}
V3 Lerp(V3 a, V3 b, float t) {
    return a + (b - a) * t;
}

Frame3 IdentityFrame() {
    return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
}
V3 TurnByFrame(const Frame3& f, V3 d) {
    return f.ax * d.x + f.ay * d.y + f.az * d.z;
}
V3 ApplyFrame(const Frame3& f, V3 p) {
    return TurnByFrame(f, p) + f.origin;
}
Frame3 ChainFrames(const Frame3& parent, const Frame3& child) {
    return {TurnByFrame(parent, child.ax), TurnByFrame(parent, child.ay),
            TurnByFrame(parent, child.az), ApplyFrame(parent, child.origin)};
}
// Right-handed turns, the same sense as glRotatef.
Frame3 TurnX(float a) {
    float c = std::cos(a), s = std::sin(a);
    return {{1, 0, 0}, {0, c, s}, {0, -s, c}, {0, 0, 0}};
}
Frame3 TurnY(float a) {
    float c = std::cos(a), s = std::sin(a);
    return {{c, 0, -s}, {0, 1, 0}, {s, 0, c}, {0, 0, 0}};
}
Frame3 TurnZ(float a) {
    float c = std::cos(a), s = std::sin(a);
    return {{c, s, 0}, {-s, c, 0}, {0, 0, 1}, {0, 0, 0}};
}
Frame3 MoveTo(V3 p) {
    Frame3 f = IdentityFrame();
    f.origin = p;
    return f;
}

uint32_t NextU32(Rng* rng) {
    uint64_t z = (rng->state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}
float NextFloat(Rng* rng) {
    return static_cast<float>(NextU32(rng) >> 8) * (1.0f / 16777216.0f);
}
float NextRange(Rng* rng, float lo, float hi) {
    return lo + (hi - lo) * NextFloat(rng);
}

static float LatticeValue(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) * (1.0f / 16777215.0f);
}

float ValueNoise(float x, float y, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = LatticeValue(ix, iy, seed), b = LatticeValue(ix + 1, iy, seed);
    float c = LatticeValue(ix, iy + 1, seed), d = LatticeValue(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float FractalNoise(float x, float y, int octaves, uint32_t seed) {
    float sum = 0, weight = 0, amp = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u) * amp;
        weight += amp;
        amp *= 0.5f;
        x *= 2.03f;
        y *= 2.03f;
    }
    return sum / weight;
}

static float TiledValue(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    auto wrap = [period](float v) {
        int32_t i = static_cast<int32_t>(v) % period;
        return i < 0 ? i + period : i;
    };
    int32_t x0 = wrap(fx), y0 = wrap(fy), x1 = wrap(fx + 1), y1 = wrap(fy + 1);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = LatticeValue(x0, y0, seed), b = LatticeValue(x1, y0, seed);
    float c = LatticeValue(x0, y1, seed), d = LatticeValue(x1, y1, seed);
    float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float TiledNoise(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0, weight = 0, amp = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += TiledValue(x, y, period, seed + static_cast<uint32_t>(i) * 101u) * amp;
        weight += amp;
        amp *= 0.5f;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / weight;
}

float Clamp01(float x) {
    return x < 0 ? 0 : (x > 1 ? 1 : x);
}
float SmoothStep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Picture MakePicture(int width, int height, float r, float g, float b, float a) {
    Picture pic;
    pic.width = width;
    pic.height = height;
    pic.rgba.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pic.rgba.size(); i += 4) {
        pic.rgba[i] = r;
        pic.rgba[i + 1] = g;
        pic.rgba[i + 2] = b;
        pic.rgba[i + 3] = a;
    }
    return pic;
}

float* PixelAt(Picture* pic, int x, int y) {
    return &pic->rgba[(static_cast<size_t>(y) * pic->width + x) * 4];
}

void BlendPixel(Picture* pic, int x, int y, float r, float g, float b, float a, float c) {
    if (x < 0 || y < 0 || x >= pic->width || y >= pic->height || c <= 0) return;
    float* p = PixelAt(pic, x, y);
    c = Clamp01(c);
    p[0] += (r - p[0]) * c;
    p[1] += (g - p[1]) * c;
    p[2] += (b - p[2]) * c;
    p[3] += (a - p[3]) * c;
}

void FillRect(Picture* pic, int x0, int y0, int x1, int y1, float r, float g, float b, float a) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) BlendPixel(pic, x, y, r, g, b, a, 1);
}

std::vector<uint8_t> PictureBytes(const Picture& pic) {
    std::vector<uint8_t> bytes(pic.rgba.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(std::lround(Clamp01(pic.rgba[i]) * 255.0f));
    return bytes;
}

int MeshVertexCount(const GenMesh& mesh) {
    return static_cast<int>(mesh.vertices.size()) / mesh.frameCount;
}
int MeshTriangleCount(const GenMesh& mesh) {
    return static_cast<int>(mesh.triangles.size() / 3);
}

uint32_t AddVertex(GenMesh* mesh, V3 p, float u, float v) {
    mesh->vertices.push_back({p, u, v});
    return static_cast<uint32_t>(mesh->vertices.size() - 1);
}

void AddTriangle(GenMesh* mesh, uint32_t a, uint32_t b, uint32_t c) {
    mesh->triangles.push_back(a);
    mesh->triangles.push_back(b);
    mesh->triangles.push_back(c);
}

void AddQuad(GenMesh* mesh, const V3 p[4], const float uv[8]) {
    uint32_t i0 = AddVertex(mesh, p[0], uv[0], uv[1]);
    uint32_t i1 = AddVertex(mesh, p[1], uv[2], uv[3]);
    uint32_t i2 = AddVertex(mesh, p[2], uv[4], uv[5]);
    uint32_t i3 = AddVertex(mesh, p[3], uv[6], uv[7]);
    AddTriangle(mesh, i0, i1, i2);
    AddTriangle(mesh, i0, i2, i3);
}

void AddQuadFacing(GenMesh* mesh, const V3 p[4], const float uv[8], V3 facing) {
    if (Dot(Cross(p[1] - p[0], p[2] - p[0]), facing) >= 0) {
        AddQuad(mesh, p, uv);
        return;
    }
    const V3 q[4] = {p[0], p[3], p[2], p[1]};
    const float quv[8] = {uv[0], uv[1], uv[6], uv[7], uv[4], uv[5], uv[2], uv[3]};
    AddQuad(mesh, q, quv);
}

bool AppendFrames(GenMesh* mesh, const GenMesh& next) {
    if (next.triangles != mesh->triangles) return false;
    if (MeshVertexCount(next) != MeshVertexCount(*mesh)) return false;
    mesh->vertices.insert(mesh->vertices.end(), next.vertices.begin(), next.vertices.end());
    mesh->frameCount += next.frameCount;
    return true;
}

// Every file is written whole or not at all; a failure names the file and the system's reason.
static bool SayCannotWrite(const std::string& path, const char* reason) {
    std::fprintf(stderr, "lockstep-datagen: cannot write %s: %s\n", path.c_str(), reason);
    return false;
}

bool WriteRawPicture(const std::string& path, const Picture& pic) {
    std::vector<uint8_t> bytes = PictureBytes(pic);
    const char* reason = nullptr;
    return WriteWholeFile(path, bytes.data(), bytes.size(), &reason) ||
           SayCannotWrite(path, reason);
}

// Coordinates keep three decimals: finer than any detail, and the same text on every run.
static bool WriteMeshText(const std::string& path, const char* tag, const GenMesh& mesh,
                          bool animated) {
    OutFile out;
    const char* reason = nullptr;
    if (!OpenOutFile(&out, path, &reason)) return SayCannotWrite(path, reason);
    int vertexCount = MeshVertexCount(mesh), triangleCount = MeshTriangleCount(mesh);
    if (animated)
        PrintOutFile(&out, "%s\n%d %d %d\n0 0 0\n", tag, vertexCount, triangleCount,
                     mesh.frameCount);
    else
        PrintOutFile(&out, "%s\n%d %d\n0 0 0\n", tag, vertexCount, triangleCount);
    for (size_t i = 0; i < mesh.vertices.size() && out.error == 0; ++i) {
        const GenVertex& v = mesh.vertices[i];
        PrintOutFile(&out, "%d %.3f %.3f %.3f %.4f %.4f\n", static_cast<int>(i) % vertexCount,
                     v.p.x, v.p.y, v.p.z, v.u, v.v);
    }
    for (int t = 0; t < triangleCount && out.error == 0; ++t)
        PrintOutFile(&out, "%d %u %u %u\n", t, mesh.triangles[t * 3], mesh.triangles[t * 3 + 1],
                     mesh.triangles[t * 3 + 2]);
    return CloseOutFile(&out, &reason) || SayCannotWrite(path, reason);
}

bool WriteStaticMesh(const std::string& path, const char* tag, const GenMesh& mesh) {
    return WriteMeshText(path, tag, mesh, false);
}
bool WriteAnimatedMesh(const std::string& path, const char* tag, const GenMesh& mesh) {
    return WriteMeshText(path, tag, mesh, true);
}
