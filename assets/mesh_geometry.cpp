#include "assets/mesh_geometry.h"

// Placeholders until the geometry operations land.
void Vec3Sub(Vec3*, const Vec3*, const Vec3*) {}
void Vec3Add(Vec3*, const Vec3*, const Vec3*) {}
void Vec3Cross(Vec3*, const Vec3*, const Vec3*) {}
void Vec3Normalize(Vec3*) {}
void ComputeMeshNormals(Mesh*) {}
void ScaleMesh(Mesh*, float) {}
void PlaceMesh(Mesh*, float, float, float, float, float, float) {}
void InterpolateMeshFrame(Mesh*, float) {}
