// The renderer's per-frame cost offscreen: the glow chain alone, then with a textured grid of
// 5k and 20k triangles drawn in both passes. glFinish ends every frame, since offscreen swaps
// do not throttle. Prints the median milliseconds per frame and the operator new calls made
// while the measured frames ran (the steady state must make none).
// Usage: render_bench [--png FILE]   FILE receives the last 20k-triangle frame, to look at.
#include "platform/gl_api.h"
#include <GL/glu.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "assets/mesh.h"
#include "assets/texture_slots.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "programs/options.h"
#include "render/camera.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/screen_quads.h"
#include "tools/png_writer.h"

// Counts operator new called from this executable's own code (the demo library is linked in
// statically); Mesa's shader compiler allocates through it too, from its shared library.
// Left out under the sanitizers, which own the allocator.
#if defined(__SANITIZE_ADDRESS__)
#define LOCKSTEP_COUNT_NEW 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOCKSTEP_COUNT_NEW 0
#endif
#endif
#ifndef LOCKSTEP_COUNT_NEW
#define LOCKSTEP_COUNT_NEW 1
#endif

namespace {
std::atomic<long> newCalls{0};
} // namespace

#if LOCKSTEP_COUNT_NEW
extern "C" char __executable_start[];
extern "C" char etext[];

namespace {
void* CountedNew(size_t size, const void* caller) {
    const char* at = static_cast<const char*>(caller);
    if (at >= __executable_start && at < etext) newCalls.fetch_add(1, std::memory_order_relaxed);
    void* block = malloc(size ? size : 1);
    if (!block) abort();
    return block;
}
// Out of line, so the compiler does not pair free with operator new.
__attribute__((noinline)) void ReleaseBlock(void* block) {
    free(block);
}
} // namespace

// Not inlined, so the return address is the caller's.
#define CALLER __builtin_return_address(0)
__attribute__((noinline)) void* operator new(size_t size) {
    return CountedNew(size, CALLER);
}
__attribute__((noinline)) void* operator new[](size_t size) {
    return CountedNew(size, CALLER);
}
__attribute__((noinline)) void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return CountedNew(size, CALLER);
}
__attribute__((noinline)) void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return CountedNew(size, CALLER);
}
void operator delete(void* block) noexcept {
    ReleaseBlock(block);
}
void operator delete[](void* block) noexcept {
    ReleaseBlock(block);
}
void operator delete(void* block, size_t) noexcept {
    ReleaseBlock(block);
}
void operator delete[](void* block, size_t) noexcept {
    ReleaseBlock(block);
}
#endif

namespace {

constexpr int kWarmUpFrames = 10;
constexpr int kMeasuredFrames = 200;
constexpr int32_t kGridSlot = 0;
constexpr int kTextureSide = 256;
constexpr float kGridHalfWidth = 300, kGridHalfHeight = 225, kGridDepth = 600;
constexpr uint32_t kBackground = 0x302010;

struct Grid {
    std::vector<MeshVertex> vertices;
    std::vector<MeshTriangle> triangles;
    Mesh mesh{};
};

// columns x rows quads facing the camera, two triangles each, wound to survive culling.
void BuildGrid(Grid* grid, int columns, int rows) {
    grid->vertices.clear();
    grid->triangles.clear();
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            const float u = static_cast<float>(i) / columns, v = static_cast<float>(j) / rows;
            MeshVertex vertex{};
            vertex.position = {(2 * u - 1) * kGridHalfWidth, (2 * v - 1) * kGridHalfHeight,
                               kGridDepth};
            vertex.texCoord[0] = u * 4;
            vertex.texCoord[1] = v * 3;
            vertex.normal = {0, 0, -1};
            grid->vertices.push_back(vertex);
        }
    }
    const uint32_t stride = static_cast<uint32_t>(columns + 1);
    for (uint32_t j = 0; j < static_cast<uint32_t>(rows); ++j) {
        for (uint32_t i = 0; i < static_cast<uint32_t>(columns); ++i) {
            const uint32_t a = j * stride + i, b = a + 1, c = a + stride + 1, d = a + stride;
            grid->triangles.push_back({{a, b, c}});
            grid->triangles.push_back({{a, c, d}});
        }
    }
    Mesh& m = grid->mesh;
    m = Mesh{};
    m.vertexCount = static_cast<int32_t>(grid->vertices.size());
    m.triangleCount = static_cast<int32_t>(grid->triangles.size());
    m.frameCount = 1;
    m.vertices = grid->vertices.data();
    m.triangles = grid->triangles.data();
    m.vertexEntries = m.vertexCount;
    m.textureSlot = kGridSlot;
}

