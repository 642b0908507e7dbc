// MessageBoxDigest: while a show loads, each distinct message box is shown once and its repeats
// are only counted, so that a pack of many faulty records costs one box per complaint.
#pragma once

#include <vector>

#include "data/message_box.h"

// While in scope (loading), each distinct box (text and caption) goes to the installed sink
// once; repeats, and every box after kMaxShown distinct ones, are only counted. When the scope
// ends, reportLine gets one line per repeated box ("error:factory NULL: 999 more") and one
// line for the boxes past the limit. A question repeated or past the limit is answered as the
// first one was, or Yes.
class MessageBoxDigest {
public:
    static constexpr int kMaxShown = 8;

    // Routes every box through the digest until the scope ends.
    MessageBoxDigest();
    // Puts the previous sink back and reports the counts.
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
