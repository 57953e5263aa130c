#include "geometry/Intersection.h"
#include "geometry/Matrix3.h"
#include "geometry/Vector2.h"
#include "geometry/Vector3.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

Matrix3 fromRows(Vector3 r0, Vector3 r1, Vector3 r2) {
    Matrix3 m;
    m.setRow(0, r0.x, r0.y, r0.z);
    m.setRow(1, r1.x, r1.y, r1.z);
    m.setRow(2, r2.x, r2.y, r2.z);
    return m;
}

void expectProductIsIdentity(const Matrix3& a, const Matrix3& inverse) {
    for (int c = 0; c < 3; ++c) {
        Vector3 column(inverse.m[c], inverse.m[3 + c], inverse.m[6 + c]);
        Vector3 product = a.transform(column);
        for (int r = 0; r < 3; ++r) {
            float got = r == 0 ? product.x : (r == 1 ? product.y : product.z);
            EXPECT_NEAR(got, r == c ? 1.0f : 0.0f, 1e-5f) << "row " << r << " column " << c;
        }
    }
}

// The basis inverse of a triangle, built the way the terrain builds it: columns
// e1, e2 and their (unnormalised) cross product.
Matrix3 basisInverseOf(Vector3 p0, Vector3 p1, Vector3 p2) {
    Vector3 e1 = p1.minus(p0);
    Vector3 e2 = p2.minus(p0);
    Vector3 n = cross(e1, e2);
    Matrix3 b;
    b.setColumn(0, e1.x, e1.y, e1.z);
    b.setColumn(1, e2.x, e2.y, e2.z);
    b.setColumn(2, n.x, n.y, n.z);
    EXPECT_TRUE(b.invert());
    return b;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

} // namespace

// ---------------------------------------------------------------- vectors

TEST(VectorNormalize, ZeroVectorPointsStraightUp) {
    Vector3 v(0, 0, 0);
    v.normalize();
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(VectorNormalize, OrdinaryAndTinyVectorsAreDividedByTheirLength) {
    Vector3 v(0, 0, 5);
    v.normalize();
    EXPECT_FLOAT_EQ(v.z, 1.0f);
    EXPECT_EQ(v.x, 0.0f);

    // Only an exact zero length is special: a tiny vector is divided.
    Vector3 tiny(0.001f, 0, 0);
    tiny.normalize();
    EXPECT_FLOAT_EQ(tiny.x, 1.0f);
    EXPECT_EQ(tiny.y, 0.0f);

    Vector3 slanted(3, 4, 0);
    slanted.normalize();
    EXPECT_FLOAT_EQ(slanted.x, 0.6f);
    EXPECT_FLOAT_EQ(slanted.y, 0.8f);
}

TEST(VectorComponents, OutOfRangeIndexChangesNothing) {
    Vector3 v(1, 2, 3);
    v.setComponent(3, 9);
    v.setComponent(-1, 9);
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 2.0f);
    EXPECT_EQ(v.z, 3.0f);
    v.setComponent(2, 9);
    EXPECT_EQ(v.z, 9.0f);
}

TEST(VectorNearlyEquals, ToleranceIsPerComponentAndStrict) {
    Vector3 a(1, 2, 3);
    EXPECT_TRUE(a.nearlyEquals(Vector3(1.0005f, 2, 2.9995f)));
    EXPECT_FALSE(a.nearlyEquals(Vector3(1.01f, 2, 3)));
    EXPECT_FALSE(a.nearlyEquals(Vector3(1, 2, 3.5f)));
    EXPECT_FALSE(a.nearlyEquals(Vector3(1, 2, 2.5f)));
    // Not a distance test: three differences just under the tolerance still match.
    EXPECT_TRUE(a.nearlyEquals(Vector3(1.0009f, 2.0009f, 3.0009f)));
}

