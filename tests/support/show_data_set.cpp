#include "support/show_data_set.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "render/draw_list.h"
#include "script/scene_objects.h"
#include "script/timeline.h"
#include "support/test_support.h"

namespace {

struct Vertex {
    float x, y, z, u, v;
};
struct Shape {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices; // three per triangle
};

// Every face wound the same way round (all inward, by the file's order), so the normals that
// set-up computes are whole; culling then shows either the outside or the far inner faces.
void AddBox(Shape* s, float cx, float cy, float cz, float sx, float sy, float sz) {
    const uint32_t base = static_cast<uint32_t>(s->vertices.size());
    for (int i = 0; i < 8; ++i) {
        const float dx = (i & 1) ? sx : -sx, dy = (i & 2) ? sy : -sy, dz = (i & 4) ? sz : -sz;
        s->vertices.push_back({cx + dx, cy + dy, cz + dz, (i & 1) ? 1.0f : 0.0f,
                               ((i >> 1) ^ (i >> 2)) & 1 ? 1.0f : 0.0f});
    }
    const uint32_t faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
        const uint32_t tris[2][3] = {{f[0], f[1], f[2]}, {f[0], f[2], f[3]}};
        for (const auto& t : tris) {
            for (uint32_t k : t) s->indices.push_back(base + k);
        }
    }
}

std::string Header(const Shape& s) {
    std::ostringstream out;
    out << "mesh " << s.vertices.size() << " " << s.indices.size() / 3;
    return out.str();
}

void WriteRecords(std::ostringstream& out, const std::vector<Shape>& frames) {
    uint32_t n = 0;
    for (const Shape& f : frames) {
        for (const Vertex& v : f.vertices) {
            out << n++ << " " << v.x << " " << v.y << " " << v.z << " " << v.u << " " << v.v
                << "\n";
        }
    }
    const std::vector<uint32_t>& idx = frames[0].indices;
    for (size_t t = 0; t * 3 < idx.size(); ++t) {
        out << t << " " << idx[t * 3] << " " << idx[t * 3 + 1] << " " << idx[t * 3 + 2] << "\n";
    }
}

void WriteStatic(const std::string& path, const Shape& shape) {
    std::ostringstream out;
    out << Header(shape) << "\n0.0 0.0 0.0\n";
    WriteRecords(out, {shape});
    WriteTextFile(path, out.str());
}

void WriteAnimated(const std::string& path, const std::vector<Shape>& frames) {
    std::ostringstream out;
    out << Header(frames[0]) << " " << frames.size() << "\n0.0 0.0 0.0\n";
    WriteRecords(out, frames);
    WriteTextFile(path, out.str());
}

// A two-tone checker of the given colour, opaque.
void WritePicture(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool dark = ((x / 16) ^ (y / 16)) & 1;
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = dark ? r / 2 : r;
            p[1] = dark ? g / 2 : g;
            p[2] = dark ? b / 2 : b;
            p[3] = 255;
        }
    }
    WriteBinaryFile(path, px);
}

void WritePlain(const std::string& path, int w, int h, uint8_t value) {
    WriteBinaryFile(path, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4, value));
}

void WriteDirt(const std::string& path) {
    const int size = 512;
    std::vector<uint8_t> px(size * size * 4, 255);
    for (int y = kDirtSpotFirstTexel; y < kDirtSpotEndTexel; ++y) {
        for (int x = kDirtSpotFirstTexel; x < kDirtSpotEndTexel; ++x) {
            for (int c = 0; c < 3; ++c) px[(y * size + x) * 4 + c] = kDirtSpotValue;
        }
    }
    WriteBinaryFile(path, px);
}

Shape City() {
    Shape s;
    AddBox(&s, 0, -5, 0, 1500, 5, 1500);
    for (int i = 0; i < 8; ++i) {
        const float a = i * 0.785398f;
        AddBox(&s, 700 * std::cos(a), 100, 700 * std::sin(a), 60, 100 + 20 * i, 60);
    }
    return s;
}

Shape Tree(int frame) {
    Shape s;
    AddBox(&s, 0, 60, 0, 10, 60, 10);
    AddBox(&s, 0, 150, 0, 40 + 30 * frame, 40, 40 + 30 * frame);
    return s;
}

