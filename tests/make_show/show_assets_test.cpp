// The show's generated pictures against the player's own decoders: the FLC writer's files play
// back frame for frame through the FLI/FLC decoder, packed frames expand to the pictures they
// were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/packed_frame.h"
#include "make_show/show_test_util.h"
#include "tools/make_show/artwork.h"
#include "tools/make_show/flc_writer.h"

namespace {

// A 1024 x 6 animation: a line whose runs and literals alternate needs more than 255 packets;
// the next frame changes two far-apart pixels of one line, leaves lines untouched and repaints
// others.
FlcAnimation busyAnimation() {
    FlcAnimation a;
    a.width = 1024;
    a.height = 6;
    for (int i = 0; i < 256; ++i) {
        a.palette[3 * i] = static_cast<uint8_t>(i);
        a.palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        a.palette[3 * i + 2] = static_cast<uint8_t>(i * 7);
    }
    std::vector<uint8_t> first(1024 * 6, 9);
    for (int x = 0; x < 1024; ++x) first[x] = (x % 4 == 0) ? static_cast<uint8_t>(x / 4) : 200;
    std::vector<uint8_t> second = first;
    second[2 * 1024 + 3] = 77;
    second[2 * 1024 + 1000] = 78;
    for (int x = 0; x < 1024; ++x) second[5 * 1024 + x] = static_cast<uint8_t>(x % 3 == 0 ? 5 : 6);
    a.frames = {first, second, second};
    return a;
}

}  // namespace

TEST(ShowAssets, FlcFilesPlayBackThroughTheDecoder) {
    ScratchDir folder;
    const std::pair<const char*, FlcAnimation> cases[] = {{"spinner", makeSpinnerAnimation()}, {"busy", busyAnimation()}};
    for (const auto& [name, animation] : cases) {
        SCOPED_TRACE(name);
        const std::string path = folder.path() + "/" + name + ".flc";
        ASSERT_TRUE(writeFlc(animation, path));
        std::vector<uint8_t> pixels(kFrameBufferBytes, 0);
        fliOpen(path.c_str(), pixels.data());
        ASSERT_EQ(fliFrameCount(), static_cast<int>(animation.frames.size()));
        ASSERT_EQ(fliWidth(), animation.width);
        ASSERT_EQ(fliHeight(), animation.height);
        // The decoder shows frames 0 .. n-2, one per call.
        for (size_t f = 0; f + 1 < animation.frames.size(); ++f) {
            fliNextFrame();
            int wrong = 0;
            for (int y = 0; y < animation.height; ++y)
                for (int x = 0; x < animation.width; ++x) {
                    const uint8_t index = animation.frames[f][static_cast<size_t>(y) * animation.width + x];
                    const uint8_t* px = pixels.data() + (static_cast<size_t>(y) * kFrameBufferSide + x) * 4;
                    for (int c = 0; c < 3; ++c) wrong += px[c] != animation.palette[3 * index + c];
                }
            EXPECT_EQ(wrong, 0) << "frame " << f;
        }
        fliClose();
    }
    EXPECT_GT(encodeByteRun(busyAnimation().frames[0], 1024, 6).size(), 1024u) << "the busy line is stored";
}

TEST(ShowAssets, WipeFramesExpandToTheirPicturesAndCloseHalfWay) {
    std::vector<uint8_t> pixels(kFrameBufferBytes);
    for (int f : {0, 9, kWipeFrames / 2, kWipeFrames - 1}) {
        IndexedPicture picture = makeWipeFrame(f, kWipeFrames);
        std::vector<uint8_t> packed = encodePackedFrame(picture);
        ASSERT_EQ(decodePackedFrame(packed.data(), pixels.data(), static_cast<int>(packed.size())), kFrameBufferPixels);
        int wrong = 0;
        for (size_t i = 0; i < picture.indices.size(); ++i)
            wrong += std::memcmp(pixels.data() + 4 * i, picture.palette + 4 * picture.indices[i], 4) != 0;
        EXPECT_EQ(wrong, 0) << "frame " << f;
        // Half-way the picture is fully covered; the last frame leaves it clear.
        const size_t clear = std::count(picture.indices.begin(), picture.indices.end(), 0);
        if (f == kWipeFrames / 2 || f == kWipeFrames - 1) {
            EXPECT_EQ(clear, f == kWipeFrames / 2 ? 0u : picture.indices.size());
        }
    }
}
