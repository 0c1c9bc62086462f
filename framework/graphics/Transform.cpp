// Matrix3 arithmetic and the lazily composed Transform.
#include "graphics/Transform.h"

#include <cmath>

namespace Zest
{

void Matrix3::LoadIdentity()
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = (r == c) ? 1.0f : 0.0f;
}

Matrix3 Matrix3::Multiply(const Matrix3& left, const Matrix3& right)
{
    Matrix3 out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[r][c] = left.m[r][0] * right.m[0][c] + left.m[r][1] * right.m[1][c] + left.m[r][2] * right.m[2][c];
    return out;
}

void Matrix3::TransformPoint(float& x, float& y) const
{
    const float nx = m[0][0] * x + m[0][1] * y + m[0][2];
    const float ny = m[1][0] * x + m[1][1] * y + m[1][2];
    x = nx;
    y = ny;
}

void Matrix3::TransformVector(float& x, float& y, float& z) const
{
    const float nx = m[0][0] * x + m[0][1] * y + m[0][2] * z;
    const float ny = m[1][0] * x + m[1][1] * y + m[1][2] * z;
    const float nz = m[2][0] * x + m[2][1] * y + m[2][2] * z;
    x = nx;
    y = ny;
    z = nz;
}

void Matrix3::Translate(float tx, float ty)
{
    Matrix3 t;
    t.m[0][2] = tx;
    t.m[1][2] = ty;
    *this = Multiply(t, *this);
}

void Matrix3::Rotate(float angle)
{
    Matrix3 r;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    *this = Multiply(r, *this);
}

void Matrix3::Scale(float sx, float sy)
{
    Matrix3 s;
    s.m[0][0] = sx;
    s.m[1][1] = sy;
    *this = Multiply(s, *this);
}

void Transform::RotateRad(float angle)
{
    if (mComplex)
    {
        mMatrix.Rotate(angle);
    }
    else if (!mHaveScale)
    {
        mNeedCalcMatrix = true;
        mHaveRot = true;
        mRot += angle;
    }
    else
    {
        MakeComplex();
        mMatrix.Rotate(angle);
    }
}

void Transform::RotateDeg(float degrees)
{
    RotateRad(degrees * 3.1415927f / 180.0f);
}

void Transform::Scale(float sx, float sy)
{
    const bool simple = !mComplex && !mHaveRot && mPreTransX == 0.0f && mPreTransY == 0.0f && sy >= 0.0f &&
                        (sx >= 0.0f || mScaleX * sx == -1.0f);
    if (simple)
    {
        mNeedCalcMatrix = true;
        mHaveScale = true;
        mScaleX *= sx;
        mScaleY *= sy;
    }
    else
    {
        MakeComplex();
        mMatrix.Scale(sx, sy);
    }
}

void Transform::MakeComplex()
{
    if (!mComplex)
    {
        mComplex = true;
        CalcMatrix();
    }
}

void Transform::CalcMatrix()
{
    if (!mNeedCalcMatrix) return;
    mNeedCalcMatrix = false;
    mMatrix.LoadIdentity();
    mMatrix.m[0][2] = mPreTransX;
    mMatrix.m[1][2] = mPreTransY;
    mMatrix.m[2][2] = 1.0f;
    if (mHaveScale)
    {
        mMatrix.m[0][0] = mScaleX;
        mMatrix.m[1][1] = mScaleY;
    }
    else if (mHaveRot)
    {
        mMatrix.Rotate(mRot);
    }
    if (mPostTransX != 0.0f || mPostTransY != 0.0f) mMatrix.Translate(mPostTransX, mPostTransY);
}

const Matrix3& Transform::GetMatrix()
{
    CalcMatrix();
    return mMatrix;
}

void Transform::SetPreTranslation(float x, float y)
{
    mPreTransX = x;
    mPreTransY = y;
    if (!mComplex) mNeedCalcMatrix = true;
}

void Transform::SetPostTranslation(float x, float y)
{
    mPostTransX = x;
    mPostTransY = y;
    if (!mComplex) mNeedCalcMatrix = true;
}

} // namespace Zest
