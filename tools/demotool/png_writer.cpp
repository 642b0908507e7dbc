// libpng output, written under a temporary name and renamed when complete.
#include "tools/demotool/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Writes the image to an open file; false on any libpng error.
bool writeRows(FILE* file, int width, int height, const uint8_t* rgbaBottomUp, std::string* error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        *error = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "libpng could not start";
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *error = "libpng failed while writing";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        // PNG rows run top-down; the GL picture bottom-up.
        const uint8_t* src = rgbaBottomUp + static_cast<size_t>(height - 1 - y) * width * 4;
        for (int x = 0; x < width; ++x) {
            row[static_cast<size_t>(x) * 3] = src[x * 4];
            row[static_cast<size_t>(x) * 3 + 1] = src[x * 4 + 1];
            row[static_cast<size_t>(x) * 3 + 2] = src[x * 4 + 2];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(const std::string& path, int width, int height, const uint8_t* rgbaBottomUp, std::string* error) {
    if (width <= 0 || height <= 0 || !rgbaBottomUp) {
        *error = "no picture to write";
        return false;
    }
    const std::string temp = path + ".part";
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) {
        *error = "cannot create " + temp + ": " + std::strerror(errno);
        return false;
    }
    bool ok = writeRows(file, width, height, rgbaBottomUp, error);
    if (std::fflush(file) != 0 || std::ferror(file)) {
        if (ok) *error = "cannot write " + temp + ": " + std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        *error = "cannot write " + temp + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        *error = "cannot rename " + temp + " to " + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}
