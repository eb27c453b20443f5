// The thirteen scene objects and four texture slot variables, loaded once before the show.
#pragma once
#include <cstdint>
#include "assets/mesh.h"

extern Mesh city, tree, robot1, robot2, robot3, balls, road2, road1, ribbons, cityRibbons, title,
    credits, greetings;
extern int32_t loadingTexture, dirtTexture, whiteTexture, envTexture;

constexpr float kRobotScale = 1.5f;
constexpr float kRibbonScale = 1.2f;

// Loads the loading picture unless it is loaded, draws it over the frame and presents it. The
// web page shows it while its files arrive, before SetUpScenes can read them.
void ShowLoadingPicture();
void SetUpScenes();
void TearDownScenes();
// Every scene object back at the placement set-up leaves it in: at the origin, unturned.
void ResetScenePlacements();
// The object's variable name ("robot2"), or "mesh" for anything else; used in reports.
const char* SceneObjectName(const Mesh* mesh);
