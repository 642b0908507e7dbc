// Picture clips: a compressed 1024 x 1024 still, uncompressed at load and drawn every frame.
#include "app/picture_clip.h"

#include <cstring>
#include <vector>

#include "app/frame_buffer.h"
#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "data/zlib_codec.h"

PictureClip::~PictureClip() { delete[] image_; }

int PictureClip::load(PackReader& reader) {
    ReadContext context(reader, "a picture");
    const int32_t n = reader.getInt();
    if (!reader.checkCount(n, kMaxCompressedPicture, "compressed picture length")) return 0;
    std::vector<uint8_t> compressed(static_cast<size_t>(n));
    constexpr int32_t kStep = 1 << 16;
    for (int32_t done = 0; done < n && !reader.failed(); done += kStep)
        reader.readBytes(compressed.data() + done, n - done < kStep ? n - done : kStep);
    if (reader.failed()) return 0;

    delete[] image_;
    image_ = nullptr;
    decompressed_ = true;
    compressedLength_ = n;
    if (!uncompressImage(compressed.data(), static_cast<size_t>(n))) {
        // A failed picture shows the shared black image and keeps none of its own.
        delete[] image_;
        image_ = nullptr;
        messageBox("text", "Z PROB UNCOMPRESS", MessageBoxStyle::Ok);
    }
    return 0;
}

bool PictureClip::uncompressImage(const uint8_t* data, size_t size) {
    // As zlib's uncompress, but the image is allocated only once the stream has produced its
    // first bytes: a stream that fails at once costs no 4 MiB allocation.
    size_t produced = 0;
    const bool ended = inflateZlibStream(
        data, size, kFrameBufferBytes,
        [this] {
            image_ = new uint8_t[kFrameBufferBytes];
            return image_;
        },
        &produced);
    if (!ended) return false;
    // A short image ends black; an empty one is the shared black image.
    if (image_) std::memset(image_ + produced, 0, kFrameBufferBytes - produced);
    return true;
}

const uint8_t* PictureClip::blackImage() {
    static const std::vector<uint8_t> black(kFrameBufferBytes, 0);
    return black.data();
}

int PictureClip::save(PackWriter& writer) {
    static const std::vector<uint8_t> kBlank(kFrameBufferBytes, 0);
    const uint8_t* source = image() ? image() : kBlank.data();
    std::vector<uint8_t> compressed(kMaxCompressedPicture);
    size_t length = kMaxCompressedPicture;
    if (compressZlibStream(compressed.data(), &length, source, kFrameBufferBytes)) {
        messageBox("Z_OK", "", MessageBoxStyle::Ok);
    } else {
        messageBox("Z_BIG PROBLEMO", "Z_BIG PROBLEMO", MessageBoxStyle::Ok);
        length = 0;
    }
    writer.writeInt(static_cast<int32_t>(length));
    writer.writeBytes(compressed.data(), length);
    return length > 0 ? 0 : 1;
}

int PictureClip::render(int32_t, int width, int height, RenderDevice* device, float, float, TextureName texture) {
    const uint8_t* pixels = image();
    if (!device || !pixels) return 0;
    device->updateTexture(0, 0, kFrameBufferSide, kFrameBufferSide, texture, 1, pixels);
    device->drawScreenTexture(0, 0, width, height, texture, 1.0f);
    return 0;
}
