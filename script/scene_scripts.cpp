#include "script/scene_scripts.h"

#include "assets/mesh_geometry.h"
#include "music/music.h"
#include "render/camera.h"
#include "render/draw_list.h"
#include "render/screen_quads.h"
#include "script/frame_guard.h"
#include "script/scene_objects.h"
#include "script/timeline_math.h"

namespace {

struct CameraPose {
    float x, y, z;
    float yaw, pitch, roll;
    int32_t zNear, zFar;
    float focal;
};

const CameraPose kCityCamera = {-755, 112, 581, -82, 1.2f, 0, 100, 5000, 254.0f};
const CameraPose kRoadFirstCamera = {894, 1900, 42, -104, -36, 0, 100, 5000, 271.0f};
const CameraPose kRoadMiddleCamera = {1015, 1814, -207, -53, -34, 12.3f, 100, 5000, 271.0f};
const CameraPose kRoadLongCamera = {890, 1900, -50, -84, -40, 0, 100, 5000, 271.0f};
const CameraPose kCreditsCamera = {-357.328f, 230.128f, -65.191f, -83.4f, 5.1f,
                                   10.8f,     90,       5000,     110.0f};
const CameraPose kFinaleCamera = {-28, 128, -911, -1.1f, 12, 0, 90, 5000, 110.0f};

struct Placement {
    float x, y, z;
    float yaw, pitch, roll;
};

// The robots' spots on the road; the roads and ribbons roll with time, so only their rest is here.
const Placement kRoadRobots[3] = {
    {1172, 1570, 102, -37, -90, -90},
    {1130, 1602, -24, -38, 266, -91},
    {1195, 1567, -138, -39, 254, -96},
};
const Placement kRoad2 = {0, 0, 0, 5, -11, 0};
const Placement kRoad1 = {0, 0, 0, -5, 11, 0};
constexpr float kRoadRibbonPitch = 180.0f;
constexpr float kRoadRibbonRoll = 100.0f;
const Placement kFinaleRibbons = {0, 622, 0, 0, 90, -10};
constexpr float kCreditsRobotDistance[3] = {250.0f, 350.0f, 450.0f};
constexpr float kCreditsRobotYaw = -90.0f;

constexpr uint32_t kCityBackground = 0xEAEAEA;
constexpr uint32_t kCreditsBackground = 0x0048FF;
constexpr uint32_t kFinaleBackground = 0xFFFF00;
constexpr int kSpectrumLowHz = 700;
constexpr int kSpectrumHighHz = 1000;

Mesh* const kRobots[3] = {&robot1, &robot2, &robot3};

void PoseCamera(const CameraPose& pose, float z) {
    camera.x = pose.x;
    camera.y = pose.y;
    camera.z = z;
    camera.yaw = pose.yaw;
    camera.pitch = pose.pitch;
    camera.roll = pose.roll;
    SetCameraLens(&camera, pose.zNear, pose.zFar, pose.focal);
    ApplyCamera(&camera);
}

void Place(Mesh* mesh, const Placement& p) {
    PlaceMesh(mesh, p.x, p.y, p.z, p.yaw, p.pitch, p.roll);
}

void TurnAboutY(Mesh* mesh, float yaw) {
    PlaceMesh(mesh, 0, 0, 0, yaw, 0, 0);
}

// The tree morphs with the music: frame 0 in silence, frame 1 at full level.
void ShowTreeWithSpectrum() {
    ShowMeshFrame(&tree, TreeSpectrumLevel());
}

// The city, then the tree sphere-mapped over it.
void QueueTreePattern() {
    QueueMesh(&city);
    QueueCommand(SphereMapOn);
    QueueMesh(&tree);
    QueueCommand(SphereMapOff);
}

// Each robot with its own texture, then again added on top with the chrome environment.
void QueueRobotGroup() {
    for (Mesh* robot : kRobots) QueueMesh(robot);
    QueueCommand(SphereMapOn);
    QueueCommand(EnvTextureOn);
    QueueCommand(BlendAdditive);
    for (Mesh* robot : kRobots) QueueMesh(robot);
    QueueCommand(SphereMapOff);
    QueueCommand(EnvTextureOff);
    QueueCommand(BlendOpaque);
}

void WalkRobots(int32_t v) {
    for (int i = 0; i < 3; ++i) ShowMeshFrame(kRobots[i], WalkPhase(v, kRobotLeadMs[i]));
}

void QueueBlended(int32_t blend, Mesh* mesh) {
    QueueCommand(blend);
    QueueMesh(mesh);
    QueueCommand(BlendOpaque);
}

const CameraPose* RoadCamera(int32_t type) {
    switch (type) {
    case kSceneRoadFirst:
        return &kRoadFirstCamera;
    case kSceneRoadMiddle:
        return &kRoadMiddleCamera;
    case kSceneRoadLong:
        return &kRoadLongCamera;
    default:
        return nullptr;
    }
}

} // namespace

