// The generated data set against what the show needs: every file in place with its size, loaded
// by the show's own loaders, animated meshes with the frames the scripts play, the triangle
// budget, pictures that multiply as they should, a generator that fails loudly, and the same
// bytes on every run. (Geometry against the cameras: datagen_geometry_test.cpp.)
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "assets/mesh_geometry.h"
#include "assets/raw_image.h"
#include "assets/texture_slots.h"
#include "datagen_data.h"
#include "support/test_support.h"

namespace {

const char* const kPictures[] = {"loading_512x512.raw", "dirt2_512x512.raw",  "white_32x32.raw",
                                 "city_1024x1024.raw",  "env_128x128.raw",    "robot_256x256.raw",
                                 "ballz_64x64.raw",     "road_1024x1024.raw", "ribbonz_32x512.raw",
                                 "ttl_512x512.raw",     "credz_512x256.raw",  "grtz_256x512.raw"};
const char* const kStaticMeshes[] = {"city_circle.bof", "ballz.bof", "road2hr.bof", "road1hr.bof",
                                     "ttl.bof",         "credz.bof", "grtz.bof"};
const char* const kAnimatedMeshes[] = {"arbre.baf", "botwalk.baf", "ribbonz.baf", "city_rbnz.baf"};
constexpr int kTriangleBudget = 10000;

TEST(DataSet, EveryFileIsWrittenWithItsSize) {
    DataDir();
    ASSERT_TRUE(std::filesystem::exists(LOCKSTEP_TEST_OUTPUT_DIR "/datagen/complete"));
    for (const char* name : kPictures) {
        int32_t width = 0, height = 0;
        ASSERT_TRUE(ParseRawImageSize(name, &width, &height)) << name;
        EXPECT_EQ(ReadBytes(Path(name)).size(), static_cast<size_t>(width) * height * 4) << name;
    }
    for (const char* name : kStaticMeshes) EXPECT_FALSE(ReadBytes(Path(name)).empty()) << name;
    for (const char* name : kAnimatedMeshes) EXPECT_FALSE(ReadBytes(Path(name)).empty()) << name;
    EXPECT_GT(ReadBytes(Path("moravinte.mp3")).size(), 100000u);
}

TEST(DataSet, PicturesLoadAsTextures) {
    OpenTestDisplay();
    for (const char* name : kPictures) EXPECT_GE(LoadTexture(Path(name).c_str()), 0) << name;
    DeleteAllTextures();
}

TEST(DataSet, MeshesLoadWithTheFramesTheScriptsPlay) {
    for (const char* name : kStaticMeshes) {
        LoadedMesh m(name, false);
        EXPECT_GT(m.mesh.triangleCount, 0) << name;
        EXPECT_EQ(m.mesh.frameCount, 1) << name;
    }
    for (const char* name : kAnimatedMeshes) {
        LoadedMesh m(name, true);
        EXPECT_GT(m.mesh.triangleCount, 0) << name;
        EXPECT_GE(m.mesh.frameCount, 2) << name;
    }
    // One walk cycle per bar: exactly 32 frames, the last blending back into the first.
    EXPECT_EQ(LoadedMesh("botwalk.baf", true).mesh.frameCount, 32);
}

// Each scene's DrawList at its fullest, chrome second passes counted.
TEST(DataSet, EveryFrameStaysWithinTheTriangleBudget) {
    auto tris = [](const char* name, bool animated) {
        return LoadedMesh(name, animated).mesh.triangleCount;
    };
    int city = tris("city_circle.bof", false), tree = tris("arbre.baf", true);
    int robots = 6 * tris("botwalk.baf", true);
    int opening = city + tree + tris("ttl.bof", false) + 2 * tris("ballz.bof", false) +
                  tris("city_rbnz.baf", true);
    int road = tris("road1hr.bof", false) + tris("road2hr.bof", false) + robots +
               tris("ribbonz.baf", true);
    int credits = city + tree + tris("credz.bof", false) + tris("grtz.bof", false) + robots;
    int finale = city + tree + tris("ribbonz.baf", true);
    EXPECT_LT(opening, kTriangleBudget);
    EXPECT_LT(road, kTriangleBudget);
    EXPECT_LT(credits, kTriangleBudget);
    EXPECT_LT(finale, kTriangleBudget);
}

float MeanOfRgb(const std::vector<uint8_t>& bytes) {
    double sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 4) sum += bytes[i] + bytes[i + 1] + bytes[i + 2];
    return static_cast<float>(sum / (bytes.size() / 4 * 3) / 255.0);
}

TEST(DataSet, ScreenPicturesMultiplyGently) {
    // The dirt darkens every frame: visible grain, but at most about 15% on average.
    float dirt = MeanOfRgb(ReadBytes(Path("dirt2_512x512.raw")));
    EXPECT_GT(dirt, 0.85f);
    EXPECT_LT(dirt, 0.99f);
    std::vector<uint8_t> white = ReadBytes(Path("white_32x32.raw"));
    EXPECT_TRUE(std::all_of(white.begin(), white.end(), [](uint8_t b) { return b == 255; }));
}

// Panels are multiplied over the scene: white must be exactly white (no tint around the text)
// and the lettering dark.
TEST(DataSet, PanelsAreDarkInkOnPureWhite) {
    for (const char* name : {"ttl_512x512.raw", "credz_512x256.raw", "grtz_256x512.raw"}) {
        std::vector<uint8_t> bytes = ReadBytes(Path(name));
        size_t white = 0, ink = 0, pixels = bytes.size() / 4;
        for (size_t i = 0; i < bytes.size(); i += 4) {
            if (bytes[i] == 255 && bytes[i + 1] == 255 && bytes[i + 2] == 255) ++white;
            if (bytes[i] + bytes[i + 1] + bytes[i + 2] < 3 * 80) ++ink;
        }
        EXPECT_GT(white, pixels * 6 / 10) << name;
        EXPECT_GT(ink, pixels / 50) << name;
    }
}

// setup.sh stamps data/ complete only on success, so failures must show in the exit status.
TEST(DataSet, GeneratorFailsLoudly) {
    auto status = [](const std::string& args) {
        std::string command = std::string("\"") + kGenerator + "\" " + args + " 2>/dev/null";
        return WEXITSTATUS(std::system(command.c_str()));
    };
    EXPECT_EQ(status(""), 2);
    EXPECT_EQ(status("a b"), 2);
    std::string file = MakeScratchDir() + "/plain-file";
    WriteTextFile(file, "not a folder");
    EXPECT_EQ(status("\"" + file + "/data\""), 1);
}

TEST(DataSet, SameBytesOnEveryRun) {
    std::string again = MakeScratchDir() + "/data";
    ASSERT_TRUE(RunGenerator(again));
    std::vector<const char*> names(std::begin(kPictures), std::end(kPictures));
    names.insert(names.end(), std::begin(kStaticMeshes), std::end(kStaticMeshes));
    names.insert(names.end(), std::begin(kAnimatedMeshes), std::end(kAnimatedMeshes));
    names.push_back("moravinte.mp3");
    for (const char* name : names)
        EXPECT_TRUE(ReadBytes(Path(name)) == ReadBytes(again + "/" + name)) << name;
}

} // namespace
