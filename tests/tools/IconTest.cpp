#include "tools/Icon.h"

#include <gtest/gtest.h>

TEST(Icon, ScalesTheSquareByTheAreaEachIconPixelCovers) {
    // Red grows with x, green with y; the square of side 3 at (1, 1) of a
    // 5 x 4 picture becomes 2 x 2: each icon pixel covers 1.5 picture pixels.
    RgbImage picture(5, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x)
            picture.set(x, y, uint8_t(40 * x), uint8_t(30 * y), 200);
    }
    RgbImage icon = icon::scaleSquare(picture, 1, 1, 3, 2);
    ASSERT_EQ(icon.width, 2);
    ASSERT_EQ(icon.height, 2);
    const int expected[2][2][3] = {{{53, 40, 200}, {107, 40, 200}},
                                   {{53, 80, 200}, {107, 80, 200}}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(icon.at(x, y)[c], expected[y][x][c]) << x << "," << y << " channel " << c;
        }
    }
    EXPECT_EQ(icon::scaleSquare(picture, 2, 1, 4, 2).width, 0)
        << "the square reaches past the right";
}
