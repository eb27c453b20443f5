// 4x4 matrices on the CPU, worked out as the GL 1.1 matrix calls work them out (column-major,
// single precision, the same operations in the same order), for drawing with shaders where
// there is no matrix stack.
#pragma once

struct Mat4 {
    float m[16]; // column-major: m[column * 4 + row]
};

Mat4 IdentityMatrix();
// a times b.
Mat4 MatrixProduct(const Mat4& a, const Mat4& b);
// Each multiplies m on the right, as glFrustum, glOrtho, glRotatef, glTranslatef and glScalef
// multiply the current matrix.
void MultiplyFrustum(Mat4* m, double left, double right, double bottom, double top, double zNear,
                     double zFar);
void MultiplyOrtho(Mat4* m, double left, double right, double bottom, double top, double zNear,
                   double zFar);
void MultiplyRotation(Mat4* m, float degrees, float x, float y, float z);
void MultiplyTranslation(Mat4* m, float x, float y, float z);
void MultiplyScale(Mat4* m, float x, float y, float z);
