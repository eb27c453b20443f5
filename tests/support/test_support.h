// Helpers shared by the tests: an offscreen GL display, pixel read-back, scratch files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Opens the 800x600 offscreen display once per process, applies the default render state and
// chooses the frame path.
void OpenTestDisplay();
// The frame path the run asks for (LOCKSTEP_FRAME_PATH), chosen afresh: a test that chose
// another leaves this one for the next.
void RestoreFramePath();

// The projection the draw list draws through and the current colour, on either frame path: in
// GL where the context has the fixed-function pipeline, and in the render-state record.
void SetTestProjection(const float columnMajor[16]);
void SetTestOrtho(double left, double right, double bottom, double top, double zNear, double zFar);
void SetTestColour(float r, float g, float b, float a);

struct Rgba {
    uint8_t r, g, b, a;
};
// Pixel (x, y) with the origin at the top-left corner, as the viewer sees the frame.
Rgba ReadScreenPixel(int x, int y);
// The whole 800x600 frame, rows bottom-up as OpenGL stores them.
std::vector<uint8_t> ReadFrame();
// Saves the current frame as <test output dir>/<name>.png and returns the path.
std::string SaveFrame(const std::string& name);

// A one-texel texture of that colour, placed straight into a texture slot (nearest filtering).
void MakeSolidTexture(int32_t slot, uint8_t r, uint8_t g, uint8_t b);

// A fresh empty folder for this test; removed at exit.
std::string MakeScratchDir();
void WriteTextFile(const std::string& path, const std::string& contents);
void WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Runs fn with stdout and stderr captured; returns them.
struct Captured {
    std::string out, err;
};
Captured CaptureOutput(void (*fn)(void*), void* arg);
template <typename F> Captured CaptureOutputOf(F&& f) {
    return CaptureOutput([](void* p) { (*static_cast<F*>(p))(); }, &f);
}
