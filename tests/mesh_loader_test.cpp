// The .bof and .baf loaders: layout of what they store, and refusal of files that lie.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "assets/text_scanner.h"
#include "assets/bitmap_text.h"
#include "support/test_support.h"

namespace {

std::string WriteMeshFile(const std::string& name, const std::string& text) {
    static const std::string dir = MakeScratchDir();
    std::string path = dir + "/" + name;
    WriteTextFile(path, text);
    return path;
}

struct Loaded {
    Mesh mesh;
    Captured output;
};

Loaded Load(const std::string& path, bool animated) {
    Loaded l{};
    l.mesh.textureSlot = 12345; // must be overwritten
    l.output = CaptureOutputOf([&] {
        if (animated)
            LoadAnimatedMesh(path.c_str(), &l.mesh);
        else
            LoadStaticMesh(path.c_str(), &l.mesh);
    });
    return l;
}

void ExpectFreshPlacement(const Mesh& m) {
    EXPECT_EQ(m.position.x, 0);
    EXPECT_EQ(m.position.y, 0);
    EXPECT_EQ(m.position.z, 0);
    EXPECT_EQ(m.yaw, 0);
    EXPECT_EQ(m.pitch, 0);
    EXPECT_EQ(m.roll, 0);
    EXPECT_EQ(m.textureSlot, -1);
    EXPECT_EQ(m.currentFrame, 0);
}

void ExpectEmpty(const Mesh& m) {
    EXPECT_EQ(m.vertexCount, 0);
    EXPECT_EQ(m.triangleCount, 0);
    EXPECT_EQ(m.vertexEntries, 0);
    EXPECT_EQ(m.vertices, nullptr);
    EXPECT_EQ(m.triangles, nullptr);
    EXPECT_EQ(m.textureSlot, -1);
}

// Cell 2x2, every texel opaque: enough to see the loader write through the text writer.
uint32_t fontTexels[60 * 2 * 2];
BitmapFont TestFont() {
    for (uint32_t& t : fontTexels) t = 0xFFFFFFFF;
    BitmapFont f{};
    f.atlas.pixels = reinterpret_cast<uint8_t*>(fontTexels);
    f.atlas.width = 120;
    f.atlas.height = 2;
    f.cellWidth = 2;
    f.cellHeight = 2;
    f.gap = 1;
    return f;
}

} // namespace

TEST(StaticMesh, StoresRecordsInFileOrderAndSwapsTheWinding) {
    // Running numbers are ignored; any white space separates tokens; nothing after the last
    // triangle is read.
    std::string path = WriteMeshFile("ring.bof", "tagword\t7 2\r\n9.5 -8 7e2\n"
                                                 "5 0 0 0 0.25 0.5\n"
                                                 "5 1 2 3 0.5 0.75\n"
                                                 "0 -1.5 2.5e1 +3 1 0\n"
                                                 "0 4 4 4 0 1\n"
                                                 "1 5 5 5 0 0\n"
                                                 "2 6 6 6 1 1\n"
                                                 "3 7 7 7 1 0\n"
                                                 "0 4 5 6\n"
                                                 "7 0 1 2\n"
                                                 "this trailer is never read");
    Loaded l = Load(path, false);
    EXPECT_EQ(l.output.out, "");
    EXPECT_EQ(l.output.err, "");
    const Mesh& m = l.mesh;
    ASSERT_EQ(m.vertexCount, 7);
    ASSERT_EQ(m.triangleCount, 2);
    EXPECT_EQ(m.frameCount, 1);
    EXPECT_EQ(m.vertexEntries, 7);
    EXPECT_FALSE(MeshHasBlendFrame(&m));
    ExpectFreshPlacement(m);
    EXPECT_EQ(m.vertices[1].position.y, 2);
    EXPECT_EQ(m.vertices[1].texCoord[1], 0.75f);
    EXPECT_EQ(m.vertices[2].position.x, -1.5f);
    EXPECT_EQ(m.vertices[2].position.y, 25);
    EXPECT_EQ(m.vertices[2].position.z, 3);
    EXPECT_EQ(m.vertices[6].position.x, 7);
    EXPECT_EQ(m.vertices[6].normal.x, 0) << "normals start cleared";
    EXPECT_EQ(m.triangles[0].indices[0], 4u);
    EXPECT_EQ(m.triangles[0].indices[1], 6u);
    EXPECT_EQ(m.triangles[0].indices[2], 5u);
    EXPECT_EQ(m.triangles[1].indices[1], 2u);
    EXPECT_EQ(m.triangles[1].indices[2], 1u);

    Mesh copy = m;
    SetMeshTexture(&copy, 5);
    EXPECT_EQ(copy.textureSlot, 5);
    copy.currentFrame = 0;
    copy.position.x = 3;
    FreeMesh(&copy);
    ExpectEmpty(copy);
    EXPECT_EQ(copy.frameCount, 1) << "frame count, current frame and placement are kept";
    EXPECT_EQ(copy.position.x, 3);
    FreeMesh(&copy); // already freed: nothing happens
    ExpectEmpty(copy);
}

