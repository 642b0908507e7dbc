// PNG output: a write that fails leaves neither the file nor its temporary behind.
#include "tools/demotool/png_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/scratch_dir.h"

TEST(PngWriter, AFailedWriteLeavesNeitherTheFileNorItsTemporary) {
    ScratchDir dir;
    const uint8_t pixels[16] = {};
    std::string error;
    EXPECT_FALSE(writePng(dir / "empty.png", 0, 2, pixels, &error));
    EXPECT_EQ(error, "no picture to write");
    // A folder where the picture should go: the rename at the end fails.
    const std::string taken = dir / "taken.png";
    std::filesystem::create_directory(taken);
    EXPECT_FALSE(writePng(taken, 2, 2, pixels, &error));
    EXPECT_NE(error.find("cannot rename"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(taken + ".part"));
    EXPECT_TRUE(writePng(dir / "fine.png", 2, 2, pixels, &error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "fine.png.part"));
}
