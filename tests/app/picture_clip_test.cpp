// Picture clips: loading the compressed record, drawing into the track texture, and damaged
// pictures.
#include "app/picture_clip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "app/frame_buffer.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"
#include "test_packs.h"

TEST(PictureClip, PicturesLoadWholeOrShowTheUncompressBoxOrFailTheReader) {
    CapturedMessageBoxes boxes;
    // The first 1000 bytes 200, the rest 0.
    std::vector<uint8_t> pixels(kFrameBufferBytes, 0);
    std::fill(pixels.begin(), pixels.begin() + 1000, 200);
    std::vector<uint8_t> compressed(compressBound(kFrameBufferBytes));
    uLongf length = compressed.size();
    ASSERT_EQ(compress(compressed.data(), &length, pixels.data(), kFrameBufferBytes), Z_OK);
    compressed.resize(length);
    auto deflated = [](const std::vector<uint8_t>& raw) {
        std::vector<uint8_t> out(compressBound(raw.size()));
        uLongf n = out.size();
        EXPECT_EQ(compress(out.data(), &n, raw.data(), raw.size()), Z_OK);
        out.resize(n);
        return out;
    };
    const std::vector<uint8_t> tooLong = deflated(std::vector<uint8_t>(kFrameBufferBytes + 1, 7));
    // Records as (length field, the bytes that follow); the load error, or whether the uncompress
    // box shows. A stream that fails (cut short or not zlib) shows the shared black image.
    const struct {
        int32_t length;
        std::vector<uint8_t> bytes;
        const char* error;
        bool box;
    } cases[] = {
        {static_cast<int32_t>(length), compressed, nullptr, false},
        {static_cast<int32_t>(length / 2),
         {compressed.begin(), compressed.begin() + length / 2},
         nullptr,
         true},
        {6, {1, 2, 3, 4, 5, 6}, nullptr, true},
        {static_cast<int32_t>(tooLong.size()), tooLong, nullptr, true},  // one byte more than a picture
        {-1, {}, "bad count -1", false},
        {kMaxCompressedPicture + 1, {}, "bad count", false},
        {100, {'a', 'b', 'c'}, "truncated", false},  // shorter than its length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        boxes.clear();
        PackWriter w;
        w.openMemory();
        w.writeInt(c.length);
        w.writeBytes(c.bytes.data(), c.bytes.size());
        PictureClip clip;
        PackReader reader;
        openOver(reader, w);
        clip.load(reader);
        EXPECT_EQ(reader.failed(), c.error != nullptr) << reader.error();
        if (c.error) {
            EXPECT_NE(reader.error().find(c.error), std::string::npos) << reader.error();
            EXPECT_EQ(clip.image(), nullptr);
            EXPECT_TRUE(boxes.calls().empty());
            continue;
        }
        EXPECT_EQ(reader.offset(), w.bytes().size());
        ASSERT_EQ(boxes.calls().size(), c.box ? 1u : 0u);
        for (const MessageBoxCall& box : boxes.calls()) {
            EXPECT_EQ(box.text, "text");
            EXPECT_EQ(box.caption, "Z PROB UNCOMPRESS");
        }
        ASSERT_NE(clip.image(), nullptr);
        if (c.box) {
            EXPECT_EQ(clip.image(), PictureClip::blackImage());
        } else {
            EXPECT_EQ(clip.image()[0], 200);
        }
        EXPECT_EQ(clip.image()[kFrameBufferBytes - 1], 0);
        if (!c.box) {
            EXPECT_EQ(std::vector<uint8_t>(clip.image(), clip.image() + kFrameBufferBytes), pixels);
        }

        // Drawing updates the track's texture from the picture, then puts it on the screen.
        RecordingRenderDevice device;
        clip.render(12345, 640, 480, &device, 1, 1, 9);
        ASSERT_EQ(device.records().size(), 2u);
        const RenderRecord& update = device.records()[0];
        EXPECT_EQ(update.kind, RecordKind::UpdateTexture);
        EXPECT_EQ(update.texture, 9u);
        EXPECT_EQ(update.width, 1024);
        EXPECT_EQ(update.height, 1024);
        EXPECT_EQ(update.pixels, clip.image());
        const RenderRecord& screen = device.records()[1];
        EXPECT_EQ(screen.kind, RecordKind::ScreenTexture);
        EXPECT_EQ(screen.texture, 9u);
        EXPECT_FLOAT_EQ(screen.alpha, 1.0f);
    }

    // A stream shorter than a picture ends black, whatever the memory held before.
    for (uint8_t fill : {0xAB, 0x00}) {
        const std::vector<uint8_t> stream =
            deflated(fill ? std::vector<uint8_t>(kFrameBufferBytes, fill) : std::vector<uint8_t>(1000, 200));
        PackWriter w;
        w.openMemory();
        w.writeInt(static_cast<int32_t>(stream.size()));
        w.writeBytes(stream.data(), stream.size());
        PictureClip clip;
        PackReader reader;
        openOver(reader, w);
        clip.load(reader);
        ASSERT_NE(clip.image(), nullptr);
        if (fill) continue;  // a whole picture, freed again before the short one loads
        EXPECT_EQ(std::vector<uint8_t>(clip.image(), clip.image() + kFrameBufferBytes), pixels);
    }
}
