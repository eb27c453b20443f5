// Loader speed: megabytes of .baf/.bof text parsed per second (against a plain fscanf reading of
// the same file), and the time of LoadTexture for a 1024x1024 picture on the offscreen context.
#include "platform/gl_api.h"
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "assets/raw_image.h"
#include "assets/texture_slots.h"
#include "platform/display.h"
#include "tools/out_file.h"

namespace {

constexpr int kRepeats = 9;
constexpr int kVertices = 2000, kTriangles = 3000, kFrames = 40;
constexpr int kStaticVertices = 40000, kStaticTriangles = 60000;
constexpr int kPictureSide = 1024;

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Processor time of this process: on a shared machine it moves less than the wall clock.
double CpuMs() {
    return std::clock() * 1000.0 / CLOCKS_PER_SEC;
}

struct Timing {
    double wallMs, cpuMs; // medians
};

template <typename F> Timing Measure(F&& f) {
    std::vector<double> wall, cpu;
    for (int r = 0; r < kRepeats; ++r) {
        double start = NowMs(), startCpu = CpuMs();
        f();
        wall.push_back(NowMs() - start);
        cpu.push_back(CpuMs() - startCpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return Timing{wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

template <typename F> double MedianMs(F&& f) {
    return Measure(f).wallMs;
}

// The files measured are this benchmark's own: one it cannot write leaves nothing to measure.
[[noreturn]] void StopCannotWrite(const std::string& path, const char* reason) {
    fprintf(stderr, "loader_bench: cannot write %s: %s\n", path.c_str(), reason);
    exit(1);
}

// A mesh file like the exporter writes them: six-decimal coordinates, one record a line.
size_t WriteMeshText(const std::string& path, int vertices, int triangles, int frames,
                     bool animated) {
    OutFile out;
    OutFile* f = &out;
    const char* reason = nullptr;
    if (!OpenOutFile(f, path, &reason)) StopCannotWrite(path, reason);
    if (animated)
        PrintOutFile(f, "bench %d %d %d 0.000000 0.000000 0.000000\n", vertices, triangles, frames);
    else
        PrintOutFile(f, "bench %d %d 0.000000 0.000000 0.000000\n", vertices, triangles);
    unsigned seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 8 & 0xFFFF; };
    for (int fr = 0; fr < frames; ++fr) {
        for (int v = 0; v < vertices; ++v) {
            PrintOutFile(f, "%d %f %f %f %f %f\n", v, next() / 300.0 - 100, next() / 300.0 - 100,
                         next() / 300.0 - 100, next() / 65536.0, next() / 65536.0);
        }
    }
    for (int t = 0; t < triangles; ++t)
        PrintOutFile(f, "%d %d %d %d\n", t, next() % vertices, next() % vertices,
                     next() % vertices);
    long size = ftell(out.file);
    if (!CloseOutFile(f, &reason)) StopCannotWrite(path, reason);
    return static_cast<size_t>(size);
}

// The straightforward reading, token by token with fscanf, for comparison.
void ScanfMesh(const std::string& path, bool animated, std::vector<float>* out) {
    FILE* f = fopen(path.c_str(), "rb");
    char tag[64];
    unsigned v = 0, t = 0, fr = 1, n, a, b, c;
    float x, y, z, u, w;
    if (fscanf(f, "%63s %u %u", tag, &v, &t) != 3) abort();
    if (animated && fscanf(f, "%u", &fr) != 1) abort();
    if (fscanf(f, "%f %f %f", &x, &y, &z) != 3) abort();
    out->resize(static_cast<size_t>(v) * fr * 5);
    for (size_t r = 0; r < static_cast<size_t>(v) * fr; ++r) {
        if (fscanf(f, "%u %f %f %f %f %f", &n, &x, &y, &z, &u, &w) != 6) abort();
        float* o = &(*out)[r * 5];
        o[0] = x, o[1] = y, o[2] = z, o[3] = u, o[4] = w;
    }
    for (unsigned i = 0; i < t; ++i) {
        if (fscanf(f, "%u %u %u %u", &n, &a, &b, &c) != 4) abort();
    }
    fclose(f);
}

void BenchMeshes(const std::string& dir) {
    struct File {
        const char* name;
        bool animated;
        int vertices, triangles, frames;
    } files[] = {{"walk.baf", true, kVertices, kTriangles, kFrames},
                 {"city.bof", false, kStaticVertices, kStaticTriangles, 1}};
    for (const File& file : files) {
        std::string path = dir + "/" + file.name;
        size_t bytes =
            WriteMeshText(path, file.vertices, file.triangles, file.frames, file.animated);
        Mesh mesh{};
        std::vector<float> scanned;
        ScanfMesh(path, file.animated, &scanned); // warm the page cache
        Timing ours = Measure([&] {
            if (file.animated)
                LoadAnimatedMesh(path.c_str(), &mesh);
            else
                LoadStaticMesh(path.c_str(), &mesh);
            if (mesh.vertexCount != file.vertices) abort();
            FreeMesh(&mesh);
        });
        Timing scanf = Measure([&] { ScanfMesh(path, file.animated, &scanned); });
        double mb = bytes / 1e6;
        printf("%s: %.2f MB, %d frames x %d vertices, %d triangles\n", file.name, mb, file.frames,
               file.vertices, file.triangles);
        printf("  loader  wall %8.2f ms %7.1f MB/s   cpu %8.2f ms %7.1f MB/s\n", ours.wallMs,
               mb / (ours.wallMs / 1000), ours.cpuMs, mb / (ours.cpuMs / 1000));
        printf("  fscanf  wall %8.2f ms %7.1f MB/s   cpu %8.2f ms %7.1f MB/s\n", scanf.wallMs,
               mb / (scanf.wallMs / 1000), scanf.cpuMs, mb / (scanf.cpuMs / 1000));
        printf("  loader/fscanf speed ratio: wall %.1fx, cpu %.1fx\n", scanf.wallMs / ours.wallMs,
               scanf.cpuMs / ours.cpuMs);
    }
}

void BenchTexture(const std::string& dir) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    OpenDisplay(false);
    ApplyDefaultRenderState();
    std::string path = dir + "/picture_1024x1024.raw";
    std::vector<uint8_t> pixels(static_cast<size_t>(kPictureSide) * kPictureSide * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 31 + i / 4096);
    const char* reason = nullptr;
    if (!WriteWholeFile(path, pixels.data(), pixels.size(), &reason)) StopCannotWrite(path, reason);

    auto loadOnce = [&] {
        if (LoadTexture(path.c_str()) != 0) abort();
        glFinish();
        DeleteAllTextures();
    };
    // The first loads of a process pay for fresh memory (page faults, allocator growth) in
    // the C library and the GL driver; start-up loads every texture once, so that is the
    // figure a viewer waits for. Repeats afterwards show the work of the calls themselves.
    Timing cold = Measure(loadOnce);
    Timing warm = Measure(loadOnce);
    RawImage image{};
    Timing read = Measure([&] {
        LoadRawImage(path.c_str(), &image);
        FreeRawImage(&image);
    });
    // The two upload calls LoadTexture makes, each alone on a fresh texture.
    auto fresh = [&](bool level0, bool chain) {
        return Measure([&] {
            GLuint name = 0;
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            if (level0)
                glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kPictureSide, kPictureSide, 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, pixels.data());
            if (chain)
                gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA8, kPictureSide, kPictureSide, GL_RGBA,
                                  GL_UNSIGNED_BYTE, pixels.data());
            glFinish();
            glDeleteTextures(1, &name);
        });
    };
    Timing level0 = fresh(true, false), mipmaps = fresh(false, true), both = fresh(true, true);
    printf("LoadTexture 1024x1024, first %d loads: wall %.2f ms, cpu %.2f ms\n", kRepeats,
           cold.wallMs, cold.cpuMs);
    printf("LoadTexture 1024x1024, warmed up:    wall %.2f ms, cpu %.2f ms\n", warm.wallMs,
           warm.cpuMs);
    printf("  file read:         wall %6.2f ms, cpu %6.2f ms\n", read.wallMs, read.cpuMs);
    printf("  glTexImage2D only: wall %6.2f ms, cpu %6.2f ms\n", level0.wallMs, level0.cpuMs);
    printf("  mipmap chain only: wall %6.2f ms, cpu %6.2f ms\n", mipmaps.wallMs, mipmaps.cpuMs);
    printf("  both, in order:    wall %6.2f ms, cpu %6.2f ms\n", both.wallMs, both.cpuMs);
    printf("  renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
}

} // namespace

int main() {
    char pattern[] = "/tmp/lockstep-loader-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) return 1;
    printf("medians of %d runs\n", kRepeats);
    BenchMeshes(dir);
    BenchTexture(dir);
    std::string cleanup = std::string("rm -rf ") + dir;
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
