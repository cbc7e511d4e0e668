// Arbitrary bytes as PNG and JPEG pictures. Random bytes rarely get past the signatures, so
// the input also steers changes to a valid built-in picture: the first byte picks the mode,
// the rest is either the picture or (position, value) pairs to overwrite in one.
#include <vector>

#include "fuzz_target.h"
#include "platform/pictures.h"

namespace {

std::vector<uint8_t> mutatedPicture(const uint8_t* data, size_t size, tessel::PictureId id) {
    const auto original = tessel::embeddedPicture(id);
    std::vector<uint8_t> bytes(original.begin(), original.end());
    if (bytes.empty()) return bytes;
    for (size_t i = 0; i + 2 < size; i += 3) {
        const size_t at = (size_t(data[i]) << 8 | data[i + 1]) % bytes.size();
        bytes[at] = data[i + 2];
    }
    // Odd lengths also cut the picture short.
    if (size % 2 == 1 && size > 0) bytes.resize(bytes.size() - size_t(data[0]) % bytes.size());
    return bytes;
}

}  // namespace

TESSEL_FUZZ_TARGET(picture_decode) {
    tessel::Picture out;
    if (size == 0) {
        tessel::decodePng({}, out);
        tessel::decodeJpeg({}, out);
        return 0;
    }
    const uint8_t mode = data[0] % 4;
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (mode) {
        case 0:
            tessel::decodePng({rest, restSize}, out);
            break;
        case 1:
            tessel::decodeJpeg({rest, restSize}, out);
            break;
        case 2: {
            const auto id = static_cast<tessel::PictureId>(restSize % tessel::kPictureCount);
            tessel::decodePng(mutatedPicture(rest, restSize, id), out);
            break;
        }
        default: {
            // A JPEG start of image and tables marker in front of the bytes.
            std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xDB};
            jpeg.insert(jpeg.end(), rest, rest + restSize);
            tessel::decodeJpeg(jpeg, out);
            break;
        }
    }
    if (!out.rgba.empty() && out.rgba.size() != size_t(out.width) * size_t(out.height) * 4) {
        __builtin_trap();
    }
    return 0;
}