TEST(VectorArithmetic, DistanceAndCrossProduct) {
    EXPECT_FLOAT_EQ(Vector3(0, 0, 0).distanceTo(Vector3(3, 4, 0)), 5.0f);
    Vector3 c = cross(Vector3(1, 0, 0), Vector3(0, 1, 0));
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 1.0f);
    Vector3 d = Vector3(1, 2, 3).minus(Vector3(3, 2, 1));
    EXPECT_EQ(d.x, -2.0f);
    EXPECT_EQ(d.z, 2.0f);
}

// ---------------------------------------------------------------- invert

TEST(MatrixInvert, IdentityStaysIdentity) {
    Matrix3 m;
    ASSERT_TRUE(m.invert());
    Matrix3 identity;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(m.m[i], identity.m[i]);
}

TEST(MatrixInvert, DiagonalGivesExactReciprocals) {
    Matrix3 m = fromRows(Vector3(2, 0, 0), Vector3(0, 4, 0), Vector3(0, 0, 8));
    ASSERT_TRUE(m.invert());
    EXPECT_EQ(m.m[0], 0.5f);
    EXPECT_EQ(m.m[4], 0.25f);
    EXPECT_EQ(m.m[8], 0.125f);
    EXPECT_EQ(m.m[1], 0.0f);
    EXPECT_EQ(m.m[5], 0.0f);
}

