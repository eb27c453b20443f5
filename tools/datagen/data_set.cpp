// The list of data files and what each is made from.
#include <cstdio>
#include "tools/datagen/datagen.h"

namespace {

struct PictureFile {
    const char* name;
    Picture (*make)();
};
const PictureFile kPictures[] = {
    {"loading_512x512.raw", MakeLoadingPicture}, {"dirt2_512x512.raw", MakeDirtPicture},
    {"white_32x32.raw", MakeWhitePicture},       {"city_1024x1024.raw", MakeCityPicture},
    {"env_128x128.raw", MakeEnvPicture},         {"robot_256x256.raw", MakeRobotPicture},
    {"ballz_64x64.raw", MakeBallsPicture},       {"road_1024x1024.raw", MakeRoadPicture},
    {"ribbonz_32x512.raw", MakeRibbonPicture},   {"ttl_512x512.raw", MakeTitlePicture},
    {"credz_512x256.raw", MakeCreditsPicture},   {"grtz_256x512.raw", MakeGreetingsPicture},
};

GenMesh MakeRoad1() {
    return MakeRoadMesh(1);
}
GenMesh MakeRoad2() {
    return MakeRoadMesh(2);
}

struct MeshFile {
    const char* name;
    const char* tag; // the files' first word, at most 11 characters
    GenMesh (*make)();
};
const MeshFile kMeshes[] = {
    {"city_circle.bof", "city", MakeCityMesh},
    {"arbre.baf", "tree", MakeTreeMesh},
    {"botwalk.baf", "botwalk", MakeRobotMesh},
    {"ballz.bof", "balls", MakeBallsMesh},
    {"road2hr.bof", "road2", MakeRoad2},
    {"road1hr.bof", "road1", MakeRoad1},
    {"ribbonz.baf", "ribbons", MakeRibbonsMesh},
    {"city_rbnz.baf", "cityribbons", MakeCityRibbonsMesh},
    {"ttl.bof", "title", MakeTitleMesh},
    {"credz.bof", "credits", MakeCreditsMesh},
    {"grtz.bof", "greetings", MakeGreetingsMesh},
};

bool EndsWith(const char* name, const char* ending) {
    std::string s(name), e(ending);
    return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

} // namespace

// Stops at the first file that cannot be written: the disk that refused it refuses the rest.
bool WriteVisualData(const std::string& dir) {
    for (const PictureFile& file : kPictures)
        if (!WriteRawPicture(dir + "/" + file.name, file.make())) return false;
    for (const MeshFile& file : kMeshes) {
        GenMesh mesh = file.make();
        std::string path = dir + "/" + file.name;
        if (!(EndsWith(file.name, ".baf") ? WriteAnimatedMesh(path, file.tag, mesh)
                                          : WriteStaticMesh(path, file.tag, mesh)))
            return false;
    }
    return true;
}
