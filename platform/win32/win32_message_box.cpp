// Message boxes as Windows dialogs; report lines into a log file beside the program.
#include "platform/win32/win32_message_box.h"

#include <cstdio>
#include <cstdlib>
#include <string>

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
    // No box could be shown (no desktop, say): the text is kept in the log rather than lost.
    if (answer == 0) win32ReportLine((call.caption.empty() ? call.text : call.caption + ": " + call.text).c_str());
    if (call.style != MessageBoxStyle::YesNoExclamation) return MessageBoxResult::Ok;
    return answer == IDYES ? MessageBoxResult::Yes : MessageBoxResult::No;
}

std::string win32LogPath() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string log = n > 0 && n < MAX_PATH ? std::string(path, n) : std::string("demoplayer.exe");
    const size_t slash = log.find_last_of("\\/");
    const size_t dot = log.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) log.erase(dot);
    return log + ".log";
}

bool win32AppendLogLine(const std::string& path, const char* line) {
    static bool started = false;
    std::FILE* file = std::fopen(path.c_str(), started ? "ab" : "wb");
    if (!file) return false;
    started = true;
    std::string text = line ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    text += "\r\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

void win32ReportLine(const char* line) {
    const std::string path = win32LogPath();
    if (win32AppendLogLine(path, line)) return;
    const size_t slash = path.find_last_of("\\/");
    win32AppendLogLine(slash == std::string::npos ? path : path.substr(slash + 1), line);
}

void win32FatalLine(const char* line) {
    std::string text = line ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    win32ReportLine(text.c_str());
    messageBox(text.c_str(), "ERROR", MessageBoxStyle::OkStop);
    std::exit(1);
}
