#include "platform/framework/Jpeg.h"

#include "platform/files/PathResolver.h"
#include "platform/framework/QtBridge.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr long long maxPixels = 1LL << 26;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void failed(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// A warning means damaged data (a truncated file, a corrupt segment): refuse the image
// rather than show a half-grey one.
void warned(j_common_ptr info, int level) {
    if (level < 0) failed(info);
}

// Decodes into pixels (BGRA rows of width * 4 bytes). Returns an empty string on success,
// else the decoder's message. No C++ object with a destructor lives between setjmp and a
// longjmp here.
std::string decode(const unsigned char* data, unsigned long size, QImage& pixels) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = failed;
    errors.base.emit_message = warned;
    errors.message[0] = '\0';
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return errors.message[0] ? errors.message : "JPEG data is not valid";
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    if (static_cast<long long>(info.image_width) * info.image_height > maxPixels) {
        jpeg_destroy_decompress(&info);
        return "JPEG image is too large";
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    pixels = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                    QImage::Format_RGB32);
    if (pixels.isNull()) {
        jpeg_destroy_decompress(&info);
        return "Out of memory for JPEG image";
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return {};
}

} // namespace

void TJPEGImage::LoadFromFile(const std::string& fileName) {
    std::ifstream file(ResolvePath(fileName), std::ios::binary);
    if (!file) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    LoadFromMemory(bytes.data(), bytes.size());
}

void TJPEGImage::LoadFromMemory(const void* data, std::size_t size) {
    if (!data || size == 0) throw Exception("JPEG error: empty data");
    QImage pixels;
    const std::string problem =
        decode(static_cast<const unsigned char*>(data), static_cast<unsigned long>(size), pixels);
    if (!problem.empty()) throw Exception("JPEG error: " + problem);
    image().pixels = pixels;
    image().bitDepth = 24;
}
