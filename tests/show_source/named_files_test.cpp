// Files that a source names are read only when they are plain files: a device or a folder named
// in their place is a problem at its key, never a read without end or an abort.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "tools/show_source/show_source.h"

namespace {

TEST(SourceNamedFiles, ADeviceInPlaceOfAnObjFileIsAProblem) {
    namespace fs = std::filesystem;
    CapturedMessageBoxes boxes;
    ScratchDir dir;
    const fs::path source = fs::path(dir.path()) / "source";
    fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "starter", source, fs::copy_options::recursive);
    std::ofstream(source / "meshes" / "cube.yaml", std::ios::binary | std::ios::trunc) << "key: \"cube\"\n"
                                                                                         "obj: /dev/zero\n";
    const BuildResult result = buildShow(source.string(), dir / "out/data.pak");
    ASSERT_EQ(result.problemCount, 1);
    EXPECT_EQ(result.problems[0].text(), "meshes/cube.yaml:2:6: an existing OBJ file, not '/dev/zero'");
    EXPECT_FALSE(fs::exists(dir / "out/data.pak"));
}

TEST(SourceNamedFiles, DevicesAndFoldersInPlaceOfFrameFilesAreProblems) {
    namespace fs = std::filesystem;
    CapturedMessageBoxes boxes;
    ScratchDir dir;
    const fs::path source = fs::path(dir.path()) / "source";
    fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "starter", source, fs::copy_options::recursive);
    std::ofstream(source / "show.yaml", std::ios::binary | std::ios::trunc) << "animations:\n"
                                                                              "  - name: \"wipe\"\n"
                                                                              "    frames: [scenes, /dev/zero]\n";
    const BuildResult result = buildShow(source.string(), dir / "out/data.pak");
    ASSERT_EQ(result.problemCount, 2);
    EXPECT_EQ(result.problems[0].text(), "show.yaml:3:14: an existing file, not 'scenes'");
    EXPECT_EQ(result.problems[1].text(), "show.yaml:3:22: an existing file, not '/dev/zero'");
    EXPECT_FALSE(fs::exists(dir / "out/data.pak"));
}

}  // namespace
