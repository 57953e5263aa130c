#pragma once
// A 3 x 3 row-major float matrix; element (r, c) is m[3r + c]. Stored inside
// every terrain face as the inverse of the face's edge basis, and written to the
// map file in exactly this layout. Its inversion is its own Gauss-Jordan
// elimination with exact zero tests and no pivoting by size, so that results are
// reproducible bit for bit.

#include "geometry/Vector3.h"

struct Matrix3 {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    void setIdentity();
    Vector3 row(int index) const;
    void setRow(int index, float x, float y, float z);
    void setColumn(int index, float x, float y, float z);
    Vector3 transform(Vector3 v) const;
    int countNonZero(int rowIndex) const;
    int findInRow(int rowIndex, bool wantNonZero) const;
    int findPivotRow(int excludedRow, int columnA, int columnB) const;
    bool invert();
};
static_assert(sizeof(Matrix3) == 36, "Matrix3 is nine packed floats");