float TreeSpectrumLevel() {
    return SpectrumLevel(SpectrumBand(kSpectrumLowHz, kSpectrumHighHz));
}

void CityScene(int32_t d) {
    ClearToColor(kCityBackground);
    QueueMesh(&city);
    ShowTreeWithSpectrum();
    QueueCommand(SphereMapOn);
    QueueMesh(&tree);
    QueueCommand(SphereMapOff);

    if (TitleShown(d)) {
        PlaceMesh(&title, 0, 0, 0, -TitleSwing(d), 0, 0);
        QueueBlended(BlendMultiply, &title);
    }

    if (CityTurnShown(d)) {
        const float u = CityTurnPhase(d);
        const float turn = CityTurnAngle(u);
        TurnAboutY(&city, turn);
        TurnAboutY(&cityRibbons, turn);
        TurnAboutY(&balls, turn);
        if (CityBallsShown(u)) {
            QueueMesh(&balls);
            QueueCommand(SphereMapOn);
            QueueCommand(BlendAdditive);
            QueueCommand(EnvTextureOn);
            QueueMesh(&balls);
            QueueCommand(SphereMapOff);
            QueueCommand(EnvTextureOff);
            QueueCommand(BlendOpaque);
        }
        if (CityRibbonsShown(u)) {
            ShowMeshFrame(&cityRibbons, u);
            QueueBlended(BlendAlpha, &cityRibbons);
        }
    }

    PoseCamera(kCityCamera, CityCameraZ(d));
}

void RoadScene(int32_t type, bool entered, int32_t d, int32_t t) {
    const CameraPose* pose = RoadCamera(type);
    if (entered && pose) PoseCamera(*pose, pose->z);

    const int32_t v = BeatLockedTime(t);
    ClearToColor(BarColour(t));

    QueueMesh(&road2);
    QueueMesh(&road1);
    const float roll = RoadRoll(v);
    PlaceMesh(&road2, kRoad2.x, kRoad2.y, kRoad2.z, kRoad2.yaw, kRoad2.pitch, roll);
    PlaceMesh(&road1, kRoad1.x, kRoad1.y, kRoad1.z, kRoad1.yaw, kRoad1.pitch, roll);

    QueueRobotGroup();
    for (int i = 0; i < 3; ++i) Place(kRobots[i], kRoadRobots[i]);
    WalkRobots(v);

    const float k = RibbonRollOffset(d);
    QueueCommand(BlendAlpha);
    QueueMesh(&ribbons);
    ShowMeshFrame(&ribbons, RibbonFrame(k));
    PlaceMesh(&ribbons, 0, 0, 0, 0, kRoadRibbonPitch, kRoadRibbonRoll + k);
    QueueCommand(BlendOpaque);
}

void CreditsScene(bool entered, int32_t d, int32_t t) {
    ClearToColor(kCreditsBackground);
    if (entered) PoseCamera(kCreditsCamera, kCreditsCamera.z);

    ShowTreeWithSpectrum();
    QueueTreePattern();

    const float f = CreditsTurn(d);
    TurnAboutY(&credits, f);
    TurnAboutY(&greetings, f);
    TurnAboutY(&tree, f);
    TurnAboutY(&city, f);
    if (CreditsShown(f)) QueueBlended(BlendMultiply, &credits);
    if (GreetingsShown(f)) QueueBlended(BlendMultiply, &greetings);

    const int32_t v = BeatLockedTime(t);
    QueueRobotGroup();
    float sinTheta = 0.0f, cosTheta = 0.0f;
    RobotSway(t, v, &sinTheta, &cosTheta);
    for (int i = 0; i < 3; ++i) {
        const float r = kCreditsRobotDistance[i];
        PlaceMesh(kRobots[i], r * sinTheta, 0, r * cosTheta, kCreditsRobotYaw, 0, 0);
    }
    WalkRobots(v);
}

void FinaleScene(bool entered, int32_t d) {
    ClearToColor(kFinaleBackground);
    if (entered) PoseCamera(kFinaleCamera, kFinaleCamera.z);

    ShowTreeWithSpectrum();
    QueueTreePattern();

    // Only the turn: position, pitch and roll stay as the credits left them.
    city.yaw = FinaleYaw(d);
    tree.yaw = FinaleYaw(d);

    QueueBlended(BlendAlpha, &ribbons);
    ShowMeshFrame(&ribbons, FinaleRibbonFrame(d));
    Place(&ribbons, kFinaleRibbons);
}
