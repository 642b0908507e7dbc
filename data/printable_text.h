// Text from a pack made safe to print or draw: control bytes written as \xHH.
#pragma once

#include <string>
#include <string_view>

// text with every control byte (below 0x20 except tab and newline, and 0x7F) written as \xHH,
// so that a name read from a pack cannot drive a terminal. Other bytes are kept.
std::string escapeControlBytes(std::string_view text);