TEST(MatrixInvert, PermutationIsItsOwnTranspose) {
    Matrix3 m = fromRows(Vector3(0, 1, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    ASSERT_TRUE(m.invert());
    Matrix3 expected = fromRows(Vector3(0, 1, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(m.m[i], expected.m[i]);

    // A cyclic permutation with scales: the inverse is the scaled transpose.
    Matrix3 cyclic = fromRows(Vector3(0, 0, 2), Vector3(4, 0, 0), Vector3(0, -8, 0));
    ASSERT_TRUE(cyclic.invert());
    Matrix3 cyclicExpected =
        fromRows(Vector3(0, 0.25f, 0), Vector3(0, 0, -0.125f), Vector3(0.5f, 0, 0));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(cyclic.m[i], cyclicExpected.m[i]) << i;
}

TEST(MatrixInvert, GeneralMatricesInvert) {
    const Matrix3 cases[] = {
        fromRows(Vector3(1, 2, 3), Vector3(0, 1, 4), Vector3(5, 6, 0)),
        fromRows(Vector3(2, -1, 0), Vector3(-1, 2, -1), Vector3(0, -1, 2)),
        fromRows(Vector3(0, 3, 1), Vector3(1, 0, 2), Vector3(4, 1, 0)),
        fromRows(Vector3(0.5f, 0.25f, -3), Vector3(7, 0.125f, 1), Vector3(-2, 9, 0.75f)),
        fromRows(Vector3(1, 1, 0), Vector3(0, 1, 1), Vector3(1, 0, 1)),
    };
    for (const Matrix3& original : cases) {
        Matrix3 inverse = original;
        ASSERT_TRUE(inverse.invert());
        expectProductIsIdentity(original, inverse);
    }
}

TEST(MatrixInvert, SingularMatricesAreRefused) {
    Matrix3 zeroRow = fromRows(Vector3(1, 2, 3), Vector3(0, 0, 0), Vector3(0, 0, 1));
    EXPECT_FALSE(zeroRow.invert());

    Matrix3 dependent = fromRows(Vector3(1, 2, 3), Vector3(2, 4, 6), Vector3(0, 0, 1));
    EXPECT_FALSE(dependent.invert());

    Matrix3 allZero = fromRows(Vector3(), Vector3(), Vector3());
    EXPECT_FALSE(allZero.invert());
}

TEST(MatrixInvert, SingularMatrixWithOneElementPerRowIsRefused) {
    // Every row already has a single non-zero, but two share column 0 and
    // column 1 is empty: no inverse exists even though no row is zero.
    Matrix3 sharedColumn = fromRows(Vector3(1, 0, 0), Vector3(2, 0, 0), Vector3(0, 0, 1));
    EXPECT_FALSE(sharedColumn.invert());

    // The same situation reached only after elimination: row 1 = row 0 + row 2.
    Matrix3 reduced = fromRows(Vector3(1, 0, 0), Vector3(1, 1, 0), Vector3(0, 1, 0));
    EXPECT_FALSE(reduced.invert());
}

TEST(MatrixInvert, RowsWhoseZerosFormACycleStillInvert) {
    // Each row has two non-zeros and no other row shares its zero column, so the
    // elimination finds no pivot row; these matrices are nevertheless invertible.
    const Matrix3 cases[] = {
        fromRows(Vector3(0, 3, 1), Vector3(1, 0, 2), Vector3(4, 1, 0)),
        fromRows(Vector3(1, 1, 0), Vector3(0, 1, 1), Vector3(1, 0, 1)),
    };
    for (const Matrix3& original : cases) {
        Matrix3 inverse = original;
        ASSERT_TRUE(inverse.invert());
        expectProductIsIdentity(original, inverse);
    }
    Matrix3 singularCycle = fromRows(Vector3(0, 1, 1), Vector3(1, 0, 1), Vector3(1, -1, 0));
    EXPECT_FALSE(singularCycle.invert());
}

TEST(MatrixInvert, NonFiniteElementsEndWithinThePassBudget) {
    Matrix3 m = fromRows(Vector3(kNaN, 1, 2), Vector3(3, kNaN, 4), Vector3(5, 6, kNaN));
    EXPECT_FALSE(m.invert());
}

// ---------------------------------------------------------------- line against triangle

TEST(LineHitsTriangle, BasisInverseGivesPlaneCoordinates) {
    Matrix3 inv = basisInverseOf(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    Vector3 uvw = inv.transform(Vector3(0.25f, 5, 0.25f));
    EXPECT_FLOAT_EQ(uvw.x, 0.25f);
    EXPECT_FLOAT_EQ(uvw.y, 0.25f);
    EXPECT_FLOAT_EQ(uvw.z, -5.0f);
}

TEST(LineHitsTriangle, VerticalLinesInsideOnTheEdgeAndOutside) {
    Matrix3 inv = basisInverseOf(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    Vector3 down(0, -1, 0);
    EXPECT_TRUE(lineHitsTriangle(inv, Vector3(0.25f, 5, 0.25f), down));
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.75f, 0, 0.75f), down)); // u + v = 1.5
    EXPECT_TRUE(lineHitsTriangle(inv, Vector3(0.5f, 0, 0.5f), down));    // u + v = 1
    EXPECT_TRUE(lineHitsTriangle(inv, Vector3(0, 3, 0), down));          // the corner
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(-0.01f, 3, 0.5f), down));
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.5f, 3, -0.01f), down));
}

TEST(LineHitsTriangle, TestsTheWholeLineOnBothSides) {
    Matrix3 inv = basisInverseOf(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    // Point above the triangle, direction pointing up and away from it.
    EXPECT_TRUE(lineHitsTriangle(inv, Vector3(0.2f, 2, 0.2f), Vector3(0, 1, 0)));
    // A slanted line that crosses the plane inside the triangle.
    EXPECT_TRUE(lineHitsTriangle(inv, Vector3(1.2f, 2, 0.2f), Vector3(0.5f, 1, 0)));
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.2f, 2, 0.2f), Vector3(0.5f, 1, 0)));
}

TEST(LineHitsTriangle, DirectionParallelToThePlaneNeverHits) {
    Matrix3 inv = basisInverseOf(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    // Above the plane: t is infinite.
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.2f, 1, 0.2f), Vector3(1, 0, 0)));
    // In the plane, inside the triangle: t is 0 / 0.
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.2f, 0, 0.2f), Vector3(1, 0, 0)));
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.2f, 0, 0.2f), Vector3(0, 0, 0)));
    // A direction along one axis of the plane leaves the other coordinate finite.
    EXPECT_FALSE(lineHitsTriangle(inv, Vector3(0.2f, 0, 0.2f), Vector3(0, 0, 1)));
}