TEST(AnimatedMesh, StoresFramesOneAfterAnotherPlusTheBlendFrame) {
    std::string text = "robot 2 1 3 0 0 0\n";
    for (int f = 0; f < 3; ++f) {
        for (int v = 0; v < 2; ++v) {
            text += std::to_string(v) + " " + std::to_string(f * 10 + v) + " 0 0 " +
                    std::to_string(f) + " 0\n";
        }
    }
    text += "0 0 1 1\n";
    Loaded l = Load(WriteMeshFile("walk.baf", text), true);
    EXPECT_EQ(l.output.err, "");
    const Mesh& m = l.mesh;
    ASSERT_EQ(m.vertexCount, 2);
    EXPECT_EQ(m.frameCount, 3);
    EXPECT_EQ(m.vertexEntries, 8);
    EXPECT_TRUE(MeshHasBlendFrame(&m));
    ExpectFreshPlacement(m);
    for (int e = 0; e < 6; ++e) EXPECT_EQ(m.vertices[e].position.x, (e / 2) * 10 + e % 2) << e;
    EXPECT_EQ(m.vertices[5].texCoord[0], 2);
    EXPECT_EQ(m.vertices[6].position.x, 0) << "the blend frame starts cleared";
    EXPECT_EQ(m.triangles[0].indices[1], 1u);
    EXPECT_EQ(m.triangles[0].indices[2], 1u);
    Mesh copy = m;
    FreeMesh(&copy);
    EXPECT_FALSE(MeshHasBlendFrame(&l.mesh) && copy.vertexEntries != 0);

    Loaded one = Load(WriteMeshFile("one.baf", "one 1 0 1 0 0 0 0 1 2 3 4 5"), true);
    EXPECT_EQ(one.mesh.frameCount, 1);
    EXPECT_EQ(one.mesh.vertexEntries, 2) << "a single frame still gets the blend frame";
    EXPECT_EQ(one.mesh.vertices[0].texCoord[1], 5);
    FreeMesh(&one.mesh);
}

TEST(MeshLoaders, MissingFileGivesTheFixedMessageAndAnEmptyMesh) {
    BitmapFont font = TestFont();
    SetBitmapFont(&font);
    textCursorX = textCursorY = 0;
    std::string missing = WriteMeshFile("x", "") + "-not-there.bof";
    Loaded s = Load(missing, false);
    EXPECT_EQ(s.output.out, "EEEEEEEEEEEK!!!     file not found!!");
    EXPECT_EQ(s.output.err, "lockstep: " + missing + ": No such file or directory\n");
    ExpectEmpty(s.mesh);
    EXPECT_EQ(s.mesh.frameCount, 0);
    EXPECT_FALSE(MeshHasBlendFrame(&s.mesh));
    // 36 characters of 2 + 1 pixels: the static loader also wrote through the text writer
    EXPECT_EQ(textCursorX, 108);
    EXPECT_EQ(pixelBuffer[0], 0xFFFFFFFFu);

    textCursorX = 0;
    Loaded a = Load(missing, true);
    EXPECT_EQ(a.output.out, "EEEEEEEEEEEK!!!     file not found!!");
    ExpectEmpty(a.mesh);
    EXPECT_EQ(textCursorX, 0) << "the animated loader only uses the console";
    SetBitmapFont(nullptr);
}

