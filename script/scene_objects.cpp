#include "script/scene_objects.h"

Mesh city, tree, robot1, robot2, robot3, balls, road2, road1, ribbons, cityRibbons, title, credits,
    greetings;
int32_t loadingTexture = -1, dirtTexture = -1, whiteTexture = -1, envTexture = -1;

// Filled in by the scene set-up work.
void SetUpScenes() {}
void TearDownScenes() {}
