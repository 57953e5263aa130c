#include "image/Texture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

void fill(Texture& t, int seed) {
    size_t n = size_t(t.width) * t.height * t.bytesPerPixel;
    for (size_t i = 0; i < n; ++i)
        t.pixels[i] = uint8_t(i * 3 + seed);
}

} // namespace

TEST(TextureMemory, AllocateGivesZeroedPixelsAndSetsTheFields) {
    Texture t;
    EXPECT_EQ(t.textureName, 0xFFFFFFFFu);
    EXPECT_EQ(t.pixels, nullptr);
    t.allocate(3, 2, 4);
    EXPECT_EQ(t.width, 3);
    EXPECT_EQ(t.height, 2);
    EXPECT_EQ(t.bytesPerPixel, 4);
    ASSERT_NE(t.pixels, nullptr);
    fill(t, 1);
    t.allocate(3, 2, 4); // the old pixels are freed, the new ones are zero
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(t.pixels[i], 0);
    t.release();
    EXPECT_EQ(t.pixels, nullptr);
}

TEST(TextureChannels, CopyChannelAddressesEachImageByItsOwnLayout) {
    Texture rgba;
    rgba.allocate(2, 2, 4);
    fill(rgba, 0);
    Texture rgb;
    rgb.allocate(2, 2, 3);
    rgb.copyChannel(1, rgba, 3); // alpha into green
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(rgb.pixels[p * 3 + 1], rgba.pixels[p * 4 + 3]) << p;
        EXPECT_EQ(rgb.pixels[p * 3 + 0], 0);
        EXPECT_EQ(rgb.pixels[p * 3 + 2], 0);
    }
}

TEST(TextureChannels, SmallerSourceOrBadChannelsAreNeverReadPast) {
    Texture small;
    small.allocate(1, 1, 3);
    small.pixels[0] = 77;
    Texture big;
    big.allocate(3, 3, 3);
    big.copyChannel(2, small, 0);
    EXPECT_EQ(big.pixels[2], 77);
    for (int i = 3; i < 27; ++i)
        EXPECT_EQ(big.pixels[i], 0) << i;

    big.copyChannel(3, small, 0);  // no channel 3 in an RGB image
    big.copyChannel(0, small, -1); // nor a channel -1
    big.copyChannel(0, small, 4);
    EXPECT_EQ(big.pixels[0], 0);
    Texture empty;
    big.copyChannel(0, empty, 0); // a source without pixels
    EXPECT_EQ(big.pixels[0], 0);
}

TEST(TextureChannels, SwapExchangesTwoChannelsOfEveryPixel) {
    Texture t;
    t.allocate(3, 2, 4);
    fill(t, 5);
    Texture before;
    before.allocateLike(t, -1);
    for (int c = 0; c < 4; ++c)
        before.copyChannel(c, t, c);
    t.swapChannels(0, 2);
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(t.pixels[p * 4 + 0], before.pixels[p * 4 + 2]);
        EXPECT_EQ(t.pixels[p * 4 + 2], before.pixels[p * 4 + 0]);
        EXPECT_EQ(t.pixels[p * 4 + 1], before.pixels[p * 4 + 1]);
        EXPECT_EQ(t.pixels[p * 4 + 3], before.pixels[p * 4 + 3]);
    }
}

TEST(TextureChannels, ExtractChannelFollowsStorageOrder) {
    Texture t;
    t.allocate(3, 2, 3);
    fill(t, 2);
    uint8_t red[6] = {};
    t.extractChannel(0, red);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(red[i], t.pixels[i * 3]);
    uint8_t untouched[6] = {1, 1, 1, 1, 1, 1};
    t.extractChannel(3, untouched);
    EXPECT_EQ(untouched[0], 1);
}
