// Picture clips: the compressed record both ways, drawing, and damaged pictures.
#include <gtest/gtest.h>

#include <zlib.h>

#include <vector>

#include "app/frame_buffer.h"
#include "app/picture_clip.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "test_packs.h"

namespace {

std::vector<uint8_t> pattern() {
    std::vector<uint8_t> pixels(kFrameBufferBytes);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 7) ^ (i >> 12));
    return pixels;
}

}  // namespace

TEST(PictureClip, SavedPictureLoadsBackAndDrawsIntoTheTrackTexture) {
    CapturedMessageBoxes boxes;
    const std::vector<uint8_t> pixels = pattern();
    PictureClip built;
    built.setPixels(pixels.data());
    PackWriter w;
    w.openMemory();
    built.save(w);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "Z_OK");

    PictureClip loaded;
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    loaded.load(reader);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.offset(), w.bytes().size());
    EXPECT_EQ(loaded.getCompressedLength() + 4, static_cast<int32_t>(w.bytes().size()));
    ASSERT_NE(loaded.image(), nullptr);
    EXPECT_EQ(std::vector<uint8_t>(loaded.image(), loaded.image() + kFrameBufferBytes), pixels);

    RecordingRenderDevice device;
    loaded.render(12345, 640, 480, &device, 1, 1, 9);
    ASSERT_EQ(device.records().size(), 2u);
    EXPECT_EQ(device.records()[0].kind, RecordKind::UpdateTexture);
    EXPECT_EQ(device.records()[0].texture, 9u);
    EXPECT_EQ(device.records()[0].width, 1024);
    EXPECT_EQ(device.records()[0].height, 1024);
    EXPECT_EQ(device.records()[0].pixels, loaded.image());
    EXPECT_EQ(device.records()[1].kind, RecordKind::ScreenTexture);
    EXPECT_EQ(device.records()[1].width, 640);
    EXPECT_EQ(device.records()[1].height, 480);
    EXPECT_FLOAT_EQ(device.records()[1].alpha, 1.0f);
}

TEST(PictureClip, FailedUncompressShowsItsBoxAndKeepsWhatWasUncompressed) {
    CapturedMessageBoxes boxes;
    // A valid stream cut short: the first part of the picture comes out, the rest stays black.
    std::vector<uint8_t> pixels(kFrameBufferBytes, 0);
    for (int i = 0; i < 1000; ++i) pixels[i] = 200;
    std::vector<uint8_t> compressed(compressBound(kFrameBufferBytes));
    uLongf length = compressed.size();
    ASSERT_EQ(compress(compressed.data(), &length, pixels.data(), kFrameBufferBytes), Z_OK);
    PackWriter w;
    w.openMemory();
    const int32_t cut = static_cast<int32_t>(length) / 2;
    w.writeInt(cut);
    w.writeBytes(compressed.data(), static_cast<size_t>(cut));

    PictureClip clip;
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    clip.load(reader);
    EXPECT_FALSE(reader.failed());  // the record itself was whole
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "text");
    EXPECT_EQ(boxes.calls()[0].caption, "Z PROB UNCOMPRESS");
    ASSERT_NE(clip.image(), nullptr);
    EXPECT_EQ(clip.image()[kFrameBufferBytes - 1], 0);
    RecordingRenderDevice device;
    clip.render(0, 1024, 768, &device, 1, 1, 1);
    EXPECT_EQ(device.count(RecordKind::ScreenTexture), 1);

    // Garbage bytes: the same box, a black picture.
    PackWriter garbage;
    garbage.openMemory();
    garbage.writeInt(6);
    garbage.writeBytes("\x01\x02\x03\x04\x05\x06", 6);
    PictureClip bad;
    PackReader badReader;
    badReader.openMemory(garbage.bytes().data(), garbage.bytes().size(), "data.pak");
    bad.load(badReader);
    EXPECT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(bad.image()[0], 0);
}

TEST(PictureClip, ImpossibleOrTruncatedLengthsFailTheReader) {
    for (int32_t n : {-1, kMaxCompressedPicture + 1}) {
        PackWriter w;
        w.openMemory();
        w.writeInt(n);
        PictureClip clip;
        PackReader reader;
        reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
        clip.load(reader);
        EXPECT_TRUE(reader.failed()) << n;
        EXPECT_EQ(clip.image(), nullptr);
    }
    PackWriter w;
    w.openMemory();
    w.writeInt(100);
    w.writeBytes("abc", 3);
    PictureClip clip;
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    clip.load(reader);
    EXPECT_TRUE(reader.failed());
    EXPECT_NE(reader.error().find("truncated"), std::string::npos) << reader.error();
}
