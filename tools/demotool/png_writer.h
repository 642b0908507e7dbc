// PNG output of window pictures with libpng.
#pragma once

#include <cstdint>
#include <string>

// Writes width x height RGBA pixels given bottom row first (as read back from GL) as an 8-bit RGB
// PNG, top row first. The file is written under path + ".part" and renamed to path only when
// complete. False with the reason in error otherwise (nothing is left behind).
bool writePng(const std::string& path, int width, int height, const uint8_t* rgbaBottomUp, std::string* error);
