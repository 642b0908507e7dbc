// PictureClip: one 1024 x 1024 RGBA still, stored zlib-compressed in the pack and uploaded into
// the track's texture every frame it shows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/cell.h"

// Largest compressed picture a pack may hold (the size of the save buffer).
constexpr int32_t kMaxCompressedPicture = 5242880;

class PictureClip : public Cell {
public:
    PictureClip() = default;
    ~PictureClip() override;
    PictureClip(const PictureClip&) = delete;
    PictureClip& operator=(const PictureClip&) = delete;

    int getKind() override { return kCellPicture; }
    // int32 n, n compressed bytes, uncompressed into the image (an image shorter than 1024 x 1024
    // pixels ends black). A failed uncompress shows "text" / "Z PROB UNCOMPRESS" and the clip
    // draws the shared black image, keeping no image of its own.
    int load(PackReader& reader) override;
    // The image compressed (box "Z_OK", or "Z_BIG PROBLEMO" on failure), its length and bytes.
    // 1 when it did not compress (an empty picture is written).
    int save(PackWriter& writer) override;
    // Uploads the image into texture and draws it over the picture; local plays no part.
    int render(int32_t local, int width, int height, RenderDevice* device, float weight1, float weight2,
               TextureName texture) override;
    void setInPoint(int32_t ticks) override { inPoint_ = ticks; }
    void setLength(int32_t ticks) override { length_ = ticks; }
    int32_t getInPoint() override { return inPoint_; }
    int32_t getLength() override { return length_; }

    // Builders: the clip draws (and saves) these 4,194,304 bytes, which the caller keeps alive.
    void setPixels(const uint8_t* pixels) { pixels_ = pixels; }
    // The image the clip draws: after load the uncompressed one (the shared black image when
    // it failed), else the builder's pixels.
    const uint8_t* image() const { return decompressed_ ? (image_ ? image_ : blackImage()) : pixels_; }
    // The image of every picture that failed to uncompress: 1024 x 1024 pixels of zero bytes.
    static const uint8_t* blackImage();
    int32_t getCompressedLength() const { return compressedLength_; }

private:
    // Inflates size bytes of zlib stream into a new image_; false (image_ possibly set) when the
    // stream is damaged, cut short or longer than the image.
    bool uncompressImage(const uint8_t* data, size_t size);

    int32_t inPoint_ = 0;
    int32_t length_ = 0;
    const uint8_t* pixels_ = nullptr;
    bool decompressed_ = false;
    uint8_t* image_ = nullptr;
    int32_t compressedLength_ = 0;
};
