#include "view/background_picture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace tessel {
namespace {

Picture pictureOf(int width, int height, std::initializer_list<std::array<uint8_t, 4>> pixels) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (const auto& pixel : pixels)
        picture.rgba.insert(picture.rgba.end(), pixel.begin(), pixel.end());
    return picture;
}

std::array<uint8_t, 4> at(const Picture& picture, int x, int y) {
    const size_t offset =
        (static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 4;
    return {picture.rgba[offset], picture.rgba[offset + 1], picture.rgba[offset + 2],
            picture.rgba[offset + 3]};
}

TEST(BackgroundPicture, CoversTheViewAroundThePicturesMiddle) {
    // Red beside blue, twice as wide as high, on a square view: the height decides the scale,
    // the sides overhang equally, and the middle of the view is where the colours meet.
    const Picture source = pictureOf(2, 1, {{255, 0, 0, 255}, {0, 0, 255, 255}});
    const Picture shown = coverAndPale(source, 4, 4, 1);
    ASSERT_EQ(shown.width, 4);
    ASSERT_EQ(shown.height, 4);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(at(shown, 1, y), (std::array<uint8_t, 4>{255, 0, 0, 255}));
        EXPECT_EQ(at(shown, 2, y), (std::array<uint8_t, 4>{0, 0, 255, 255}));
    }
    EXPECT_TRUE(coverAndPale(source, 0, 4, 1).rgba.empty());
    EXPECT_TRUE(coverAndPale(Picture{}, 4, 4, 1).rgba.empty());
}

TEST(BackgroundPicture, TheShadeMovesColoursTowardsWhite) {
    const Picture source = pictureOf(2, 1, {{0, 100, 255, 255}, {0, 0, 0, 0}});
    const Picture strong = coverAndPale(source, 2, 1, 1);
    EXPECT_EQ(at(strong, 0, 0), (std::array<uint8_t, 4>{0, 100, 255, 255}));
    const Picture pale = coverAndPale(source, 2, 1, 4);
    EXPECT_EQ(at(pale, 0, 0), (std::array<uint8_t, 4>{192, 217, 255, 255}));
    // A transparent pixel shows the white ground at every shade.
    EXPECT_EQ(at(pale, 1, 0), (std::array<uint8_t, 4>{255, 255, 255, 255}));
    EXPECT_EQ(at(strong, 1, 0), (std::array<uint8_t, 4>{255, 255, 255, 255}));
    // A shade below 1 is taken as 1, never as a division by zero.
    EXPECT_EQ(at(coverAndPale(source, 2, 1, 0), 0, 0), at(strong, 0, 0));
}

}  // namespace
}  // namespace tessel
