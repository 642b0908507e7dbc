// demotool play on a show source that does not build: the problems, each with its place and
// its control bytes escaped, and exit code 1, before any window is opened; nothing is written
// into the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "demotool_runner.h"

namespace {

TEST(PlaySource, ASourceThatDoesNotBuildIsReportedAndNothingPlays) {
    namespace fs = std::filesystem;
    ScratchDir dir;
    const fs::path source = fs::path(dir.path()) / "source";
    fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "starter", source, fs::copy_options::recursive);
    const fs::path scene = source / "scenes" / "cube.yaml";
    std::string text = readWholeFile(scene.string());
    const size_t at = text.find("fieldOfView");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 11, "field\x1b[31mOfView");
    std::ofstream(scene, std::ios::binary | std::ios::trunc) << text;
    const auto files = [&] {
        std::vector<std::string> list;
        for (const auto& e : fs::recursive_directory_iterator(source)) list.push_back(e.path().string());
        return list;
    };
    const std::vector<std::string> before = files();

    // No display is needed to find out: the build comes first.
    const RunResult r = runShell("DISPLAY= WAYLAND_DISPLAY= " + shellQuote(DEMOTOOL_PROGRAM) + " play --dir " +
                                     shellQuote(source.string()),
                                 dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "demotool play: the source has problems, nothing to play:\n"
              "scenes/cube.yaml:8:7: the key 'fieldOfView'\n"
              "scenes/cube.yaml:12:7: a known key, not 'field\\x1B[31mOfView'\n");
    EXPECT_EQ(files(), before);
}

}  // namespace
