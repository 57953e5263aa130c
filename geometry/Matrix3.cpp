#include "geometry/Matrix3.h"

#include <cmath>
#include <utility>

void Matrix3::setIdentity() {
    for (int i = 0; i < 9; ++i)
        m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

Vector3 Matrix3::row(int index) const {
    return Vector3(m[3 * index], m[3 * index + 1], m[3 * index + 2]);
}

void Matrix3::setRow(int index, float x, float y, float z) {
    m[3 * index] = x;
    m[3 * index + 1] = y;
    m[3 * index + 2] = z;
}

void Matrix3::setColumn(int index, float x, float y, float z) {
    m[index] = x;
    m[3 + index] = y;
    m[6 + index] = z;
}

Vector3 Matrix3::transform(Vector3 v) const {
    return Vector3(m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                   m[6] * v.x + m[7] * v.y + m[8] * v.z);
}

int Matrix3::countNonZero(int rowIndex) const {
    int n = 0;
    for (int c = 0; c < 3; ++c) {
        if (m[3 * rowIndex + c] != 0.0f)
            ++n;
    }
    return n;
}

int Matrix3::findInRow(int rowIndex, bool wantNonZero) const {
    for (int c = 0; c < 3; ++c) {
        bool nonZero = m[3 * rowIndex + c] != 0.0f;
        if (nonZero == wantNonZero)
            return c;
    }
    return -1;
}

int Matrix3::findPivotRow(int excludedRow, int columnA, int columnB) const {
    for (int r = 0; r < 3; ++r) {
        if (r == excludedRow)
            continue;
        if (columnA != -1 && m[3 * r + columnA] == 0.0f)
            continue;
        if (columnB != -1 && m[3 * r + columnB] != 0.0f)
            continue;
        return r;
    }
    return -1;
}

namespace {

// Row i of the matrix loses its element in column c by subtracting f times row r;
// the accumulator takes the same row operation.
void eliminate(Matrix3& matrix, Matrix3& accumulator, int i, int r, int c) {
    float f = matrix.m[3 * i + c] / matrix.m[3 * r + c];

    Vector3 reduced = Vector3().minus(matrix.row(r)).times(f).plus(matrix.row(i));
    reduced.setComponent(c, 0.0f);
    matrix.setRow(i, reduced.x, reduced.y, reduced.z);

    Vector3 acc = Vector3().minus(accumulator.row(r)).times(f).plus(accumulator.row(i));
    accumulator.setRow(i, acc.x, acc.y, acc.z);
}

// Finishes an inversion that the elimination above can no longer advance: rows
// whose two non-zeros form a cycle such as (0, a, b), (c, 0, d), (e, f, 0) offer
// no pivot row with the wanted zero, although the matrix may well be invertible.
// Plain Gauss-Jordan with partial pivoting on the reduced rows and the
// accumulator completes it; an exact zero pivot still means singular.
bool invertByPivoting(Matrix3& matrix, Matrix3& accumulator) {
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r) {
            if (std::fabs(matrix.m[3 * r + col]) > std::fabs(matrix.m[3 * pivot + col]))
                pivot = r;
        }
        if (matrix.m[3 * pivot + col] == 0.0f)
            return false;
        if (pivot != col) {
            for (int c = 0; c < 3; ++c) {
                std::swap(matrix.m[3 * pivot + c], matrix.m[3 * col + c]);
                std::swap(accumulator.m[3 * pivot + c], accumulator.m[3 * col + c]);
            }
        }
        float scale = 1.0f / matrix.m[3 * col + col];
        Vector3 pivotRow = matrix.row(col).times(scale);
        Vector3 pivotAcc = accumulator.row(col).times(scale);
        matrix.setRow(col, pivotRow.x, pivotRow.y, pivotRow.z);
        accumulator.setRow(col, pivotAcc.x, pivotAcc.y, pivotAcc.z);
        for (int r = 0; r < 3; ++r) {
            if (r == col)
                continue;
            float f = matrix.m[3 * r + col];
            Vector3 reduced = matrix.row(r).minus(pivotRow.times(f));
            reduced.setComponent(col, 0.0f);
            matrix.setRow(r, reduced.x, reduced.y, reduced.z);
            Vector3 acc = accumulator.row(r).minus(pivotAcc.times(f));
            accumulator.setRow(r, acc.x, acc.y, acc.z);
        }
    }
    for (int i = 0; i < 9; ++i) {
        if (!std::isfinite(accumulator.m[i]))
            return false;
    }
    matrix = accumulator;
    return true;
}

} // namespace

bool Matrix3::invert() {
    Matrix3 accumulator; // starts as the identity
    int passBudget = 99;

    for (;;) {
        int singles = 0;
        bool eliminated = false; // whether this pass changed any row
        for (int i = 0; i < 3; ++i) {
            int n = countNonZero(i);
            if (n == 0)
                return false;
            if (n == 1) {
                ++singles;
            } else if (n == 2) {
                int zeroColumn = findInRow(i, false);
                for (int c = 0; c < 3; ++c) {
                    int r = findPivotRow(i, c, zeroColumn);
                    if (r != -1) {
                        eliminate(*this, accumulator, i, r, c);
                        eliminated = true;
                        break;
                    }
                }
            } else {
                int r = -1;
                int c = 0;
                for (; c < 3; ++c) {
                    r = findPivotRow(i, c, -1);
                    if (r != -1)
                        break;
                }
                if (r == -1)
                    return false;
                eliminate(*this, accumulator, i, r, c);
                eliminated = true;
            }
        }
        if (singles == 3)
            break;
        // A pass that changed nothing would repeat identically until the budget
        // runs out; the rows are stuck in a cycle, not necessarily singular.
        if (!eliminated)
            return invertByPivoting(*this, accumulator);
        if (passBudget == 0)
            return false;
        --passBudget;
    }

    // Every row now has one non-zero element. Two rows sharing their column mean
    // a singular matrix that elimination could not expose by a zero row.
    int perm[3];
    bool columnTaken[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        int c = findInRow(i, true);
        if (c == -1 || columnTaken[c])
            return false;
        columnTaken[c] = true;
        perm[i] = c;
        float scale = 1.0f / m[3 * i + c];
        Vector3 acc = accumulator.row(i).times(scale);
        accumulator.setRow(i, acc.x, acc.y, acc.z);
    }
    for (int i = 0; i < 3; ++i) {
        Vector3 acc = accumulator.row(i);
        setRow(perm[i], acc.x, acc.y, acc.z);
    }
    return true;
}
