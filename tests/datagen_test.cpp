// The generated data set against what the show needs: every file in place with its size, loaded
// by the show's own loaders, animated meshes with the frames the scripts play, geometry that
// fits the fixed cameras and placements, the triangle budget, pictures that multiply as they
// should, and the same bytes on every run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

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

const char* const kGenerator = LOCKSTEP_BINARY_DIR "/bin/lockstep-datagen";

bool RunGenerator(const std::string& dir) {
    std::string command = std::string("\"") + kGenerator + "\" \"" + dir + "\"";
    return std::system(command.c_str()) == 0;
}

// One generated set shared by every test process of this file (ctest runs each case on its
// own, in parallel): made under a lock, and made again only when the generator is newer.
const std::string& DataDir() {
    static const std::string dir = [] {
        namespace fs = std::filesystem;
        std::string root = LOCKSTEP_TEST_OUTPUT_DIR "/datagen";
        fs::create_directories(root);
        int lock = open((root + "/lock").c_str(), O_CREAT | O_RDWR, 0644);
        flock(lock, LOCK_EX);
        std::string data = root + "/data", stamp = root + "/complete";
        std::error_code ec;
        if (!fs::exists(stamp) ||
            fs::last_write_time(stamp) < fs::last_write_time(kGenerator, ec)) {
            fs::remove_all(data, ec);
            fs::remove(stamp, ec);
            if (RunGenerator(data)) WriteTextFile(stamp, "");
        }
        flock(lock, LOCK_UN);
        close(lock);
        return data;
    }();
    return dir;
}

std::string Path(const char* name) {
    return DataDir() + "/" + name;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct LoadedMesh {
    Mesh mesh{};
    explicit LoadedMesh(const char* name, bool animated) {
        if (animated)
            LoadAnimatedMesh(Path(name).c_str(), &mesh);
        else
            LoadStaticMesh(Path(name).c_str(), &mesh);
    }
    ~LoadedMesh() { FreeMesh(&mesh); }
    const MeshVertex& At(int frame, int i) const {
        return mesh.vertices[frame * mesh.vertexCount + i];
    }
};

// Where a world point lies in a mesh's own frame, for a mesh placed at the origin with the
// given angles (degrees): undoes pitch, then yaw (roll is the road's own turning).
Vec3 IntoRoadFrame(Vec3 p, float yaw, float pitch) {
    float a = -pitch * 3.14159265f / 180, b = -yaw * 3.14159265f / 180;
    Vec3 q = {p.x, p.y * std::cos(a) - p.z * std::sin(a), p.y * std::sin(a) + p.z * std::cos(a)};
    return {q.x * std::cos(b) + q.z * std::sin(b), q.y, -q.x * std::sin(b) + q.z * std::cos(b)};
}

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

// One mesh serves the road (lying on its back) and the credits (upright): feet at y = 0, up +y,
// the face towards +z; and the cycle loops without a jump.
TEST(DataSet, RobotStandsOnItsFeetAndWalksInALoop) {
    LoadedMesh robot("botwalk.baf", true);
    const Mesh& m = robot.mesh;
    ASSERT_EQ(m.frameCount, 32);
    float largestStep = 0, wrapStep = 0;
    for (int f = 0; f < m.frameCount; ++f) {
        float low = 1e9f, high = -1e9f, faceZ = 0, faceY = 0;
        int faceVertices = 0;
        for (int i = 0; i < m.vertexCount; ++i) {
            const MeshVertex& v = robot.At(f, i);
            low = std::min(low, v.position.y);
            high = std::max(high, v.position.y);
            if (v.texCoord[0] < 0.5f && v.texCoord[1] > 0.5f) { // the face region
                faceZ += v.position.z;
                faceY += v.position.y;
                ++faceVertices;
            }
            const MeshVertex& next = robot.At((f + 1) % m.frameCount, i);
            float step = std::fabs(next.position.z - v.position.z) +
                         std::fabs(next.position.y - v.position.y);
            if (f + 1 == m.frameCount)
                wrapStep = std::max(wrapStep, step);
            else
                largestStep = std::max(largestStep, step);
        }
        EXPECT_NEAR(low, 0.0f, 0.5f) << "frame " << f;
        EXPECT_GT(high, 150.0f) << "frame " << f;
        EXPECT_LT(high, 260.0f) << "frame " << f;
        ASSERT_GT(faceVertices, 0);
        EXPECT_GT(faceZ / faceVertices, 10.0f) << "frame " << f;
        EXPECT_GT(faceY / faceVertices, 150.0f) << "frame " << f;
    }
    EXPECT_LE(wrapStep, largestStep * 1.5f);
}

TEST(DataSet, TreeStandsAtTheOriginAboutThreeHundredHigh) {
    LoadedMesh tree("arbre.baf", true);
    for (int f = 0; f < tree.mesh.frameCount; ++f) {
        float low = 1e9f, high = -1e9f;
        for (int i = 0; i < tree.mesh.vertexCount; ++i) {
            low = std::min(low, tree.At(f, i).position.y);
            high = std::max(high, tree.At(f, i).position.y);
        }
        EXPECT_NEAR(low, 0.0f, 1.0f);
        EXPECT_GT(high, 240.0f);
        EXPECT_LT(high, 380.0f);
    }
}

// The road pieces, tilted as the road scene places them, pass under every robot's feet: in the
// ring's own frame each robot stands within the band's width and on its surface.
TEST(DataSet, RoadRingsRunUnderTheRobots) {
    const Vec3 feet[3] = {{1172, 1570, 102}, {1130, 1602, -24}, {1195, 1567, -138}};
    struct Road {
        const char* name;
        float yaw, pitch;
    };
    for (Road road : {Road{"road2hr.bof", 5, -11}, Road{"road1hr.bof", -5, 11}}) {
        LoadedMesh m(road.name, false);
        for (const Vec3& p : feet) {
            Vec3 local = IntoRoadFrame(p, road.yaw, road.pitch);
            float radius = std::hypot(local.x, local.y);
            // The band's top runs straight across from one edge to the other: interpolate the
            // outermost radius of its two edges.
            float zNear = 1e9f, zFar = -1e9f, rNear = 0, rFar = 0;
            for (int i = 0; i < m.mesh.vertexCount; ++i) {
                zNear = std::min(zNear, m.At(0, i).position.z);
                zFar = std::max(zFar, m.At(0, i).position.z);
            }
            for (int i = 0; i < m.mesh.vertexCount; ++i) {
                const Vec3& v = m.At(0, i).position;
                float r = std::hypot(v.x, v.y);
                if (v.z == zNear) rNear = std::max(rNear, r);
                if (v.z == zFar) rFar = std::max(rFar, r);
            }
            ASSERT_GT(local.z, zNear) << road.name;
            ASSERT_LT(local.z, zFar) << road.name;
            float surface = rNear + (rFar - rNear) * (local.z - zNear) / (zFar - zNear);
            EXPECT_NEAR(radius, surface, 25.0f)
                << road.name << " under (" << p.x << ", " << p.y << ", " << p.z << ")";
        }
    }
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
