#include "swf/format/types.h"

#include <gtest/gtest.h>

using namespace swf;

TEST(Twips, ConvertsToPixelsInOnePlace)
{
    EXPECT_DOUBLE_EQ(Twips(20).toPixels(), 1.0);
    EXPECT_DOUBLE_EQ(Twips(-30).toPixels(), -1.5);
    EXPECT_EQ(Twips::fromPixels(550), Twips(11000));
    EXPECT_EQ(Twips::fromPixels(0.026), Twips(1)); // rounds to the nearest twip
    EXPECT_EQ(Twips(5) + Twips(7) - Twips(2), Twips(10));
    EXPECT_LT(Twips(-1), Twips(0));
}

TEST(Rect, SizesAndEmptiness)
{
    const Rect r{Twips(100), Twips(300), Twips(-50), Twips(50)};
    EXPECT_EQ(r.width(), Twips(200));
    EXPECT_EQ(r.height(), Twips(100));
    EXPECT_FALSE(r.isEmpty());
    EXPECT_TRUE((Rect{Twips(5), Twips(5), Twips(0), Twips(10)}.isEmpty()));
}

TEST(Matrix, AppliesScaleSkewThenTranslation)
{
    Matrix m;
    m.scaleX = 2;
    m.scaleY = 3;
    m.rotateSkew0 = 0.5; // x feeds y
    m.rotateSkew1 = 0.25; // y feeds x
    m.translateX = Twips(100);
    m.translateY = Twips(-40);
    const PointF p = m.apply(10, 20);
    EXPECT_DOUBLE_EQ(p.x, 10 * 2 + 20 * 0.25 + 100);
    EXPECT_DOUBLE_EQ(p.y, 10 * 0.5 + 20 * 3 - 40);
}

TEST(Matrix, ProductAppliesChildFirst)
{
    const Matrix parent = Matrix::translation(Twips(1000), Twips(0));
    const Matrix child = Matrix::scale(2, 2);
    const Point p = (parent * child).apply(Point{Twips(10), Twips(10)});
    EXPECT_EQ(p, (Point{Twips(1020), Twips(20)})); // scaled, then moved
    const Point q = (child * parent).apply(Point{Twips(10), Twips(10)});
    EXPECT_EQ(q, (Point{Twips(2020), Twips(20)})); // moved, then scaled
}

TEST(Matrix, InverseUndoesTransformAndSingularGivesIdentity)
{
    Matrix m;
    m.scaleX = 0.5;
    m.scaleY = 4;
    m.rotateSkew0 = 1;
    m.rotateSkew1 = -0.5;
    m.translateX = Twips(300);
    m.translateY = Twips(-200);
    const Point p{Twips(123), Twips(-456)};
    const Point back = m.inverted().apply(m.apply(p));
    EXPECT_NEAR(back.x.get(), p.x.get(), 1);
    EXPECT_NEAR(back.y.get(), p.y.get(), 1);
    EXPECT_TRUE(Matrix::scale(0, 1).inverted().isIdentity());
}

TEST(ColorTransform, AppliesAndClampsEveryChannel)
{
    ColorTransform t;
    t.rMult = 2;
    t.gAdd = -300;
    t.bMult = 0.5;
    t.bAdd = 10;
    t.aMult = 0.5;
    const Rgba out = t.apply(Rgba{200, 100, 100, 255});
    EXPECT_EQ(out, (Rgba{255, 0, 60, 127}));
    EXPECT_EQ(ColorTransform().apply(Rgba{1, 2, 3, 4}), (Rgba{1, 2, 3, 4}));
}

TEST(ColorTransform, ProductAppliesChildFirst)
{
    ColorTransform parent;
    parent.rMult = 0.5;
    parent.rAdd = 20;
    ColorTransform child;
    child.rMult = 2;
    child.rAdd = 10;
    const Rgba c{50, 0, 0, 255};
    const Rgba combined = (parent * child).apply(c);
    EXPECT_EQ(combined.r, parent.apply(child.apply(c)).r); // (50*2+10)*0.5+20 = 75
    EXPECT_EQ(combined.r, 75);
}
