// PNG and JPEG picture files: reading, fitting to the picture format, writing.
#include "tools/show_source/picture_files.h"

#include <png.h>
// libjpeg's header needs the standard I/O declarations first.
#include <cstdio>
#include <jpeglib.h>
#include <csetjmp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {
constexpr int kPictureSide = kSourcePictureSide;
constexpr size_t kPictureBytes = kSourcePicturePixels * 4;
}  // namespace

bool writePicturePng(const std::string& file, const uint8_t* rgba) {
    const fs::path path = file;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kPictureSide;
    image.height = kPictureSide;
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.string().c_str(), 0, rgba, 0, nullptr) != 0;
}

namespace {

// Decodes a PNG file into RGBA; the reason otherwise.
bool readPng(const fs::path& path, std::vector<uint8_t>* rgba, int* width, int* height, std::string* why) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str())) {
        *why = image.message;
        return false;
    }
    if (image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        *why = "a picture of at most 16384x16384";
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    rgba->assign(PNG_IMAGE_SIZE(image), 0);
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    if (!png_image_finish_read(&image, nullptr, rgba->data(), 0, nullptr)) {
        *why = image.message;
        return false;
    }
    return true;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegFailed(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Decodes a JPEG file into RGBA; the reason otherwise.
bool readJpeg(const fs::path& path, std::vector<uint8_t>* rgba, int* width, int* height, std::string* why) {
    FILE* file = std::fopen(path.string().c_str(), "rb");
    if (!file) {
        *why = "cannot be opened";
        return false;
    }
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFailed;
    // Changed after setjmp only through the pointer, so it stays sound when a failure jumps back.
    const auto row = std::make_unique<std::vector<uint8_t>>();
    if (setjmp(error.jump)) {
        *why = error.message;
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width > 16384 || info.output_height > 16384) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        *why = "a picture of at most 16384x16384";
        return false;
    }
    *width = static_cast<int>(info.output_width);
    *height = static_cast<int>(info.output_height);
    rgba->assign(static_cast<size_t>(*width) * static_cast<size_t>(*height) * 4, 255);
    row->resize(static_cast<size_t>(*width) * 3);
    while (info.output_scanline < info.output_height) {
        const size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row->data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < *width; ++x)
            std::memcpy(&(*rgba)[(y * static_cast<size_t>(*width) + static_cast<size_t>(x)) * 4], &(*row)[static_cast<size_t>(x) * 3], 3);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return true;
}

}  // namespace

bool readPictureFile(const std::string& file, std::vector<uint8_t>* rgba, int* width, int* height, std::string* why) {
    const fs::path path = file;
    uint8_t head[2] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            *why = "cannot be opened";
            return false;
        }
        in.read(reinterpret_cast<char*>(head), 2);
    }
    const bool jpeg = head[0] == 0xFF && head[1] == 0xD8;
    if (!(jpeg ? readJpeg(path, rgba, width, height, why) : readPng(path, rgba, width, height, why))) return false;
    if (*width <= 0 || *height <= 0) {
        *why = "an empty picture";
        return false;
    }
    return true;
}

std::vector<uint8_t> fitPicture(const std::vector<uint8_t>& source, int w, int h) {
    if (w == kPictureSide && h == kPictureSide) return source;
    std::vector<uint8_t> out(kPictureBytes, 0);
    for (size_t i = 3; i < kPictureBytes; i += 4) out[i] = 255;
    const double scale = std::min(static_cast<double>(kPictureSide) / w, static_cast<double>(kPictureSide) / h);
    const int fitW = std::max(1, static_cast<int>(std::lround(w * scale)));
    const int fitH = std::max(1, static_cast<int>(std::lround(h * scale)));
    const int left = (kPictureSide - fitW) / 2;
    const int top = (kPictureSide - fitH) / 2;
    // Each column's two source columns and weight, worked out once.
    std::vector<int> x0s(static_cast<size_t>(fitW)), x1s(static_cast<size_t>(fitW));
    std::vector<double> fxs(static_cast<size_t>(fitW));
    for (int x = 0; x < fitW; ++x) {
        const double sx = std::clamp((x + 0.5) / scale - 0.5, 0.0, w - 1.0);
        x0s[static_cast<size_t>(x)] = static_cast<int>(sx);
        x1s[static_cast<size_t>(x)] = std::min(x0s[static_cast<size_t>(x)] + 1, w - 1);
        fxs[static_cast<size_t>(x)] = sx - x0s[static_cast<size_t>(x)];
    }
    for (int y = 0; y < fitH; ++y) {
        const double sy = std::clamp((y + 0.5) / scale - 0.5, 0.0, h - 1.0);
        const int y0 = static_cast<int>(sy);
        const int y1 = std::min(y0 + 1, h - 1);
        const double fy = sy - y0;
        const uint8_t* row0 = &source[static_cast<size_t>(y0) * static_cast<size_t>(w) * 4];
        const uint8_t* row1 = &source[static_cast<size_t>(y1) * static_cast<size_t>(w) * 4];
        uint8_t* pixel = &out[(static_cast<size_t>(top + y) * kPictureSide + static_cast<size_t>(left)) * 4];
        for (int x = 0; x < fitW; ++x, pixel += 4) {
            const size_t a = static_cast<size_t>(x0s[static_cast<size_t>(x)]) * 4;
            const size_t b = static_cast<size_t>(x1s[static_cast<size_t>(x)]) * 4;
            const double fx = fxs[static_cast<size_t>(x)];
            for (size_t c = 0; c < 4; ++c) {
                const double v = (row0[a + c] * (1 - fx) + row0[b + c] * fx) * (1 - fy) + (row1[a + c] * (1 - fx) + row1[b + c] * fx) * fy;
                pixel[c] = static_cast<uint8_t>(std::lround(v));
            }
        }
    }
    return out;
}