// A mipmapped checker with a few bright squares, so the glow has something to spread.
void MakeGridTexture() {
    std::vector<uint8_t> pixels(kTextureSide * kTextureSide * 4);
    for (int y = 0; y < kTextureSide; ++y) {
        for (int x = 0; x < kTextureSide; ++x) {
            uint8_t* p = &pixels[(y * kTextureSide + x) * 4];
            const bool bright = ((x / 64) + (y / 64)) % 3 == 0 && (x % 64) < 16 && (y % 64) < 16;
            const uint8_t base = ((x / 16) + (y / 16)) % 2 ? 90 : 40;
            p[0] = bright ? 255 : base;
            p[1] = bright ? 240 : static_cast<uint8_t>(base / 2);
            p[2] = bright ? 200 : static_cast<uint8_t>(base + 30);
            p[3] = 255;
        }
    }
    glGenTextures(1, &textureSlots[kGridSlot]);
    glBindTexture(GL_TEXTURE_2D, textureSlots[kGridSlot]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA8, kTextureSide, kTextureSide, GL_RGBA,
                      GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

enum Part { WholeFrame, UpdateOnly, CompositeOnly, VisiblePassOnly };

// One frame as the show runs it; only the chosen part is timed (glFinish on both sides).
double Frame(Mesh* mesh, Part part) {
    BeginFrame();
    ClearDepthBuffer();
    ResetDrawList();
    ClearToColor(kBackground);
    ApplyCamera(&camera);
    if (mesh) QueueMesh(mesh);
    glFinish();
    const double start = NowMs();
    double partStart = start, partMs = 0;
    UpdateGlow();
    if (part == UpdateOnly) {
        glFinish();
        partMs = NowMs() - partStart;
    }
    partStart = NowMs();
    RenderDrawList();
    if (part == VisiblePassOnly) {
        glFinish();
        partMs = NowMs() - partStart;
    }
    partStart = NowMs();
    CompositeGlow(0, 0, 1, 1, 12, 1);
    glFinish();
    if (part == CompositeOnly) partMs = NowMs() - partStart;
    return part == WholeFrame ? NowMs() - start : partMs;
}

struct Result {
    double medianMs;
    long newCalls;
};

Result Measure(Mesh* mesh, Part part) {
    std::vector<double> times(kMeasuredFrames);
    for (int i = 0; i < kWarmUpFrames; ++i) Frame(mesh, part);
    const long before = newCalls.load();
    for (int i = 0; i < kMeasuredFrames; ++i) times[i] = Frame(mesh, part);
    const long made = newCalls.load() - before;
    std::nth_element(times.begin(), times.begin() + kMeasuredFrames / 2, times.end());
    return {times[kMeasuredFrames / 2], made};
}

void Report(const char* what, Result r) {
    printf("%-44s %8.2f ms   operator new: %ld\n", what, r.medianMs, r.newCalls);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const char* pngPath = argc == 3 && strcmp(argv[1], "--png") == 0 ? argv[2] : nullptr;
    if (argc > 1 && !pngPath) {
        fprintf(stderr, "usage: render_bench [--png FILE]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    OpenDisplay(false);
    ApplyDefaultRenderState();
    SetFramePath(FramePathFromEnvironment());
    MakeGridTexture();
    SetCameraLens(&camera, 100, 5000, 254);

    printf("median of %d frames after %d warm-up frames, 800x600, glFinish per frame\n",
           kMeasuredFrames, kWarmUpFrames);
    printf("renderer: %s; operator new counted: %s\n",
           reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
           LOCKSTEP_COUNT_NEW ? "yes" : "no (sanitizer build)");

    // The counter must see our own allocations, or its zeros mean nothing.
    int* volatile probe = new int(1);
    delete probe;
    if (LOCKSTEP_COUNT_NEW && newCalls.load() == 0) {
        fprintf(stderr, "render_bench: operator new is not being counted\n");
        return 1;
    }

    Report("glow chain alone (update + composite)", Measure(nullptr, WholeFrame));
    Report("  of which UpdateGlow (capture, downsample)", Measure(nullptr, UpdateOnly));
    Report("  of which CompositeGlow (8 quads)", Measure(nullptr, CompositeOnly));

    static Grid grid;
    const int sizes[][2] = {{50, 50}, {100, 100}}; // 5000 and 20000 triangles
    for (const auto& size : sizes) {
        BuildGrid(&grid, size[0], size[1]);
        char label[64];
        snprintf(label, sizeof label, "glow chain + %d triangles (both passes)",
                 grid.mesh.triangleCount);
        Report(label, Measure(&grid.mesh, WholeFrame));
        if (grid.mesh.triangleCount > 10000)
            Report("  of which the visible pass alone", Measure(&grid.mesh, VisiblePassOnly));
    }
    if (pngPath) {
        std::vector<uint8_t> frame(frameWidth * frameHeight * 4);
        Frame(&grid.mesh, WholeFrame);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        const char* reason = nullptr;
        if (!WritePngBottomUp(pngPath, frame.data(), frameWidth, frameHeight, &reason)) {
            fprintf(stderr, "render_bench: cannot write %s: %s\n", pngPath, reason);
            return 1;
        }
    }
    glDeleteTextures(1, &textureSlots[kGridSlot]);
    textureSlots[kGridSlot] = 0;
    return 0;
}
