// CapturedMessageBoxes: while in scope, every message box goes into a list instead of a dialog or
// standard error, and questions get a fixed answer.
#pragma once

#include <vector>

#include "data/message_box.h"

class CapturedMessageBoxes {
public:
    // Installs the capturing sink; questions are answered with answer.
    explicit CapturedMessageBoxes(MessageBoxResult answer = MessageBoxResult::Yes);
    // Puts the previous sink back.
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
