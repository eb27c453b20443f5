// Everything the generator makes, one function per data file, and the whole set at once.
#pragma once
#include <string>
#include "tools/datagen/gen_common.h"

// Pictures (sizes fixed by their file names).
Picture MakeLoadingPicture();   // 512 x 512
Picture MakeDirtPicture();      // 512 x 512
Picture MakeWhitePicture();     // 32 x 32
Picture MakeCityPicture();      // 1024 x 1024
Picture MakeEnvPicture();       // 128 x 128
Picture MakeRobotPicture();     // 256 x 256
Picture MakeBallsPicture();     // 64 x 64
Picture MakeRoadPicture();      // 1024 x 1024
Picture MakeRibbonPicture();    // 32 x 512
Picture MakeTitlePicture();     // 512 x 512
Picture MakeCreditsPicture();   // 512 x 256
Picture MakeGreetingsPicture(); // 256 x 512

// Meshes. Animated ones carry their frames in GenMesh::frameCount.
GenMesh MakeCityMesh();
GenMesh MakeTreeMesh();  // 2 frames: calm, then excited by the music
GenMesh MakeRobotMesh(); // 32 frames: one walk cycle
GenMesh MakeBallsMesh();
GenMesh MakeRoadMesh(int which); // 1 or 2
GenMesh MakeRibbonsMesh();       // 2 frames
GenMesh MakeCityRibbonsMesh();   // 2 frames
GenMesh MakeTitleMesh();
GenMesh MakeCreditsMesh();
GenMesh MakeGreetingsMesh();

// Writes every picture and mesh into dir (which must exist); false if any write failed.
bool WriteVisualData(const std::string& dir);
