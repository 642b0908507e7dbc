// ColorRGB: a colour as three floats in 0..1, stored in a Vector3; packs to 0x00RRGGBB.
#pragma once

#include <cstdint>

#include "math/vector3.h"

struct ColorRGB : Vector3 {
    ColorRGB() = default;
    ColorRGB(float r, float g, float b) : Vector3(r, g, b) {}

    // Saturating add: each channel capped at 1.0.
    void add(const ColorRGB& o);
    // Subtract floored at 0.0 (a NaN result also becomes 0.0).
    void subtract(const ColorRGB& o);
    // Reads one int32 and unpacks it.
    void load(PackReader& reader);
    // Packs and writes one int32.
    void save(PackWriter& writer) const;
    // r = ((v >> 16) & 0xFF) / 255 and so on, with the double constant 1/255.
    void unpack(int32_t v);
    // Each channel * 255 truncated toward zero, masked to a byte.
    int32_t pack() const;

    static ColorRGB fromPacked(int32_t v) {
        ColorRGB c;
        c.unpack(v);
        return c;
    }
};
