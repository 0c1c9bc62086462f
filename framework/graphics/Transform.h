// Zest::Matrix3 (row-major 3x3, column vectors) and Zest::Transform, a 2D transform that stays in simple
// parts (translation, rotation or scale) until a full matrix is needed.
#pragma once

namespace Zest
{

struct Matrix3
{
    // m[row][column]; a point (x, y) maps to (m00 x + m01 y + m02, m10 x + m11 y + m12).
    float m[3][3];

    Matrix3() { LoadIdentity(); }

    void LoadIdentity();
    // left x right.
    static Matrix3 Multiply(const Matrix3& left, const Matrix3& right);
    Matrix3 operator*(const Matrix3& right) const { return Multiply(*this, right); }

    void TransformPoint(float& x, float& y) const;
    void TransformVector(float& x, float& y, float& z) const;

    // Each replaces the matrix by X x matrix, so it applies after whatever the matrix did already.
    void Translate(float tx, float ty);
    // Positive angles (radians) turn the picture anticlockwise on a y-down screen.
    void Rotate(float angle);
    void Scale(float sx, float sy);
};

class Transform
{
public:
    Transform() = default;

    void RotateRad(float angle);
    void RotateDeg(float degrees);
    void Scale(float sx, float sy);
    void MakeComplex();
    void CalcMatrix();
    const Matrix3& GetMatrix();

    void SetPreTranslation(float x, float y);
    void SetPostTranslation(float x, float y);

    bool IsComplex() const { return mComplex; }
    bool HasRotation() const { return mHaveRot; }
    bool HasScale() const { return mHaveScale; }
    float GetPreTranslationX() const { return mPreTransX; }
    float GetPreTranslationY() const { return mPreTransY; }
    float GetPostTranslationX() const { return mPostTransX; }
    float GetPostTranslationY() const { return mPostTransY; }
    float GetScaleX() const { return mScaleX; }
    float GetScaleY() const { return mScaleY; }
    float GetRotation() const { return mRot; }

private:
    Matrix3 mMatrix;
    bool mNeedCalcMatrix = true;
    bool mComplex = false;
    bool mHaveRot = false;
    bool mHaveScale = false;
    float mPreTransX = 0, mPreTransY = 0;
    float mPostTransX = 0, mPostTransY = 0;
    float mScaleX = 1.0f, mScaleY = 1.0f;
    float mRot = 0;
};

} // namespace Zest
