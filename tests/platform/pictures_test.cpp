#include "platform/pictures.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "test_support.h"

namespace tessel {
namespace {

using testing::LogCapture;

std::vector<uint8_t> bytesOf(std::span<const uint8_t> span) {
    return {span.begin(), span.end()};
}

uint8_t alphaAt(const Picture& picture, int x, int y) {
    return picture.rgba[(size_t(y) * size_t(picture.width) + size_t(x)) * 4 + 3];
}

TEST(BuiltInPictures, EveryPictureDecodesWithItsSizeAndVisibleContent) {
    struct Expected {
        PictureId id;
        int side;
    };
    const Expected expected[] = {
        {kPictureSetup, 24},          {kPictureLoad, 24},      {kPictureFind, 24},
        {kPictureCase, 24},           {kPictureFilter, 24},    {kPictureLogIdle, 16},
        {kPictureLogActive, 16},      {kPictureLogPinned, 16}, {kPictureSurfVertical, 32},
        {kPictureSurfHorizontal, 32}, {kPictureLock, 32},
    };
    ASSERT_EQ(std::size(expected), size_t(kPictureCount));
    for (const Expected& each : expected) {
        SCOPED_TRACE(each.id);
        Picture decoded;
        ASSERT_EQ(decodePng(embeddedPicture(each.id), decoded), 0);
        EXPECT_EQ(decoded.width, each.side);
        EXPECT_EQ(decoded.height, each.side);
        ASSERT_EQ(decoded.rgba.size(), size_t(each.side) * size_t(each.side) * 4);
        int opaque = 0;
        for (int y = 0; y < decoded.height; ++y) {
            for (int x = 0; x < decoded.width; ++x) opaque += alphaAt(decoded, x, y) == 255;
        }
        EXPECT_GT(opaque, 10);
    }
    // The three looks of the log button must be told apart.
    Picture idle, active, pinned;
    decodePng(embeddedPicture(kPictureLogIdle), idle);
    decodePng(embeddedPicture(kPictureLogActive), active);
    decodePng(embeddedPicture(kPictureLogPinned), pinned);
    EXPECT_NE(idle.rgba, active.rgba);
    EXPECT_NE(active.rgba, pinned.rgba);
}

TEST(BuiltInPictures, LoadFillsTheTableAndReleaseEmptiesIt) {
    releasePictures();
    EXPECT_TRUE(picture(kPictureFind).rgba.empty());
    ASSERT_EQ(loadPictures(), 0);
    EXPECT_TRUE(picturesLoaded());
    EXPECT_EQ(picture(kPictureFind).width, 24);
    EXPECT_TRUE(picture(static_cast<PictureId>(kPictureCount)).rgba.empty());
    releasePictures();
    EXPECT_FALSE(picturesLoaded());
    EXPECT_TRUE(picture(kPictureFind).rgba.empty());
}

TEST(PngDecoding, DamagedDataIsRefusedAndReported) {
    const std::vector<uint8_t> good = bytesOf(embeddedPicture(kPictureSetup));
    LogCapture log;
    Picture out;

    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_EQ(decodePng(truncated, out), 9);
    EXPECT_TRUE(out.rgba.empty());

    // A flipped bit in the compressed pixels breaks the chunk checksum.
    std::vector<uint8_t> flipped = good;
    flipped[good.size() - 20] ^= 0x10;
    EXPECT_EQ(decodePng(flipped, out), 9);

    EXPECT_EQ(decodePng({}, out), 9);
    const uint8_t notPng[] = "GIF89a not a png at all";
    EXPECT_EQ(decodePng(notPng, out), 9);
    EXPECT_TRUE(out.rgba.empty());
    EXPECT_TRUE(log.contains("[error] error: cannot decode PNG picture"));
}

// The setup button with another size in its header and the header's checksum fixed, so that
// only the size check can stop it.
std::vector<uint8_t> setupButtonClaiming(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = bytesOf(embeddedPicture(kPictureSetup));
    for (int i = 0; i < 4; ++i) {
        png[16 + size_t(i)] = uint8_t(width >> (24 - 8 * i));
        png[20 + size_t(i)] = uint8_t(height >> (24 - 8 * i));
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= png[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i) png[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    return png;
}

TEST(PngDecoding, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    Picture out;
    for (const auto& [width, height] : {std::pair{60000u, 60000u}, std::pair{5000u, 5000u}}) {
        LogCapture log;
        EXPECT_EQ(decodePng(setupButtonClaiming(width, height), out), 9);
        EXPECT_TRUE(out.rgba.empty());
        EXPECT_TRUE(log.contains("too large")) << width << " x " << height;
    }
    // A long strip is within the limits; it fails only because the pixels are missing.
    LogCapture log;
    EXPECT_EQ(decodePng(setupButtonClaiming(8000, 2), out), 9);
    EXPECT_FALSE(log.contains("too large"));
    EXPECT_EQ(decodePng(setupButtonClaiming(24, 24), out), 0) << "the checksum fix is wrong";
}

// A baseline JPEG of 16 x 8 grey pixels built by hand: two flat 8 x 8 blocks, the left with
// DC 0 (grey 128), the right with DC 512 (grey 192). Quantisation is 1 everywhere; the DC
// table has the categories 0 and 10 with two-bit codes, the AC table only end-of-block.
std::vector<uint8_t> handMadeJpeg() {
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    jpeg.insert(jpeg.end(), 64, 0x01);
    const uint8_t frame[] = {0xFF, 0xC0, 0x00, 0x0B, 8, 0x00, 8, 0x00, 16, 1, 1, 0x11, 0};
    jpeg.insert(jpeg.end(), std::begin(frame), std::end(frame));
    const uint8_t dcTable[] = {0xFF, 0xC4, 0x00, 0x15, 0x00, 0, 2, 0, 0, 0,    0,   0,
                               0,    0,    0,    0,    0,    0, 0, 0, 0, 0x00, 0x0A};
    jpeg.insert(jpeg.end(), std::begin(dcTable), std::end(dcTable));
    const uint8_t acTable[] = {0xFF, 0xC4, 0x00, 0x14, 0x10, 0, 1, 0, 0, 0, 0,
                               0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0x00};
    jpeg.insert(jpeg.end(), std::begin(acTable), std::end(acTable));
    const uint8_t scan[] = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0x00, 0, 63, 0};
    jpeg.insert(jpeg.end(), std::begin(scan), std::end(scan));
    // 00 00 | 01 1000000000 00 | padding ones.
    const uint8_t data[] = {0x06, 0x00, 0x3F, 0xFF, 0xD9};
    jpeg.insert(jpeg.end(), std::begin(data), std::end(data));
    return jpeg;
}

TEST(JpegDecoding, DecodesGreyBlocksIntoOpaqueRgba) {
    Picture out;
    ASSERT_EQ(decodeJpeg(handMadeJpeg(), out), 0);
    ASSERT_EQ(out.width, 16);
    ASSERT_EQ(out.height, 8);
    ASSERT_EQ(out.rgba.size(), 16u * 8u * 4u);
    auto at = [&](int x, int y, int channel) {
        return int(out.rgba[(size_t(y) * 16 + size_t(x)) * 4 + size_t(channel)]);
    };
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(at(3, 4, channel), 128, 2);
        EXPECT_NEAR(at(12, 4, channel), 192, 2);
    }
    EXPECT_EQ(at(0, 0, 3), 255);
    EXPECT_EQ(at(15, 7, 3), 255);
}

TEST(JpegDecoding, InvalidDataIsRefusedAndReported) {
    LogCapture log;
    Picture out;
    EXPECT_EQ(decodeJpeg({}, out), 9);
    const uint8_t noise[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    EXPECT_EQ(decodeJpeg(noise, out), 9);
    EXPECT_TRUE(out.rgba.empty());
    // Cut inside the tables: the decoder must stop without reading past the end.
    std::vector<uint8_t> cut = handMadeJpeg();
    cut.resize(100);
    EXPECT_EQ(decodeJpeg(cut, out), 9);
    EXPECT_TRUE(log.contains("[error] error: cannot decode JPEG picture"));
}

TEST(JpegDecoding, HugeDeclaredSizeIsRefused) {
    std::vector<uint8_t> jpeg = handMadeJpeg();
    // Height and width of the frame header follow its marker, length and precision.
    const size_t frame = 2 + 2 + 67 + 5;
    jpeg[frame] = 0xEA;
    jpeg[frame + 1] = 0x60;
    jpeg[frame + 2] = 0xEA;
    jpeg[frame + 3] = 0x60;
    LogCapture log;
    Picture out;
    EXPECT_EQ(decodeJpeg(jpeg, out), 9);
    EXPECT_TRUE(log.contains("too large"));
}

}  // namespace
}  // namespace tessel
