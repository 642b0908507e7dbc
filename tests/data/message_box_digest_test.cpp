// MessageBoxDigest: each distinct box (text and caption) shown once, repeats and boxes past the
// limit counted in one line each, and questions answered as the first one was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/message_box.h"
#include "data/message_box_digest.h"
#include "support/captured_message_boxes.h"

namespace {

std::vector<std::string> gLines;

TEST(MessageBoxDigest, ShowsEachTextAndCaptionOnceAndCountsTheRest) {
    gLines.clear();
    const ReportLineSink previous = setReportLineSink([](const char* line) { gLines.emplace_back(line); });
    CapturedMessageBoxes boxes(MessageBoxResult::No);
    {
        MessageBoxDigest digest;
        for (int i = 0; i < 3; ++i) messageBox("error:factory NULL", "", MessageBoxStyle::Ok);
        messageBox("error:factory NULL", "IN PLAYER", MessageBoxStyle::Ok);  // another caption: its own box
        EXPECT_EQ(messageBox("retry?", "", MessageBoxStyle::YesNoExclamation), MessageBoxResult::No);
        EXPECT_EQ(messageBox("retry?", "", MessageBoxStyle::YesNoExclamation), MessageBoxResult::No);
        for (int i = 0; i < MessageBoxDigest::kMaxShown; ++i)
            messageBox(("box " + std::to_string(i)).c_str(), "", MessageBoxStyle::Ok);
        // Past the limit a question is not shown and takes Yes.
        EXPECT_EQ(messageBox("late question?", "", MessageBoxStyle::YesNoExclamation), MessageBoxResult::Yes);
        EXPECT_TRUE(gLines.empty());  // counts are reported when loading ends
    }
    ASSERT_EQ(boxes.calls().size(), static_cast<size_t>(MessageBoxDigest::kMaxShown));
    EXPECT_EQ(boxes.calls()[0].caption, "");
    EXPECT_EQ(boxes.calls()[1].caption, "IN PLAYER");
    EXPECT_EQ(boxes.calls()[2].text, "retry?");
    EXPECT_EQ(gLines, (std::vector<std::string>{"error:factory NULL: 2 more", "retry?: 1 more",
                                                "4 more messages of other kinds"}));
    // Out of scope, boxes go straight to the sink again.
    messageBox("error:factory NULL", "", MessageBoxStyle::Ok);
    EXPECT_EQ(boxes.calls().size(), static_cast<size_t>(MessageBoxDigest::kMaxShown) + 1);
    setReportLineSink(previous);
}

}  // namespace
