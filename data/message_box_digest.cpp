// Each distinct message box once while loading; repeats counted and reported in one line each.
#include "data/message_box_digest.h"

#include <string>
#include <utility>

MessageBoxDigest::MessageBoxDigest() {
    previous_ = setMessageBoxSink([this](const MessageBoxCall& call) { return route(call); });
}

MessageBoxDigest::~MessageBoxDigest() {
    setMessageBoxSink(std::move(previous_));
    for (const Shown& shown : shown_)
        if (shown.repeats > 0) reportLine(shown.call.text + ": " + std::to_string(shown.repeats) + " more");
    if (unshown_ > 0) reportLine(std::to_string(unshown_) + " more messages of other kinds");
}

MessageBoxResult MessageBoxDigest::route(const MessageBoxCall& call) {
    for (Shown& shown : shown_) {
        if (shown.call.text == call.text && shown.call.caption == call.caption) {
            ++shown.repeats;
            return shown.answer;
        }
    }
    const MessageBoxResult quiet =
        call.style == MessageBoxStyle::YesNoExclamation ? MessageBoxResult::Yes : MessageBoxResult::Ok;
    if (static_cast<int>(shown_.size()) >= kMaxShown) {
        ++unshown_;
        return quiet;
    }
    const MessageBoxResult answer = previous_ ? previous_(call) : stderrMessageBox(call);
    shown_.push_back({call, answer, 0});
    return answer;
}
