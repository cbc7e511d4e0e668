// PNG and JPEG decoding from memory into RGBA, and the table of built-in pictures.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The JPEG library's header expects size_t and FILE to be declared already.
#include <jpeglib.h>
#include <png.h>

#include "base/log/message_log.h"
#include "platform/pictures.h"

namespace tessel {

struct EmbeddedPicture {
    const uint8_t* bytes;
    size_t size;
};
extern const EmbeddedPicture kEmbeddedPictures[];
extern const int kEmbeddedPictureCount;

namespace {

bool sizeAcceptable(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           int64_t(width) * int64_t(height) <= kMaxPicturePixels;
}

// libjpeg reports fatal errors through a callback that must not return; it jumps back to
// the decoder, which owns nothing that needs unwinding at that point.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void jpegIgnoreMessage(j_common_ptr /*info*/) {}

// Errors of the library jump back to the caller's setjmp with their text in `errors.message`;
// warnings are dropped.
jpeg_error_mgr* prepareJpegErrors(JpegErrorManager& errors) {
    jpeg_error_mgr* base = jpeg_std_error(&errors.base);
    errors.base.error_exit = jpegErrorExit;
    errors.base.output_message = jpegIgnoreMessage;
    errors.message[0] = 0;
    return base;
}

// Decodes into `rgb` (three bytes per pixel). Kept free of objects with destructors because
// of the jump; `rgb` belongs to the caller. Returns 0, or 9 with `message` set.
int decodeJpegRgb(const uint8_t* data, size_t size, std::vector<uint8_t>& rgb, int& width,
                  int& height, char* message, size_t messageSize) {
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    std::memset(&info, 0, sizeof info);
    info.err = prepareJpegErrors(errors);
    if (setjmp(errors.jump)) {
        std::snprintf(message, messageSize, "%s", errors.message);
        jpeg_destroy_decompress(&info);
        return 9;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!sizeAcceptable(info.image_width, info.image_height)) {
        std::snprintf(message, messageSize, "picture too large (%u x %u)", info.image_width,
                      info.image_height);
        jpeg_destroy_decompress(&info);
        return 9;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        std::snprintf(message, messageSize, "unexpected colour layout (%d)",
                      info.output_components);
        jpeg_destroy_decompress(&info);
        return 9;
    }
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + static_cast<size_t>(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return 0;
}

Picture gPictures[kPictureCount];
bool gPicturesLoaded = false;
const Picture kNoPicture;

}  // namespace

int decodePng(std::span<const uint8_t> bytes, Picture& out) {
    out = Picture{};
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        logError(0, "cannot decode PNG picture: %s", image.message);
        return 9;
    }
    if (!sizeAcceptable(image.width, image.height)) {
        logError(0, "PNG picture too large (%u x %u)", image.width, image.height);
        png_image_free(&image);
        return 9;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        logError(0, "cannot decode PNG picture: %s", image.message);
        png_image_free(&image);
        return 9;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba = std::move(rgba);
    return 0;
}

int decodeJpeg(std::span<const uint8_t> bytes, Picture& out) {
    out = Picture{};
    if (bytes.empty()) {
        logError(0, "cannot decode JPEG picture: no data");
        return 9;
    }
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    char message[JMSG_LENGTH_MAX + 40] = {};
    if (decodeJpegRgb(bytes.data(), bytes.size(), rgb, width, height, message, sizeof message)) {
        logError(0, "cannot decode JPEG picture: %s", message);
        return 9;
    }
    out.width = width;
    out.height = height;
    out.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0, j = 0; i < rgb.size(); i += 3, j += 4) {
        out.rgba[j] = rgb[i];
        out.rgba[j + 1] = rgb[i + 1];
        out.rgba[j + 2] = rgb[i + 2];
        out.rgba[j + 3] = 255;
    }
    return 0;
}

namespace {

// Encodes `rgb` (three bytes a pixel) into a buffer that libjpeg allocates; free of objects
// with destructors because of the jump. Returns 0, or 9 with `message` set.
int encodeJpegRgb(const uint8_t* rgb, int width, int height, int quality, unsigned char** bytes,
                  unsigned long* size, char* message, size_t messageSize) {
    jpeg_compress_struct info;
    JpegErrorManager errors;
    std::memset(&info, 0, sizeof info);
    info.err = prepareJpegErrors(errors);
    if (setjmp(errors.jump)) {
        std::snprintf(message, messageSize, "%s", errors.message);
        jpeg_destroy_compress(&info);
        return 9;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, bytes, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

}  // namespace

int encodeJpeg(const Picture& picture, int quality, std::vector<uint8_t>& out) {
    out.clear();
    const size_t pixels = static_cast<size_t>(std::max(picture.width, 0)) *
                          static_cast<size_t>(std::max(picture.height, 0));
    if (pixels == 0 || picture.rgba.size() != pixels * 4 ||
        !sizeAcceptable(static_cast<uint32_t>(picture.width),
                        static_cast<uint32_t>(picture.height))) {
        logError(0, "cannot encode JPEG picture: wrong size (%d x %d)", picture.width,
                 picture.height);
        return 9;
    }
    std::vector<uint8_t> rgb(pixels * 3);
    for (size_t i = 0, j = 0; j < rgb.size(); i += 4, j += 3) {
        rgb[j] = picture.rgba[i];
        rgb[j + 1] = picture.rgba[i + 1];
        rgb[j + 2] = picture.rgba[i + 2];
    }
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX + 40] = {};
    const int status =
        encodeJpegRgb(rgb.data(), picture.width, picture.height, std::clamp(quality, 1, 100),
                      &bytes, &size, message, sizeof message);
    if (status == 0) out.assign(bytes, bytes + size);
    std::free(bytes);
    if (status != 0) logError(0, "cannot encode JPEG picture: %s", message);
    return status;
}

std::span<const uint8_t> embeddedPicture(PictureId id) {
    if (id < 0 || id >= kEmbeddedPictureCount) return {};
    return {kEmbeddedPictures[id].bytes, kEmbeddedPictures[id].size};
}

int loadPictures() {
    releasePictures();
    if (kEmbeddedPictureCount != kPictureCount) {
        logError(0, "int. #2612081 %d %d", kEmbeddedPictureCount, int(kPictureCount));
        return 1;
    }
    for (int id = 0; id < kPictureCount; ++id) {
        // The buttons and the log button form the first set, the cursors the second.
        const int set = id < kPictureSurfVertical ? 1 : 2;
        if (decodePng(embeddedPicture(static_cast<PictureId>(id)), gPictures[id]) != 0) {
            logError(0, "built-in picture %d of set %d is damaged", id, set);
            releasePictures();
            return set;
        }
    }
    gPicturesLoaded = true;
    return 0;
}

void releasePictures() {
    for (Picture& each : gPictures) each = Picture{};
    gPicturesLoaded = false;
}

bool picturesLoaded() {
    return gPicturesLoaded;
}

const Picture& picture(PictureId id) {
    if (!gPicturesLoaded || id < 0 || id >= kPictureCount) return kNoPicture;
    return gPictures[id];
}

}  // namespace tessel
