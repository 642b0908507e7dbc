// The one message box of the program. Every failure report and question goes through
// messageBox(); where it ends up is the installed sink: a real dialog in the live player, a line
// on standard error when there is no display (a Yes/No question then takes Yes), or a capturing
// sink in tests. Nothing may block on a dialog in a test.
#pragma once

#include <functional>
#include <string>
#include <vector>

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
void reportLine(const std::string& line);

// While in scope (loading), each distinct box (text and caption) goes to the installed sink
// once; repeats, and every box after kMaxShown distinct ones, are only counted. When the scope
// ends, reportLine gets one line per repeated box ("error:factory NULL: 999 more") and one
// line for the boxes past the limit. A question repeated or past the limit is answered as the
// first one was, or Yes.
class MessageBoxDigest {
public:
    static constexpr int kMaxShown = 8;

    MessageBoxDigest();
    ~MessageBoxDigest();
    MessageBoxDigest(const MessageBoxDigest&) = delete;
    MessageBoxDigest& operator=(const MessageBoxDigest&) = delete;

private:
    struct Shown {
        MessageBoxCall call;
        MessageBoxResult answer;
        long repeats;
    };
    MessageBoxResult route(const MessageBoxCall& call);

    std::vector<Shown> shown_;
    long unshown_ = 0;
    MessageBoxSink previous_;
};

// Test helper: captures every box while in scope and answers with a fixed result.
class CapturedMessageBoxes {
public:
    explicit CapturedMessageBoxes(MessageBoxResult answer = MessageBoxResult::Yes);
    ~CapturedMessageBoxes();
    CapturedMessageBoxes(const CapturedMessageBoxes&) = delete;
    CapturedMessageBoxes& operator=(const CapturedMessageBoxes&) = delete;

    const std::vector<MessageBoxCall>& calls() const { return calls_; }
    void setAnswer(MessageBoxResult answer) { answer_ = answer; }
    void clear() { calls_.clear(); }

private:
    std::vector<MessageBoxCall> calls_;
    MessageBoxResult answer_;
    MessageBoxSink previous_;
};