TEST(MeshLoaders, RefuseMalformedFilesWithAnEmptyMeshAndSayWhere) {
    const std::string pad(64, ' ');
    struct Case {
        bool animated;
        std::string text;
        const char* says;
    } cases[] = {
        {false, "", "line 1: no tag word"},
        {false, "tag", "the vertex count is missing"},
        {false, "tag 3", "the triangle count is missing"},
        {false, "tag abc 1 0 0 0", "the vertex count is missing or not an unsigned number"},
        {false, "tag -1 0 0 0 0", "the vertex count is missing"},
        {false, "tag 12x 0 0 0 0", "the vertex count is missing"},
        {false, "tag 3000000000 0 0 0 0", "the vertex count 3000000000 is above 2147483647"},
        {false, "tag 0 0\n0 0", "line 2: header number 3 of 3 is missing"},
        {false, "tag 0 0 0 zero 0", "header number 2 of 3"},
        // 40 bytes that claim 2^31 - 1 vertices: refused before anything is allocated
        {false, "tag 2147483647 1 0 0 0\n0 1 2 3 4 5\n", "cannot fit in the"},
        {false, "tag 1 2147483647 0 0 0\n0 1 2 3 4 5\n", "cannot fit in the"},
        {true, "tag 1 0 2147483647 0 0 0\n0 1 2 3 4 5\n", "cannot fit in the"},
        {true, "tag 65536 0 65536 0 0 0\n0 1 2 3 4 5\n", "cannot fit in the"},
        {true, "tag 1 0 0 0 0 0\n", "the frame count is 0"},
        {true, "tag 1 0 0 0 0", "line 1: header number 3 of 3"},
        {false, "tag 2 0 0 0 0\n0 1 2 3 4 5\n" + pad, "vertex record 2 of 2: running number"},
        {false, "tag 1 0 0 0 0\n0 1 2 1.0.0 4 5\n", "line 2: vertex record 1 of 1: z is"},
        {false, "tag 1 0 0 0 0\n0 1 2 3 4 nan5\n", "vertex record 1 of 1: v is"},
        {true, "tag 1 0 2 0 0 0\n0 1 2 3 4 5\n" + pad, "vertex record 2 of 2"},
        {false, "tag 1 1 0 0 0\n0 1 2 3 4 5\n0 0 0" + pad, "triangle record 1 of 1: field 4"},
        {false, "tag 3 1 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n\n0 0 1 3\n",
         "line 6: triangle record 1 of 1: vertex 3 is not below the vertex count 3"},
        {true, "tag 0 1 5 0 0 0 0 0 0 0\n", "vertex 0 is not below the vertex count 0"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string path =
            WriteMeshFile("bad" + std::to_string(n++) + (c.animated ? ".baf" : ".bof"), c.text);
        Loaded l = Load(path, c.animated);
        EXPECT_EQ(l.output.out, "") << c.text;
        EXPECT_NE(l.output.err.find("lockstep: " + path + ": "), std::string::npos) << c.text;
        EXPECT_NE(l.output.err.find(c.says), std::string::npos) << c.text << "\n" << l.output.err;
        ExpectEmpty(l.mesh);
        EXPECT_EQ(l.mesh.frameCount, 0) << c.text;
    }
}

TEST(MeshLoaders, AcceptEmptyMeshesAndLongTags) {
    Loaded s = Load(WriteMeshFile("empty.bof", "an-unusually-long-tag 0 0 0 0 0"), false);
    EXPECT_EQ(s.output.err, "");
    EXPECT_EQ(s.mesh.frameCount, 1);
    EXPECT_EQ(s.mesh.vertexEntries, 0);
    EXPECT_EQ(s.mesh.vertices, nullptr);

    Loaded a = Load(WriteMeshFile("empty.baf", "t 0 0 4 0 0 0"), true);
    EXPECT_EQ(a.output.err, "");
    EXPECT_EQ(a.mesh.frameCount, 4);
    EXPECT_EQ(a.mesh.vertexEntries, 0);
    EXPECT_TRUE(MeshHasBlendFrame(&a.mesh)) << "a frame of no vertices needs no room";
}

#if LOCKSTEP_FLOAT_FROM_CHARS
// The web build reads floats with strtof, the desktop with from_chars: the same numbers, the
// same refusals, and the same end of the number.
TEST(MeshLoaders, BothFloatReadersAgree) {
    const char* const tokens[] = {
        "0", "-0", "1", "-2.5", "3.", ".5", "1e3", "1E-3", "-7.25e+2", "0.1", "123456789",
        "3.4028235e38", "1e-40", "1e-45",           // largest, subnormals
        "1e39", "1e-50", "7e-46",                   // out of range
        "+1", "0x1p3", "-0x10", "e5", ".", "-", "", // not numbers as the files write them
        "1x", "1.5.5", "1e", "2f", "inf", "-nan",   // partly numbers
    };
    for (const char* token : tokens) {
        const char* end = token + strlen(token);
        float a = 42.0f, b = 42.0f;
        const char* stopA = ReadFloatFromChars(token, end, &a);
        const char* stopB = ReadFloatStrtof(token, end, &b);
        EXPECT_EQ(stopA, stopB) << "'" << token << "'";
        if (stopA && stopB) {
            EXPECT_TRUE(a == b || (a != a && b != b)) << "'" << token << "': " << a << " " << b;
        }
    }
}
#endif
