// The live preview's jumps are exact: on the same kind of GL context, the frame that PreviewShow
// draws after a jump forward, a jump back (a fresh load) and a reload is the picture that
// demotool snapshot takes at that time, and a damaged pack on reload leaves the show as it was;
// a show source built beside the playing show (as play does on every save) leaves its pictures.
#include <gtest/gtest.h>

#include <filesystem>

#include "demotool_runner.h"
#include "platform/posix/headless_context.h"
#include "tools/demotool/png_writer.h"
#include "tools/demotool/preview_show.h"
#include "tools/show_source/show_source.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

// Plays the sample show's folder copied to a scratch folder (the pack is replaced there).
class PreviewShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        const fs::path sample = fs::path(DEMO_BINARY_DIR) / "show";
        ASSERT_TRUE(fs::exists(sample / "data.pak")) << "the sample show is not built";
        show_ = scratch_ / "show";
        fs::create_directories(show_);
        for (const char* name : {"data.pak", "spinner.flc", "music.mp3"})
            fs::copy_file(sample / name, fs::path(show_) / name);
        ASSERT_TRUE(context_.open(kW, kH)) << context_.error();
    }

    // demotool snapshot's pictures of the show at the given times (seconds with three decimals).
    bool snapshot(const std::vector<std::string>& times) {
        std::vector<std::string> args = {"snapshot", "--size", "320x240", "--dir", show_, "-o", scratch_ / "snaps"};
        args.insert(args.end(), times.begin(), times.end());
        const RunResult r = runDemotool(args, scratch_.path());
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0;
    }
    // One of those pictures as RGB rows, top row first.
    std::string picture(const std::string& time) {
        return decodeRgb(scratch_ / ("snaps/" + time + ".png"), scratch_.path());
    }
    // The frame PreviewShow draws at step, written as a PNG and read back like the snapshot.
    std::string drawn(PreviewShow& show, int64_t step) {
        std::string pixels;
        show.drawStep(step, [&] {
            pixels = context_.readRgba();
            return 0;
        });
        std::string error;
        const std::string path = scratch_ / "drawn.png";
        EXPECT_TRUE(writePng(path, kW, kH, reinterpret_cast<const uint8_t*>(pixels.data()), &error)) << error;
        return decodeRgb(path, scratch_.path());
    }

    ScratchDir scratch_;
    std::string show_;
    HeadlessContext context_;
};

TEST_F(PreviewShowTest, JumpsAndReloadsDrawWhatSnapshotTakes) {
    PreviewShow show(context_.surface(), kW, kH, show_);
    std::string error;
    ASSERT_TRUE(show.load(&error)) << error;
    // 5 s: the title picture over the first scene; 30 s: the playground's drops and bodies;
    // 44 s: the metaballs.
    ASSERT_TRUE(snapshot({"5.000", "30.000", "44.000"}));
    const std::string at5 = picture("5.000");
    const std::string at30 = picture("30.000");
    const std::string at44 = picture("44.000");
    ASSERT_EQ(at5.size(), static_cast<size_t>(kW) * kH * 3);
    ASSERT_EQ(at30.size(), at5.size());

    // Straight to 5 s, on to 30 s from the state there, then back (a fresh load) and on again.
    EXPECT_TRUE(drawn(show, 300) == at5) << "start -> 5 s";
    EXPECT_TRUE(drawn(show, 1800) == at30) << "5 s -> 30 s";
    EXPECT_TRUE(drawn(show, 2640) == at44) << "30 s -> 44 s";
    EXPECT_TRUE(drawn(show, 300) == at5) << "44 s -> 5 s";
    EXPECT_EQ(show.step(), 300);
    // Once more to 44 s: the process-wide counters of the drops and the metaballs and the random
    // generator start again with the fresh show.
    EXPECT_TRUE(drawn(show, 2640) == at44) << "5 s -> 44 s after going back";
    EXPECT_TRUE(drawn(show, 300) == at5);
    EXPECT_EQ(show.stepsToReach(1800), 1499);
    EXPECT_EQ(show.stepsToReach(200), 200);

    // A new pack: after the reload the same time shows the new show.
    const std::string pack = (std::filesystem::path(show_) / "data.pak").string();
    ASSERT_TRUE(writePack(pack, testShowStream()));
    ASSERT_TRUE(show.load(&error)) << error;
    ASSERT_TRUE(snapshot({"1.500"}));
    const std::string newAt = picture("1.500");
    EXPECT_FALSE(newAt == at5);
    EXPECT_TRUE(drawn(show, 90) == newAt) << "after the reload";

    // A damaged pack keeps the show that was playing, and says where and why.
    std::filesystem::resize_file(pack, 300);
    EXPECT_FALSE(show.load(&error));
    EXPECT_NE(error.find("data.pak"), std::string::npos) << error;
    EXPECT_NE(error.find("byte"), std::string::npos) << error;
    EXPECT_TRUE(drawn(show, 90) == newAt) << "after a failed reload";
}

TEST_F(PreviewShowTest, ABuildBesideTheShowLeavesItsPictures) {
    PreviewShow show(context_.surface(), kW, kH, show_);
    std::string error;
    ASSERT_TRUE(show.load(&error)) << error;
    // The playground's drops and bodies at 30 s and 31 s: they draw on the random generator and
    // the stream's counter, which a build's loading sets back.
    ASSERT_TRUE(snapshot({"30.000", "31.000"}));
    EXPECT_TRUE(drawn(show, 1800) == picture("30.000"));
    BuildResult built;
    show.runBeside([&] {
        built = buildShow((std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "starter").string(),
                          scratch_ / "built/data.pak");
    });
    ASSERT_TRUE(built.ok());
    EXPECT_TRUE(drawn(show, 1860) == picture("31.000")) << "30 s -> 31 s across a build";
}

}  // namespace
