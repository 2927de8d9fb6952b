// How a die lies: six face slots for the rules and a 4 x 4 matrix for the
// drawing, which only ever change together.
#pragma once

#include <cstdint>

// Four floats in a block of their own. Never copied.
struct Vec4 {
    float* v;

    Vec4();  // values unset
    Vec4(float x, float y, float z, float w);
    ~Vec4();
    Vec4(const Vec4&) = delete;
    Vec4& operator=(const Vec4&) = delete;

    void Set(float x, float y, float z, float w);
    void ScaleXYZ(float s);  // the first three components
    float operator[](int i) const { return v[i]; }
};

// Sixteen floats, column-major (e[4c + r] is row r, column c), as OpenGL's
// matrix calls take them, in a block of their own. Never copied. Products
// and rotations use two blocks shared by all matrices, kept while any
// matrix lives, so they allocate nothing.
struct Matrix4 {
    float* e;

    static float* ProductScratch;
    static float* RotationScratch;
    static int LiveMatrixCount;

    Matrix4();  // values unset
    ~Matrix4();
    Matrix4(const Matrix4&) = delete;
    Matrix4& operator=(const Matrix4&) = delete;

    static void SetIdentity(float* m);
    void MultiplyInPlace(const float* b);  // this = this x b; the blocks change places
    void RotateAboutX(float degrees);      // about the board's x axis, after all earlier turns
    void RotateAboutY(float degrees);
};

void MakeRotationX(float* m, float degrees);
void MakeRotationY(float* m, float degrees);
void MultiplyMatrices(const float* a, const float* b, float* out);

// (x angle, y angle, 0, 1) in degrees of the quarter turn a die makes
// tipping over in a Direction; (0, 0, 0, 1) for anything else.
Vec4 DirectionAngles(int direction);

// For each Direction, the four slots whose values move one place left when
// the die tips that way. Filled at start-up, before any die turns.
extern const int32_t* FaceCycleTable[4];
void FillFaceCycleTable();

// Tips a die over in Direction 0..3: its slots cycle and its matrix turns.
void TurnDie(int32_t faces[6], Matrix4& orientation, int direction);
