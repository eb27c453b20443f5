// A small stand-in for the show's data set: every file the scene set-up opens, with plain
// coloured pictures and box-shaped meshes, written by the tests into a scratch folder.
#pragma once
#include <string>

struct ShowDataOptions {
    int walkFrames = 32;  // "data/botwalk.baf"
    int treeFrames = 2;   // "data/arbre.baf"
    int ribbonFrames = 2; // "data/ribbonz.baf" and "data/city_rbnz.baf"
};

// A dark grey square in the dirt picture, texels 384 to 447 each way (screen pixels about 600 to
// 700 across, 450 to 525 down), away from the edges that wrap; white everywhere else, so the
// multiply leaves the rest of the frame unchanged.
constexpr int kDirtSpotFirstTexel = 384;
constexpr int kDirtSpotEndTexel = 448;
constexpr int kDirtSpotValue = 128;

// Writes <dir>/data/... .
void WriteShowDataSet(const std::string& dir, const ShowDataOptions& options = {});
// A show set up afresh on the test display: scenes torn down, a new folder (with the data set,
// or without) made the working folder so "data/..." resolves there, the scenes set up from it,
// the draw list and the timeline as before the first frame. *dir, when given, gets the folder.
void LoadShowDataSet(const ShowDataOptions& options = {}, bool withData = true,
                     std::string* dir = nullptr);
