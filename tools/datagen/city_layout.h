// The plan of the round city, shared by its mesh and by the ground painted into its texture.
// The city is centred on the origin with its ground at y = 0. Three ring streets carry the
// robots of the credits scene (they stand 250, 350 and 450 units out along +z), so those rings
// stay clear and the blocks between them stay low.
#pragma once

constexpr float kCityRadius = 570.0f;
constexpr float kCityRimDepth = 24.0f; // the disc's edge drops this far below the ground
constexpr float kPlazaRadius = 118.0f; // open ground around the tree
constexpr int kAvenueCount = 8;        // radial streets
constexpr float kAvenueHalfWidth = 16.0f;

// Ring streets: centre radius and half width.
constexpr int kRingStreetCount = 3;
constexpr float kRingStreets[kRingStreetCount][2] = {{250, 30}, {350, 30}, {450, 30}};

// Rings of blocks: inner and outer radius, lowest and highest building.
struct BlockRing {
    float inner, outer, minHeight, maxHeight;
    int lots; // building lots around the ring
};
constexpr int kBlockRingCount = 4;
constexpr BlockRing kBlockRings[kBlockRingCount] = {
    {128, 214, 90, 150, 18}, // towers round the plaza, below the credit panels as seen
    {284, 316, 22, 48, 26},  // low rows between the robots' streets
    {384, 416, 22, 48, 34},
    {486, 556, 45, 140, 40}, // the outer ring, seen first from outside
};

// Where the ground square of the city texture maps: world x, z in [-kGroundExtent, +].
constexpr float kGroundExtent = 580.0f;

// Regions of the city texture (1024 x 1024), in pixels.
constexpr int kCityTextureSize = 1024;
constexpr int kFacadeWidth = 256, kFacadeHeight = 512, kFacadeKinds = 4;
constexpr float kFacadeWorldWidth = 112.0f;  // 8 window columns
constexpr float kFacadeWorldHeight = 256.0f; // 16 floors
constexpr int kRoofX = 0, kRoofY = 512, kRoofSize = 256, kRoofKinds = 2;
constexpr int kRimX = 0, kRimY = 768, kRimWidth = 512, kRimHeight = 64;
constexpr int kGroundX = 512, kGroundY = 512, kGroundSize = 512;
