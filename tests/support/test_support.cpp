#include "support/test_support.h"

#include "platform/gl_api.h"
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "assets/texture_slots.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/options.h"
#include "render/frame.h"
#include "render/matrix.h"
#include "render/render_state.h"
#include "tools/png_writer.h"

namespace fs = std::filesystem;

void OpenTestDisplay() {
    static bool open = false;
    if (open) return;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    OpenDisplay(false);
    ApplyDefaultRenderState();
    RestoreFramePath();
    open = true;
}

void RestoreFramePath() {
    SetFramePathAfresh(FramePathFromEnvironment());
}

void SetTestProjection(const float columnMajor[16]) {
    Mat4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = columnMajor[i];
    SetProjection(m);
    if (!HasFixedFunction()) return;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(columnMajor);
}

void SetTestOrtho(double left, double right, double bottom, double top, double zNear, double zFar) {
    Mat4 m = IdentityMatrix();
    MultiplyOrtho(&m, left, right, bottom, top, zNear, zFar);
    SetTestProjection(m.m);
}

void SetTestColour(float r, float g, float b, float a) {
    SetColour(r, g, b, a);
    if (HasFixedFunction()) glColor4f(r, g, b, a);
}

Rgba ReadScreenPixel(int x, int y) {
    Rgba p{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, frameHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    return p;
}

std::vector<uint8_t> ReadFrame() {
    std::vector<uint8_t> pixels(frameWidth * frameHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::string SaveFrame(const std::string& name) {
    fs::create_directories(LOCKSTEP_TEST_OUTPUT_DIR);
    std::string path = std::string(LOCKSTEP_TEST_OUTPUT_DIR) + "/" + name + ".png";
    std::vector<uint8_t> pixels = ReadFrame();
    const char* reason = nullptr;
    if (!WritePngBottomUp(path.c_str(), pixels.data(), frameWidth, frameHeight, &reason))
        fprintf(stderr, "cannot write %s: %s\n", path.c_str(), reason);
    return path;
}

void MakeSolidTexture(int32_t slot, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t texel[4] = {r, g, b, 255};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    textureSlots[slot] = name;
}

namespace {
std::vector<std::string> scratchDirs;
void RemoveScratchDirs() {
    std::error_code ec;
    for (const std::string& dir : scratchDirs) fs::remove_all(dir, ec);
}
} // namespace

std::string MakeScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "lockstep-test-XXXXXX").string();
    char* dir = mkdtemp(pattern.data());
    if (!dir) abort();
    if (scratchDirs.empty()) atexit(RemoveScratchDirs);
    scratchDirs.push_back(dir);
    return dir;
}

void WriteTextFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

void WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

namespace {
std::string ReadAll(FILE* f) {
    std::string s;
    fflush(f);
    rewind(f);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}
} // namespace

Captured CaptureOutput(void (*fn)(void*), void* arg) {
    fflush(stdout);
    fflush(stderr);
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    int savedOut = dup(1), savedErr = dup(2);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    fn(arg);
    fflush(stdout);
    fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    Captured c{ReadAll(out), ReadAll(err)};
    fclose(out);
    fclose(err);
    return c;
}
