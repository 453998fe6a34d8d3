#include "platform/ddraw/ImageCodecs.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->escape, 1);
}

void onMessage(j_common_ptr) {}

// Pictures beyond this many pixels are refused rather than allocated.
constexpr std::uint64_t kMaxPixels = 64u * 1024u * 1024u;

} // namespace

bool DecodeJpeg(const BYTE* data, std::size_t size, DecodedImage& image, std::string& error) {
    image = DecodedImage{};
    if (!data || size == 0) {
        error = "empty file";
        return false;
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    std::vector<BYTE> row;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        error = errors.message;
        image = DecodedImage{};
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (std::uint64_t(info.output_width) * info.output_height > kMaxPixels || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        error = "picture too large";
        return false;
    }
    image.width = int(info.output_width);
    image.height = int(info.output_height);
    image.pixels.assign(std::size_t(image.width) * std::size_t(image.height), 0);
    row.resize(std::size_t(image.width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        std::size_t y = info.output_scanline;
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            break;
        std::uint32_t* out = image.pixels.data() + y * std::size_t(image.width);
        for (int x = 0; x < image.width; ++x)
            out[x] = std::uint32_t(row[3 * x]) << 16 | std::uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2];
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}
