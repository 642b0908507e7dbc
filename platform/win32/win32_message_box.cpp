// Message boxes as Windows dialogs.
#include "platform/win32/win32_message_box.h"

#include "platform/win32/win32_api.h"

MessageBoxResult win32MessageBox(const MessageBoxCall& call) {
    UINT type = MB_OK;
    switch (call.style) {
        case MessageBoxStyle::Ok: type = MB_OK; break;
        case MessageBoxStyle::OkExclamation: type = MB_OK | MB_ICONEXCLAMATION; break;
        case MessageBoxStyle::OkStop: type = MB_OK | MB_ICONSTOP; break;
        case MessageBoxStyle::OkInformation: type = MB_OK | MB_ICONINFORMATION; break;
        case MessageBoxStyle::YesNoExclamation: type = MB_YESNO | MB_ICONEXCLAMATION; break;
    }
    const int answer = MessageBoxA(nullptr, call.text.c_str(), call.caption.c_str(), type);
    if (call.style != MessageBoxStyle::YesNoExclamation) return MessageBoxResult::Ok;
    return answer == IDYES ? MessageBoxResult::Yes : MessageBoxResult::No;
}