TEST(LineHitsTriangle, WorksOnASlopedTriangleAwayFromTheOrigin) {
    Vector3 p0(10, 2, 20), p1(11, 3, 20), p2(10, 2.5f, 21);
    Matrix3 inv = basisInverseOf(p0, p1, p2);
    Vector3 sunward(0.3f, 1, 0.2f);
    // A point on the triangle, moved along the line: still hits.
    Vector3 onTriangle = p0.plus(p1.minus(p0).times(0.3f)).plus(p2.minus(p0).times(0.3f));
    Vector3 point = onTriangle.plus(sunward.times(7));
    EXPECT_TRUE(lineHitsTriangle(inv, point.minus(p0), sunward));
    Vector3 outside = p0.plus(p1.minus(p0).times(0.8f)).plus(p2.minus(p0).times(0.8f));
    EXPECT_FALSE(lineHitsTriangle(inv, outside.plus(sunward.times(7)).minus(p0), sunward));
}

// ---------------------------------------------------------------- segments

TEST(SegmentIntersection, CrossingGivesBothParameters) {
    float s = -7;
    float t =
        segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(1, -1), Vector2(1, 1), &s);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(s, 0.5f);

    s = -7;
    t = segmentIntersection2D(Vector2(0, 0), Vector2(4, 4), Vector2(0, 4), Vector2(4, 0), &s);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(s, 0.5f);

    s = -7;
    t = segmentIntersection2D(Vector2(0, 0), Vector2(4, 0), Vector2(1, -1), Vector2(1, 3), &s);
    EXPECT_FLOAT_EQ(t, 0.25f);
    EXPECT_FLOAT_EQ(s, 0.25f);
}

TEST(SegmentIntersection, MissLeavesTheOutPlaceAlone) {
    float s = -7;
    EXPECT_EQ(
        segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(3, -1), Vector2(3, 1), &s),
        -1.0f);
    EXPECT_EQ(s, -7.0f);
    // Crosses the line of the first segment but the crossing is beyond the second's end.
    EXPECT_EQ(segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(1, 1), Vector2(1, 3), &s),
              -1.0f);
    EXPECT_EQ(s, -7.0f);
    // Without an out place.
    EXPECT_EQ(segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(3, -1), Vector2(3, 1)),
              -1.0f);
}

TEST(SegmentIntersection, TouchingEndsCount) {
    float s = -7;
    EXPECT_EQ(
        segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(2, -1), Vector2(2, 1), &s),
        1.0f);
    EXPECT_FLOAT_EQ(s, 0.5f);
    EXPECT_EQ(
        segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(0, -1), Vector2(0, 1), &s),
        0.0f);
    EXPECT_EQ(segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(1, 0), Vector2(1, 1), &s),
              0.5f);
    EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(
        segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(1, -1), Vector2(1, 0), &s),
        0.5f);
    EXPECT_EQ(s, 1.0f);
}

TEST(SegmentIntersection, ParallelAndDegenerateSegmentsNeverCross) {
    float s = -7;
    EXPECT_EQ(segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(0, 1), Vector2(2, 1), &s),
              -1.0f);
    // Collinear and overlapping: 0 / 0.
    EXPECT_EQ(segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(1, 0), Vector2(3, 0), &s),
              -1.0f);
    // Second segment of zero length lying on the first.
    EXPECT_EQ(segmentIntersection2D(Vector2(0, 0), Vector2(2, 0), Vector2(1, 0), Vector2(1, 0), &s),
              -1.0f);
    // First segment of zero length.
    EXPECT_EQ(
        segmentIntersection2D(Vector2(1, 0), Vector2(1, 0), Vector2(1, -1), Vector2(1, 1), &s),
        -1.0f);
    EXPECT_EQ(s, -7.0f);
}
