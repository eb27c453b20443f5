// Normals, scaling, placement and frame blending on loaded meshes, and the vector helpers.
#pragma once
#include "assets/mesh.h"

constexpr float kDegreesToRadians = 0.017453292f;

void Vec3Sub(Vec3* out, const Vec3* a, const Vec3* b);
void Vec3Add(Vec3* out, const Vec3* a, const Vec3* b);
void Vec3Cross(Vec3* out, const Vec3* a, const Vec3* b);
void Vec3Normalize(Vec3* v);

void ComputeMeshNormals(Mesh* mesh);
void ScaleMesh(Mesh* mesh, float factor);
void PlaceMesh(Mesh* mesh, float x, float y, float z, float yaw, float pitch, float roll);
void InterpolateMeshFrame(Mesh* mesh, float framePosition);