Shape Robot(int frame, int frames) {
    const float swing = 15 * std::sin(6.2831853f * frame / frames);
    Shape s;
    AddBox(&s, 0, 50, 0, 15, 25, 10);
    AddBox(&s, -8, 12, swing, 5, 12, 5);
    AddBox(&s, 8, 12, -swing, 5, 12, 5);
    return s;
}

Shape Balls() {
    Shape s;
    for (int i = 0; i < 6; ++i) {
        const float a = i * 1.0471976f;
        AddBox(&s, 350 * std::cos(a), 180, 350 * std::sin(a), 25, 25, 25);
    }
    return s;
}

Shape Ribbon(int frame, float radius) {
    Shape s;
    for (int i = 0; i < 4; ++i) {
        const float a = i * 1.5707964f + frame * 0.4f;
        AddBox(&s, radius * std::cos(a), 40 * frame, radius * std::sin(a), 20, 4, 80);
    }
    return s;
}

Shape Plate(float sx, float sy, float sz) {
    Shape s;
    AddBox(&s, 0, 0, 0, sx, sy, sz);
    return s;
}

} // namespace

void WriteShowDataSet(const std::string& dir, const ShowDataOptions& options) {
    const std::string d = dir + "/data/";
    std::filesystem::create_directories(d);

    WritePicture(d + "loading_512x512.raw", 512, 512, 40, 40, 200);
    WriteDirt(d + "dirt2_512x512.raw");
    WritePlain(d + "white_32x32.raw", 32, 32, 255);
    WritePicture(d + "city_1024x1024.raw", 1024, 1024, 200, 180, 140);
    WritePicture(d + "env_128x128.raw", 128, 128, 90, 220, 90);
    WritePicture(d + "robot_256x256.raw", 256, 256, 230, 60, 60);
    WritePicture(d + "ballz_64x64.raw", 64, 64, 240, 240, 240);
    WritePicture(d + "road_1024x1024.raw", 1024, 1024, 70, 70, 70);
    WritePicture(d + "ribbonz_32x512.raw", 32, 512, 250, 200, 40);
    WritePicture(d + "ttl_512x512.raw", 512, 512, 30, 30, 30);
    WritePicture(d + "credz_512x256.raw", 512, 256, 60, 20, 120);
    WritePicture(d + "grtz_256x512.raw", 256, 512, 20, 120, 60);

    WriteStatic(d + "city_circle.bof", City());
    std::vector<Shape> frames;
    for (int f = 0; f < options.treeFrames; ++f) frames.push_back(Tree(f));
    WriteAnimated(d + "arbre.baf", frames);
    frames.clear();
    for (int f = 0; f < options.walkFrames; ++f) frames.push_back(Robot(f, options.walkFrames));
    WriteAnimated(d + "botwalk.baf", frames);
    WriteStatic(d + "ballz.bof", Balls());
    WriteStatic(d + "road2hr.bof", Plate(80, 5, 1500));
    WriteStatic(d + "road1hr.bof", Plate(1500, 5, 80));
    frames.clear();
    for (int f = 0; f < options.ribbonFrames; ++f) frames.push_back(Ribbon(f, 300));
    WriteAnimated(d + "ribbonz.baf", frames);
    frames.clear();
    for (int f = 0; f < options.ribbonFrames; ++f) frames.push_back(Ribbon(f, 500));
    WriteAnimated(d + "city_rbnz.baf", frames);
    WriteStatic(d + "ttl.bof", Plate(150, 50, 5));
    WriteStatic(d + "credz.bof", Plate(120, 60, 5));
    WriteStatic(d + "grtz.bof", Plate(60, 120, 5));
}

void LoadShowDataSet(const ShowDataOptions& options, bool withData, std::string* dir) {
    OpenTestDisplay();
    TearDownScenes(); // an earlier test in this process may have loaded a set
    const std::string folder = MakeScratchDir();
    if (dir) *dir = folder;
    if (withData) WriteShowDataSet(folder, options);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    SetUpScenes();
    ResetDrawList();
    ResetTimeline();
}
