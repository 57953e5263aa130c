#include "geometry/Intersection.h"
#include "geometry/Matrix3.h"
#include "geometry/Vector3.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

Matrix3 fromRows(Vector3 r0, Vector3 r1, Vector3 r2) {
    Matrix3 m;
    m.setRow(0, r0.x, r0.y, r0.z);
    m.setRow(1, r1.x, r1.y, r1.z);
    m.setRow(2, r2.x, r2.y, r2.z);
    return m;
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

// ---------------------------------------------------------------- invert

TEST(MatrixInvert, SingularAndNonFiniteMatricesAreRefused) {
    const Matrix3 cases[] = {
        fromRows({1, 2, 3}, {0, 0, 0}, {0, 0, 1}), // a zero row
        fromRows({1, 2, 3}, {2, 4, 6}, {0, 0, 1}), // dependent rows
        fromRows({}, {}, {}),
        // One element per row, but two share column 0 and column 1 is empty.
        fromRows({1, 0, 0}, {2, 0, 0}, {0, 0, 1}),
        // The same reached only after elimination: row 1 = row 0 + row 2.
        fromRows({1, 0, 0}, {1, 1, 0}, {0, 1, 0}),
        fromRows({0, 1, 1}, {1, 0, 1}, {1, -1, 0}), // zeros in a cycle, singular
        // Must end within the pass budget.
        fromRows({kNaN, 1, 2}, {3, kNaN, 4}, {5, 6, kNaN}),
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        Matrix3 m = cases[i];
        EXPECT_FALSE(m.invert()) << "case " << i;
    }
}

// ---------------------------------------------------------------- line against triangle

TEST(LineHitsTriangle, TestsTheWholeLineAgainstTheUnitTriangle) {
    Matrix3 inv = basisInverseOf(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 1));
    const struct {
        Vector3 point, direction;
        bool hits;
    } cases[] = {
        {{0.25f, 5, 0.25f}, {0, -1, 0}, true},
        {{0.75f, 0, 0.75f}, {0, -1, 0}, false}, // u + v = 1.5
        {{0.5f, 0, 0.5f}, {0, -1, 0}, true},    // u + v = 1
        {{0, 3, 0}, {0, -1, 0}, true},          // the corner
        {{-0.01f, 3, 0.5f}, {0, -1, 0}, false},
        {{0.2f, 2, 0.2f}, {0, 1, 0}, true}, // pointing away: the whole line counts
        {{1.2f, 2, 0.2f}, {0.5f, 1, 0}, true},
        {{0.2f, 2, 0.2f}, {0.5f, 1, 0}, false},
        // Parallel to the plane never hits: above it t is infinite, in it 0 / 0.
        {{0.2f, 0, 0.2f}, {1, 0, 0}, false},
        {{0.2f, 0, 0.2f}, {0, 0, 0}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lineHitsTriangle(inv, c.point, c.direction), c.hits)
            << c.point.x << " " << c.point.z << " along " << c.direction.x << " " << c.direction.y;
}

TEST(SegmentIntersection, IsWhereAlongTheFirstSegmentItCrossesTheSecond) {
    const struct {
        Vector2 a0, a1, b0, b1;
        float t, s; // t -1: no crossing
    } cases[] = {
        {{0, 0}, {4, 2}, {3, 0}, {3, 4}, 0.75f, 0.375f}, // the second along z
        {{0, 0}, {4, 2}, {0, 1}, {4, 1}, 0.5f, 0.5f},    // along x
        {{0, 0}, {4, 2}, {5, 0}, {5, 4}, -1, 0},         // beyond the first's end
        {{0, 0}, {4, 0}, {0, 1}, {4, 1}, -1, 0},         // parallel
    };
    for (const auto& c : cases) {
        float s = -1;
        EXPECT_FLOAT_EQ(segmentIntersection2D(c.a0, c.a1, c.b0, c.b1, &s), c.t);
        EXPECT_FLOAT_EQ(s, c.t < 0 ? -1 : c.s) << c.b0.x << ", " << c.b0.y;
    }
}
