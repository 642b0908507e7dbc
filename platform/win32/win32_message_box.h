// The live Windows player's reports: message boxes with MessageBoxA and no owner window, and the
// lines that a Linux player writes to standard error, which a Windows GUI program has not got:
// a fatal one in a box, the others in a log file beside the program.
#pragma once

#include <string>

#include "data/message_box.h"

// Shows the box with MessageBoxA (MB_OK or MB_YESNO and the style's icon) and returns the answer.
// A box that cannot be shown puts "caption: text" into the log (win32ReportLine) instead.
MessageBoxResult win32MessageBox(const MessageBoxCall& call);
// The log file beside the running program: its path with ".log" for ".exe" (demoplayer.log).
std::string win32LogPath();
// Appends line and a line break to the file at path, which the process's first call empties
// (each run keeps its own lines). false when the file cannot be written.
bool win32AppendLogLine(const std::string& path, const char* line);
// The report-line sink: the line into win32LogPath(), or, where the program's folder cannot be
// written, into the same name in the working folder.
void win32ReportLine(const char* line);
// A fatal report before the program ends: the line in the log and in a box (through the
// installed message-box sink, caption "ERROR"), then the program ends with code 1.
[[noreturn]] void win32FatalLine(const char* line);
