#include "script/scene_objects.h"

#include "assets/mesh_geometry.h"
#include "assets/texture_slots.h"
#include "platform/display.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/screen_quads.h"
#include "script/frame_guard.h"

Mesh city, tree, robot1, robot2, robot3, balls, road2, road1, ribbons, cityRibbons, title, credits,
    greetings;
int32_t loadingTexture = -1, dirtTexture = -1, whiteTexture = -1, envTexture = -1;

namespace {

struct NamedObject {
    Mesh* mesh;
    const char* name;
};
const NamedObject kSceneObjectNames[] = {
    {&city, "city"},           {&tree, "tree"},
    {&robot1, "robot1"},       {&robot2, "robot2"},
    {&robot3, "robot3"},       {&balls, "balls"},
    {&road2, "road2"},         {&road1, "road1"},
    {&ribbons, "ribbons"},     {&cityRibbons, "cityRibbons"},
    {&title, "title"},         {&credits, "credits"},
    {&greetings, "greetings"},
};

} // namespace

const char* SceneObjectName(const Mesh* mesh) {
    for (const NamedObject& entry : kSceneObjectNames) {
        if (entry.mesh == mesh) return entry.name;
    }
    return "mesh";
}

void ShowLoadingPicture() {
    if (loadingTexture < 0) loadingTexture = LoadTexture("data/loading_512x512.raw");
    DrawScreenImage(loadingTexture, 0, 0, 1, 1, ScreenOpaque);
    PresentFrame();
}

void SetUpScenes() {
    ForgetFrameReports();

    // The loading picture goes up before anything else is read, and stays for the whole load.
    ShowLoadingPicture();

    dirtTexture = LoadTexture("data/dirt2_512x512.raw");
    whiteTexture = LoadTexture("data/white_32x32.raw");

    LoadStaticMesh("data/city_circle.bof", &city);
    SetMeshTexture(&city, LoadTexture("data/city_1024x1024.raw"));

    LoadAnimatedMesh("data/arbre.baf", &tree);
    envTexture = LoadTexture("data/env_128x128.raw");
    SetMeshTexture(&tree, envTexture);
    ComputeMeshNormals(&tree);
    SetEnvTexture(envTexture);

    // Three loads of one file: each robot needs its own frames to walk out of step.
    Mesh* const robots[] = {&robot1, &robot2, &robot3};
    for (Mesh* robot : robots) LoadAnimatedMesh("data/botwalk.baf", robot);
    const int32_t robotTexture = LoadTexture("data/robot_256x256.raw");
    for (Mesh* robot : robots) SetMeshTexture(robot, robotTexture);
    // Normals before scaling, so they come from the file's own shape.
    for (Mesh* robot : robots) ComputeMeshNormals(robot);
    for (Mesh* robot : robots) ScaleMesh(robot, kRobotScale);

    LoadStaticMesh("data/ballz.bof", &balls);
    SetMeshTexture(&balls, LoadTexture("data/ballz_64x64.raw"));
    ComputeMeshNormals(&balls);

    LoadStaticMesh("data/road2hr.bof", &road2);
    LoadStaticMesh("data/road1hr.bof", &road1);
    const int32_t roadTexture = LoadTexture("data/road_1024x1024.raw");
    SetMeshTexture(&road2, roadTexture);
    SetMeshTexture(&road1, roadTexture);

    LoadAnimatedMesh("data/ribbonz.baf", &ribbons);
    LoadAnimatedMesh("data/city_rbnz.baf", &cityRibbons);
    const int32_t ribbonTexture = LoadTexture("data/ribbonz_32x512.raw");
    SetMeshTexture(&ribbons, ribbonTexture);
    SetMeshTexture(&cityRibbons, ribbonTexture);
    ScaleMesh(&ribbons, kRibbonScale);

    LoadStaticMesh("data/ttl.bof", &title);
    SetMeshTexture(&title, LoadTexture("data/ttl_512x512.raw"));
    LoadStaticMesh("data/credz.bof", &credits);
    SetMeshTexture(&credits, LoadTexture("data/credz_512x256.raw"));
    LoadStaticMesh("data/grtz.bof", &greetings);
    SetMeshTexture(&greetings, LoadTexture("data/grtz_256x512.raw"));
}

void ResetScenePlacements() {
    for (const NamedObject& entry : kSceneObjectNames) PlaceMesh(entry.mesh, 0, 0, 0, 0, 0, 0);
}

void TearDownScenes() {
    Mesh* const order[] = {&city,    &tree,        &road2, &road1, &robot1,  &robot2,   &robot3,
                           &ribbons, &cityRibbons, &title, &balls, &credits, &greetings};
    for (Mesh* mesh : order) FreeMesh(mesh);
    ForgetMeshBuffers();
    ForgetFramePictures();
    DeleteAllTextures();
    loadingTexture = dirtTexture = whiteTexture = envTexture = -1;
}
