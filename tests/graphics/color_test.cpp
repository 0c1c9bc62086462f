// Tests of the drawing value types: Color, Rect/DRect, Matrix3 and Transform.
#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "graphics/Transform.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace Zest;

TEST(ColorTest, ConstructionRules)
{
    struct Case
    {
        Color c;
        int r, g, b, a;
    };
    const int rgb[3] = {1, 2, 3};
    const Case cases[] = {
        {Color(), 0, 0, 0, 255},
        {Color(10, 20, 30), 10, 20, 30, 255},
        {Color(10, 20, 30, 40), 10, 20, 30, 40},
        {Color(rgb), 1, 2, 3, 255},
        {Color(0), 0, 0, 0, 255}, // packed alpha byte 0 reads as opaque
        {Color(0x80102030u), 16, 32, 48, 128},
        {Color(0x00FF0000), 255, 0, 0, 255},
        {Color(0xFFFF0000u), 255, 0, 0, 255},
    };
    for (const Case& k : cases)
    {
        EXPECT_EQ(k.c.GetRed(), k.r);
        EXPECT_EQ(k.c.GetGreen(), k.g);
        EXPECT_EQ(k.c.GetBlue(), k.b);
        EXPECT_EQ(k.c.GetAlpha(), k.a);
    }
}

TEST(ColorTest, CopiesKeepAlphaAndPackUnsigned)
{
    const Color translucent(1, 2, 3, 128);
    Color copy = translucent;
    EXPECT_EQ(copy.mAlpha, 128);
    Color assigned;
    assigned = translucent;
    EXPECT_EQ(assigned, translucent);

    EXPECT_EQ(Color(0x12, 0x34, 0x56, 0x78).ToInt(), 0x78123456u);
    // Out-of-range components are packed as they stand, without undefined shifts.
    EXPECT_EQ(Color(0, 0, 0, -1).ToInt(), 0xFF000000u);
    EXPECT_EQ(Color(300, -5, 1000, 255).Clamped(), Color(255, 0, 255, 255));
    EXPECT_EQ(Color(12, 34, 56, 78).Clamped(), Color(12, 34, 56, 78));

    EXPECT_TRUE(Color(255, 255, 255).IsWhite());
    EXPECT_FALSE(Color(255, 255, 255, 254).IsWhite());
    EXPECT_NE(Color(1, 2, 3, 4), Color(1, 2, 3, 5));
}

TEST(RectTest, Intersection)
{
    struct Case
    {
        Rect a, b, expected;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {10, 0, 5, 5}, {10, 0, 0, 5}}, // touching: zero width keeps the position
        {{0, 0, 10, 10}, {11, 0, 5, 5}, {0, 0, 0, 0}},
        {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
        {{-5, -5, 10, 10}, {0, 0, 10, 10}, {0, 0, 5, 5}},
        // Edges near the int limits must not overflow.
        {{INT_MAX - 10, 0, INT_MAX, 10}, {INT_MAX - 5, 0, 100, 10}, {INT_MAX - 5, 0, 100, 10}},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 10, 10}, {0, 0, 0, 0}},
    };
    for (const Case& k : cases)
    {
        EXPECT_EQ(k.a.Intersection(k.b), k.expected) << k.a.mX << "," << k.a.mY << " x " << k.b.mX << "," << k.b.mY;
        EXPECT_EQ(k.b.Intersection(k.a), k.expected);
    }

    EXPECT_EQ(DRect(0, 0, 1.5, 1.5).Intersection(DRect(1, 1, 2, 2)), DRect(1, 1, 0.5, 0.5));
    EXPECT_EQ(DRect(0, 0, 1, 1).Intersection(DRect(1, 0.5, 2, 2)), DRect(1, 0.5, 0, 0.5));
    EXPECT_EQ(DRect(0, 0, 1, 1).Intersection(DRect(2, 0, 2, 2)), DRect());
}

TEST(Matrix3Test, OperationsApplyAfterEachOther)
{
    Matrix3 m;
    m.Translate(10, 0);
    m.Rotate(float(M_PI / 2));
    // Translate first, then rotate: (1, 0) -> (11, 0) -> rotated by +90 degrees: (0, -11).
    float x = 1, y = 0;
    m.TransformPoint(x, y);
    EXPECT_NEAR(x, 0.0f, 1e-4f);
    EXPECT_NEAR(y, -11.0f, 1e-4f);

    Matrix3 s;
    s.Scale(2, 3);
    s.Translate(1, 1);
    x = 1;
    y = 1;
    s.TransformPoint(x, y);
    EXPECT_FLOAT_EQ(x, 3.0f);
    EXPECT_FLOAT_EQ(y, 4.0f);

    const Matrix3 product = Matrix3::Multiply(s, m);
    float px = 1, py = 0, qx = 1, qy = 0;
    product.TransformPoint(px, py);
    m.TransformPoint(qx, qy);
    s.TransformPoint(qx, qy);
    EXPECT_NEAR(px, qx, 1e-4f);
    EXPECT_NEAR(py, qy, 1e-4f);
}

TEST(TransformTest, SimpleOrComplex)
{
    {
        Transform t;
        t.RotateDeg(90);
        t.Scale(2, 2);
        EXPECT_TRUE(t.IsComplex());
    }
    {
        Transform t;
        t.Scale(2, 2);
        t.RotateRad(0.3f);
        EXPECT_TRUE(t.IsComplex());
    }
    {
        Transform t;
        t.RotateRad(0.25f);
        t.RotateRad(0.5f);
        EXPECT_FALSE(t.IsComplex());
        EXPECT_FLOAT_EQ(t.GetRotation(), 0.75f);
    }
    {
        Transform t;
        t.Scale(-1, 1);
        EXPECT_FALSE(t.IsComplex());
        EXPECT_FLOAT_EQ(t.GetScaleX(), -1.0f);
        t.Scale(-1, 1);
        EXPECT_TRUE(t.IsComplex());
    }
    {
        Transform t;
        t.SetPreTranslation(1, 0);
        t.Scale(2, 2); // a pre-translated scale needs the matrix
        EXPECT_TRUE(t.IsComplex());
    }
}

TEST(TransformTest, CalcMatrixMapsImageCentre)
{
    // An image of 40x20 rotated about its centre and placed at (100, 50): the centre lands on (100, 50) and
    // the top-left corner turns with it.
    Transform t;
    t.SetPreTranslation(-20, -10);
    t.RotateDeg(90);
    t.SetPostTranslation(100, 50);
    const Matrix3& m = t.GetMatrix();
    float x = 20, y = 10;
    m.TransformPoint(x, y);
    EXPECT_NEAR(x, 100.0f, 1e-3f);
    EXPECT_NEAR(y, 50.0f, 1e-3f);
    x = 0;
    y = 0;
    m.TransformPoint(x, y);
    // (-20, -10) rotated anticlockwise on screen by 90 degrees: (-10, 20).
    EXPECT_NEAR(x, 90.0f, 1e-3f);
    EXPECT_NEAR(y, 70.0f, 1e-3f);

    Transform s;
    s.Scale(2, 3);
    s.SetPostTranslation(5, 6);
    x = 1;
    y = 1;
    s.GetMatrix().TransformPoint(x, y);
    EXPECT_FLOAT_EQ(x, 7.0f);
    EXPECT_FLOAT_EQ(y, 9.0f);
}
