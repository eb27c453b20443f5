#include "render/matrix.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

float& At(Mat4* m, int row, int column) {
    return m->m[column * 4 + row];
}

float At(const Mat4& m, int row, int column) {
    return m.m[column * 4 + row];
}

// Row by row, each element summed left to right, as the GL library multiplies.
void MultiplyBy(Mat4* m, const Mat4& right) {
    const Mat4 a = *m;
    for (int i = 0; i < 4; ++i) {
        const float a0 = At(a, i, 0), a1 = At(a, i, 1), a2 = At(a, i, 2), a3 = At(a, i, 3);
        for (int j = 0; j < 4; ++j)
            At(m, i, j) = a0 * At(right, 0, j) + a1 * At(right, 1, j) + a2 * At(right, 2, j) +
                          a3 * At(right, 3, j);
    }
}

} // namespace

Mat4 IdentityMatrix() {
    Mat4 m = {};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

Mat4 MatrixProduct(const Mat4& a, const Mat4& b) {
    Mat4 product = a;
    MultiplyBy(&product, b);
    return product;
}

void MultiplyFrustum(Mat4* m, double left, double right, double bottom, double top, double zNear,
                     double zFar) {
    // The double arguments arrive as floats, as glFrustum hands them on.
    const float l = static_cast<float>(left), r = static_cast<float>(right);
    const float b = static_cast<float>(bottom), t = static_cast<float>(top);
    const float n = static_cast<float>(zNear), f = static_cast<float>(zFar);
    Mat4 frustum = {};
    At(&frustum, 0, 0) = (2.0f * n) / (r - l);
    At(&frustum, 1, 1) = (2.0f * n) / (t - b);
    At(&frustum, 0, 2) = (r + l) / (r - l);
    At(&frustum, 1, 2) = (t + b) / (t - b);
    At(&frustum, 2, 2) = -(f + n) / (f - n);
    At(&frustum, 2, 3) = -(2.0f * f * n) / (f - n);
    At(&frustum, 3, 2) = -1.0f;
    MultiplyBy(m, frustum);
}

void MultiplyOrtho(Mat4* m, double left, double right, double bottom, double top, double zNear,
                   double zFar) {
    const float l = static_cast<float>(left), r = static_cast<float>(right);
    const float b = static_cast<float>(bottom), t = static_cast<float>(top);
    const float n = static_cast<float>(zNear), f = static_cast<float>(zFar);
    Mat4 ortho = IdentityMatrix();
    At(&ortho, 0, 0) = 2.0f / (r - l);
    At(&ortho, 0, 3) = -(r + l) / (r - l);
    At(&ortho, 1, 1) = 2.0f / (t - b);
    At(&ortho, 1, 3) = -(t + b) / (t - b);
    At(&ortho, 2, 2) = -2.0f / (f - n);
    At(&ortho, 2, 3) = -(f + n) / (f - n);
    MultiplyBy(m, ortho);
}

// Turns about one axis are written out as such, the general axis through the rotation formula.
void MultiplyRotation(Mat4* m, float degrees, float x, float y, float z) {
    if (degrees == 0.0f) return;
    const float s = sinf(static_cast<float>(degrees * kPi / 180.0));
    const float c = cosf(static_cast<float>(degrees * kPi / 180.0));
    Mat4 r = IdentityMatrix();
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        At(&r, 0, 0) = c;
        At(&r, 1, 1) = c;
        At(&r, 0, 1) = z < 0.0f ? s : -s;
        At(&r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        At(&r, 0, 0) = c;
        At(&r, 2, 2) = c;
        At(&r, 0, 2) = y < 0.0f ? -s : s;
        At(&r, 2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        At(&r, 1, 1) = c;
        At(&r, 2, 2) = c;
        At(&r, 1, 2) = x < 0.0f ? s : -s;
        At(&r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float length = sqrtf(x * x + y * y + z * z);
        if (length <= 1.0e-4f) return; // no axis: no turn
        x /= length;
        y /= length;
        z /= length;
        const float oneMinusC = 1.0f - c;
        At(&r, 0, 0) = (oneMinusC * x * x) + c;
        At(&r, 0, 1) = (oneMinusC * x * y) - z * s;
        At(&r, 0, 2) = (oneMinusC * z * x) + y * s;
        At(&r, 1, 0) = (oneMinusC * x * y) + z * s;
        At(&r, 1, 1) = (oneMinusC * y * y) + c;
        At(&r, 1, 2) = (oneMinusC * y * z) - x * s;
        At(&r, 2, 0) = (oneMinusC * z * x) - y * s;
        At(&r, 2, 1) = (oneMinusC * y * z) + x * s;
        At(&r, 2, 2) = (oneMinusC * z * z) + c;
    }
    MultiplyBy(m, r);
}

void MultiplyTranslation(Mat4* m, float x, float y, float z) {
    float* e = m->m;
    e[12] = e[0] * x + e[4] * y + e[8] * z + e[12];
    e[13] = e[1] * x + e[5] * y + e[9] * z + e[13];
    e[14] = e[2] * x + e[6] * y + e[10] * z + e[14];
    e[15] = e[3] * x + e[7] * y + e[11] * z + e[15];
}

void MultiplyScale(Mat4* m, float x, float y, float z) {
    float* e = m->m;
    for (int row = 0; row < 4; ++row) {
        e[row] *= x;
        e[4 + row] *= y;
        e[8 + row] *= z;
    }
}
