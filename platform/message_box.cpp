// Routes message boxes to the installed sink.
#include "platform/message_box.h"

#include <cstdio>

namespace {
MessageBoxSink& currentSink() {
    static MessageBoxSink sink;
    return sink;
}
}  // namespace

MessageBoxResult stderrMessageBox(const MessageBoxCall& call) {
    std::fprintf(stderr, "%s: %s\n", call.caption.empty() ? "message" : call.caption.c_str(), call.text.c_str());
    return call.style == MessageBoxStyle::YesNoExclamation ? MessageBoxResult::Yes : MessageBoxResult::Ok;
}

MessageBoxResult messageBox(const char* text, const char* caption, MessageBoxStyle style) {
    MessageBoxCall call{text ? text : "", caption ? caption : "", style};
    MessageBoxSink& sink = currentSink();
    return sink ? sink(call) : stderrMessageBox(call);
}

MessageBoxSink setMessageBoxSink(MessageBoxSink sink) {
    MessageBoxSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

namespace {
ReportLineSink gReportLineSink = nullptr;
}  // namespace

ReportLineSink setReportLineSink(ReportLineSink sink) {
    const ReportLineSink previous = gReportLineSink;
    gReportLineSink = sink;
    return previous;
}

void reportLine(const std::string& line) {
    if (gReportLineSink)
        gReportLineSink(line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

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

CapturedMessageBoxes::CapturedMessageBoxes(MessageBoxResult answer) : answer_(answer) {
    previous_ = setMessageBoxSink([this](const MessageBoxCall& call) {
        calls_.push_back(call);
        if (call.style == MessageBoxStyle::YesNoExclamation) return answer_;
        return MessageBoxResult::Ok;
    });
}

CapturedMessageBoxes::~CapturedMessageBoxes() { setMessageBoxSink(std::move(previous_)); }
