// The Windows reports that have no terminal to go to: the log file beside the program that takes
// the report lines (emptied by each run's first line, one CRLF-ended line per report), and the
// fatal line that ends the program after its box and its log line.
#include "platform/win32/win32_message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/win32_api.h"
#include "support/captured_message_boxes.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Win32Reports, ReportLinesGoIntoTheLogBesideTheProgram) {
    const fs::path log = win32LogPath();
    EXPECT_EQ(log.filename().string(), "test_win32.log");
    char program[MAX_PATH + 1] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    EXPECT_EQ(fs::path(program).parent_path(), log.parent_path());

    // A log of an earlier run is replaced by this run's first line; later lines are added.
    { std::ofstream(log, std::ios::binary) << "an earlier run\r\n"; }
    win32ReportLine("data.pak: face 7 names point 12 of 8: 3 more");
    win32ReportLine("error:factory NULL: 999 more\n");
    EXPECT_EQ(readAll(log), "data.pak: face 7 names point 12 of 8: 3 more\r\nerror:factory NULL: 999 more\r\n");

    // A folder that cannot take the file: false, nothing written.
    EXPECT_FALSE(win32AppendLogLine((log.parent_path() / "no_such_folder" / "x.log").string(), "lost"));
    fs::remove(log);
}

TEST(Win32ReportsDeathTest, AFatalLineIsShownAndLoggedBeforeTheProgramEnds) {
    const fs::path log = win32LogPath();
    fs::remove(log);
    // The child logs the line, shows it (captured: nothing blocks) and ends with code 1.
    EXPECT_EXIT(
        {
            CapturedMessageBoxes boxes;
            win32FatalLine("Wrong header: spinner.flc: No such file or directory\n");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_NE(readAll(log).find("Wrong header: spinner.flc: No such file or directory\r\n"), std::string::npos);
    fs::remove(log);
}
