#include "render/orientation.h"

#include <cmath>
#include <utility>

float* Matrix4::ProductScratch = nullptr;
float* Matrix4::RotationScratch = nullptr;
int Matrix4::LiveMatrixCount = 0;

const int32_t* FaceCycleTable[4];

namespace {

// The four rows in the order they are stored; FillFaceCycleTable says which
// Direction each one serves.
const int32_t FaceCycleRows[4][4] = {{4, 0, 5, 1}, {4, 1, 5, 0}, {4, 2, 5, 3}, {4, 3, 5, 2}};

// Angle in radians, cosine and sine, each rounded once to a float from
// double-precision work.
void AngleCosSin(float degrees, float& c, float& s) {
    float a = static_cast<float>(static_cast<double>(degrees) * 0.0055555557f * 3.1415927f);
    c = static_cast<float>(std::cos(static_cast<double>(a)));
    s = static_cast<float>(std::sin(static_cast<double>(a)));
}

}  // namespace

Vec4::Vec4() : v(new float[4]) {}

Vec4::Vec4(float x, float y, float z, float w) : v(new float[4]) { Set(x, y, z, w); }

Vec4::~Vec4() { delete[] v; }

void Vec4::Set(float x, float y, float z, float w) {
    v[0] = x;
    v[1] = y;
    v[2] = z;
    v[3] = w;
}

void Vec4::ScaleXYZ(float s) {
    v[0] *= s;
    v[1] *= s;
    v[2] *= s;
}

Matrix4::Matrix4() {
    if (LiveMatrixCount++ == 0) {
        ProductScratch = new float[16];
        RotationScratch = new float[16];
    }
    e = new float[16];
}

Matrix4::~Matrix4() {
    delete[] e;
    if (--LiveMatrixCount == 0) {
        delete[] ProductScratch;
        delete[] RotationScratch;
        ProductScratch = RotationScratch = nullptr;
    }
}

void Matrix4::SetIdentity(float* m) {
    for (int k = 0; k < 16; ++k) m[k] = 0.0f;
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void Matrix4::MultiplyInPlace(const float* b) {
    MultiplyMatrices(e, b, ProductScratch);
    std::swap(e, ProductScratch);
}

void Matrix4::RotateAboutX(float degrees) {
    MakeRotationX(RotationScratch, degrees);
    MultiplyInPlace(RotationScratch);
}

void Matrix4::RotateAboutY(float degrees) {
    MakeRotationY(RotationScratch, degrees);
    MultiplyInPlace(RotationScratch);
}

// Stored transposed: the product below multiplies by b's transpose from the
// left, so the two cancel and the turn is the usual right-handed one.
void MakeRotationX(float* m, float degrees) {
    float c, s;
    AngleCosSin(degrees, c, s);
    Matrix4::SetIdentity(m);
    m[5] = c;
    m[9] = s;
    m[6] = -s;
    m[10] = c;
}

void MakeRotationY(float* m, float degrees) {
    float c, s;
    AngleCosSin(degrees, c, s);
    Matrix4::SetIdentity(m);
    m[0] = c;
    m[2] = s;
    m[8] = -s;
    m[10] = c;
}

// out[4i + j] = sum over k of a[4i + k] * b[4j + k]. Each product of two
// floats is exact in double; the running sum is rounded to a float after
// every addition.
void MultiplyMatrices(const float* a, const float* b, float* out) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum = static_cast<float>(static_cast<double>(sum) +
                                         static_cast<double>(a[4 * i + k]) * b[4 * j + k]);
            out[4 * i + j] = sum;
        }
}

Vec4 DirectionAngles(int direction) {
    switch (direction) {
        case 0: return Vec4(-90.0f, 0.0f, 0.0f, 1.0f);
        case 1: return Vec4(90.0f, 0.0f, 0.0f, 1.0f);
        case 2: return Vec4(0.0f, -90.0f, 0.0f, 1.0f);
        case 3: return Vec4(0.0f, 90.0f, 0.0f, 1.0f);
        default: return Vec4(0.0f, 0.0f, 0.0f, 1.0f);
    }
}

void FillFaceCycleTable() {
    FaceCycleTable[0] = FaceCycleRows[1];
    FaceCycleTable[1] = FaceCycleRows[0];
    FaceCycleTable[2] = FaceCycleRows[3];
    FaceCycleTable[3] = FaceCycleRows[2];
}

void TurnDie(int32_t faces[6], Matrix4& orientation, int direction) {
    if (direction < 0 || direction > 3) return;  // no such turn
    const int32_t* row = FaceCycleTable[direction];
    int32_t first = faces[row[0]];
    faces[row[0]] = faces[row[1]];
    faces[row[1]] = faces[row[2]];
    faces[row[2]] = faces[row[3]];
    faces[row[3]] = first;
    Vec4 angles = DirectionAngles(direction);
    orientation.RotateAboutX(angles[0]);
    orientation.RotateAboutY(angles[1]);
}
