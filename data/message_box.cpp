// Routes message boxes and report lines to the installed sinks.
#include "data/message_box.h"

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