bool readPicture(const std::string& path, std::vector<uint8_t>* rgba, std::string* why) {
    std::vector<uint8_t> source;
    int w = 0;
    int h = 0;
    if (!readPictureFile(path, &source, &w, &h, why)) return false;
    *rgba = fitPicture(source, w, h);
    return true;
}

namespace {

// libpng reports errors by a long jump back to the caller's setjmp.
struct PngFile {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool writing = false;
    ~PngFile() {
        if (writing)
            png_destroy_write_struct(&png, &info);
        else
            png_destroy_read_struct(&png, &info, nullptr);
        if (file) std::fclose(file);
    }
};

}  // namespace

bool writePalettePng(const std::string& file, const PalettePicture& picture) {
    const fs::path path = file;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    PngFile f;
    f.writing = true;
    f.file = std::fopen(path.string().c_str(), "wb");
    if (!f.file) return false;
    f.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!f.png) return false;
    f.info = png_create_info_struct(f.png);
    if (!f.info) return false;
    png_color colours[256];
    png_byte alphas[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {picture.palette[4 * i], picture.palette[4 * i + 1], picture.palette[4 * i + 2]};
        alphas[i] = picture.palette[4 * i + 3];
    }
    // Kept in memory: it is read after setjmp.
    const volatile bool opaque = std::all_of(alphas, alphas + 256, [](png_byte a) { return a == 255; });
    std::vector<png_bytep> rows(kPictureSide);
    for (int y = 0; y < kPictureSide; ++y)
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(&picture.indices[static_cast<size_t>(y) * kPictureSide]);
    if (setjmp(png_jmpbuf(f.png))) return false;
    png_init_io(f.png, f.file);
    png_set_IHDR(f.png, f.info, kPictureSide, kPictureSide, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(f.png, f.info, colours, 256);
    if (!opaque) png_set_tRNS(f.png, f.info, alphas, 256, nullptr);
    png_write_info(f.png, f.info);
    png_write_image(f.png, rows.data());
    png_write_end(f.png, nullptr);
    const bool ok = std::fflush(f.file) == 0 && !std::ferror(f.file);
    return ok;
}

PalettePng readPalettePng(const std::string& file, PalettePicture* picture, std::string* why) {
    PngFile f;
    f.file = std::fopen(file.c_str(), "rb");
    if (!f.file) {
        *why = "cannot be opened";
        return PalettePng::Failed;
    }
    uint8_t signature[8] = {};
    if (std::fread(signature, 1, 8, f.file) != 8 || png_sig_cmp(signature, 0, 8) != 0) return PalettePng::NotPalette;
    f.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!f.png) {
        *why = "out of memory";
        return PalettePng::Failed;
    }
    f.info = png_create_info_struct(f.png);
    if (!f.info) {
        *why = "out of memory";
        return PalettePng::Failed;
    }
    png_set_error_fn(f.png, why, [](png_structp png, png_const_charp message) {
        *static_cast<std::string*>(png_get_error_ptr(png)) = message;
        png_longjmp(png, 1);
    }, [](png_structp, png_const_charp) {});
    std::vector<png_bytep> rows(kPictureSide);
    if (setjmp(png_jmpbuf(f.png))) return PalettePng::Failed;
    png_init_io(f.png, f.file);
    png_set_sig_bytes(f.png, 8);
    png_read_info(f.png, f.info);
    if (png_get_color_type(f.png, f.info) != PNG_COLOR_TYPE_PALETTE || png_get_image_width(f.png, f.info) != kPictureSide ||
        png_get_image_height(f.png, f.info) != kPictureSide || png_get_interlace_type(f.png, f.info) != PNG_INTERLACE_NONE)
        return PalettePng::NotPalette;
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(f.png, f.info, &colours, &count);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_valid(f.png, f.info, PNG_INFO_tRNS)) png_get_tRNS(f.png, f.info, &alphas, &alphaCount, nullptr);
    std::memset(picture->palette, 0, sizeof picture->palette);
    for (int i = 0; i < 256; ++i) {
        if (i < count) {
            picture->palette[4 * i] = colours[i].red;
            picture->palette[4 * i + 1] = colours[i].green;
            picture->palette[4 * i + 2] = colours[i].blue;
        }
        picture->palette[4 * i + 3] = i < alphaCount && alphas ? alphas[i] : 255;
    }
    // Indices of fewer bits are widened to one byte each; the palette itself is not expanded.
    if (png_get_bit_depth(f.png, f.info) < 8) png_set_packing(f.png);
    png_read_update_info(f.png, f.info);
    picture->indices.assign(kSourcePicturePixels, 0);
    for (int y = 0; y < kPictureSide; ++y) rows[static_cast<size_t>(y)] = &picture->indices[static_cast<size_t>(y) * kPictureSide];
    png_read_image(f.png, rows.data());
    png_read_end(f.png, nullptr);
    return PalettePng::Read;
}
