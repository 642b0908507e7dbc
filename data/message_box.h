// The one message box of the program. Every failure report and question goes through
// messageBox(); where it ends up is the installed sink: a real dialog in the live player, a line
// on standard error when there is no display (a Yes/No question then takes Yes), or a capturing
// sink in tests. Nothing may block on a dialog in a test.
#pragma once

#include <functional>
#include <string>

enum class MessageBoxStyle {
    Ok,               // MB_OK
    OkExclamation,    // MB_OK | MB_ICONEXCLAMATION
    OkStop,           // MB_OK | MB_ICONSTOP
    OkInformation,    // MB_OK | MB_ICONINFORMATION
    YesNoExclamation  // MB_YESNO | MB_ICONEXCLAMATION
};

enum class MessageBoxResult { Ok, Yes, No };

struct MessageBoxCall {
    std::string text;
    std::string caption;
    MessageBoxStyle style;
};

using MessageBoxSink = std::function<MessageBoxResult(const MessageBoxCall&)>;

// Shows (or routes) one box and returns the answer.
MessageBoxResult messageBox(const char* text, const char* caption, MessageBoxStyle style = MessageBoxStyle::Ok);

// Replaces the sink; returns the previous one. An empty sink restores the standard-error sink.
MessageBoxSink setMessageBoxSink(MessageBoxSink sink);

// The default sink: "caption: text" on standard error; Yes for questions.
MessageBoxResult stderrMessageBox(const MessageBoxCall& call);

// Where one-line reports go (the digest's repeat counts, a fault that loading survived): a line
// on standard error unless a sink is installed. The line has no newline of its own.
using ReportLineSink = void (*)(const char* line);
// Installs sink (null restores standard error); returns the previous one.
ReportLineSink setReportLineSink(ReportLineSink sink);
// Writes one line to the installed report sink.
void reportLine(const std::string& line);
