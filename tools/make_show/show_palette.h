// The sample show's colours: one palette that every scene, picture and frame draws from, so
// that the pieces go together.
#pragma once

#include <cstdint>

struct ShowColour {
    uint8_t r, g, b;
    // The colour as 0..1 floats.
    float rf() const { return r / 255.0f; }
    float gf() const { return g / 255.0f; }
    float bf() const { return b / 255.0f; }
    // Packed 0x00RRGGBB, as stored colours are.
    int32_t packed() const { return (r << 16) | (g << 8) | b; }
};

constexpr ShowColour kNavy{27, 42, 73};
constexpr ShowColour kTeal{46, 139, 154};
constexpr ShowColour kAqua{127, 209, 199};
constexpr ShowColour kCream{244, 227, 193};
constexpr ShowColour kCoral{242, 138, 114};
constexpr ShowColour kPeach{246, 180, 143};
constexpr ShowColour kRose{217, 102, 123};
constexpr ShowColour kPlum{91, 58, 110};
constexpr ShowColour kGold{242, 193, 78};
constexpr ShowColour kSand{226, 203, 160};
constexpr ShowColour kInk{18, 24, 44};
