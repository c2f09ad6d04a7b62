#include "JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void onFatalError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

// Warnings (a truncated stream, say) are not worth a line on the terminal.
void onMessage(j_common_ptr) {}

struct RawPixels {
    unsigned char* rgb = nullptr; // malloc'd, rows of width * 3 bytes
    int width = 0;
    int height = 0;
};

// Kept free of C++ objects with destructors: a fatal libjpeg error leaves through longjmp.
bool decodeRaw(const unsigned char* bytes, unsigned long size, RawPixels* out)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onFatalError;
    errors.base.output_message = onMessage;
    // volatile: it changes between setjmp and a possible longjmp.
    unsigned char* volatile pixels = nullptr;

    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width == 0 ||
        info.image_height == 0 || info.image_width > unsigned(kMaxJpegSide) ||
        info.image_height > unsigned(kMaxJpegSide)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * 3;
    pixels = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
    if (!pixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    out->rgb = pixels;
    out->width = int(info.output_width);
    out->height = int(info.output_height);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    RawPixels raw;
    if (!decodeRaw(reinterpret_cast<const unsigned char*>(data.constData()),
                   static_cast<unsigned long>(data.size()), &raw))
        return {};
    QImage image(raw.width, raw.height, QImage::Format_RGB888);
    if (!image.isNull()) {
        for (int y = 0; y < raw.height; ++y)
            std::memcpy(image.scanLine(y), raw.rgb + size_t(y) * size_t(raw.width) * 3,
                        size_t(raw.width) * 3);
    }
    std::free(raw.rgb);
    return image;
}
