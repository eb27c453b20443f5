// The thirteen scene objects and four texture slot variables, loaded once before the show.
#pragma once
#include <cstdint>
#include "assets/mesh.h"

extern Mesh city, tree, robot1, robot2, robot3, balls, road2, road1, ribbons, cityRibbons, title,
    credits, greetings;
extern int32_t loadingTexture, dirtTexture, whiteTexture, envTexture;

void SetUpScenes();
void TearDownScenes();
