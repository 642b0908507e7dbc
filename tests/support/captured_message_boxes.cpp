// Message boxes captured in a list.
#include "support/captured_message_boxes.h"

CapturedMessageBoxes::CapturedMessageBoxes(MessageBoxResult answer) : answer_(answer) {
    previous_ = setMessageBoxSink([this](const MessageBoxCall& call) {
        calls_.push_back(call);
        if (call.style == MessageBoxStyle::YesNoExclamation) return answer_;
        return MessageBoxResult::Ok;
    });
}

CapturedMessageBoxes::~CapturedMessageBoxes() { setMessageBoxSink(std::move(previous_)); }
