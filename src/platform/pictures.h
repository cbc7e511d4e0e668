// The program's built-in pictures (sidebar buttons, the log button's three looks, the surf
// and lock cursors) and the decoders for PNG and JPEG bytes. All pictures are decoded once at
// start-up into RGBA so that painting never decodes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tessel {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom
};

enum PictureId : int {
    kPictureSetup,
    kPictureLoad,
    kPictureFind,
    kPictureCase,
    kPictureFilter,
    kPictureLogIdle,
    kPictureLogActive,
    kPictureLogPinned,
    kPictureSurfVertical,
    kPictureSurfHorizontal,
    kPictureLock,
    kPictureCount,
};

// The largest picture the decoders accept; larger ones are refused before any allocation.
// Buttons and help pictures are far smaller; the limit keeps a damaged header from asking
// for gigabytes.
constexpr int kMaxPictureSide = 8192;
constexpr int64_t kMaxPicturePixels = 16 * 1024 * 1024;

// Decode into RGBA. 0 success, 9 failure (logged). `out` is left empty on failure.
int decodePng(std::span<const uint8_t> bytes, Picture& out);
int decodeJpeg(std::span<const uint8_t> bytes, Picture& out);

// Encodes a picture as a baseline JPEG of the given quality (1 ... 100); the alpha channel is
// dropped. 0 success, 9 failure (logged).
int encodeJpeg(const Picture& picture, int quality, std::vector<uint8_t>& out);

// Decodes the built-in pictures. 0 success; otherwise the number of the picture set that
// failed (1 buttons, 2 cursors), already logged, for "cannot load\nimage resources (%d)".
int loadPictures();
void releasePictures();
bool picturesLoaded();
// An empty picture until loadPictures succeeded.
const Picture& picture(PictureId id);

// The embedded PNG bytes of a picture (for tests and the decoder check).
std::span<const uint8_t> embeddedPicture(PictureId id);

}  // namespace tessel
