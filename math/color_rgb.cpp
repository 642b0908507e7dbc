// ColorRGB: saturating colour arithmetic and the 0x00RRGGBB packed form stored in the pack.
#include "math/color_rgb.h"

#include <cmath>

#include "data/pack_reader.h"
#include "data/pack_writer.h"

namespace {

constexpr double kInv255 = 1.0 / 255.0;  // 0.00392156862745098

// trunc(c * 255) masked to a byte. Out-of-range channels wrap as the integer conversion would;
// NaN and values beyond the int range give 0 instead of undefined behaviour.
int32_t channelByte(float c) {
    const double v = std::trunc(static_cast<double>(c) * 255.0);
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(v) & 0xFF);
}

}  // namespace

void ColorRGB::add(const ColorRGB& o) {
    x += o.x;
    if (x > 1.0f) x = 1.0f;
    y += o.y;
    if (y > 1.0f) y = 1.0f;
    z += o.z;
    if (z > 1.0f) z = 1.0f;
}

void ColorRGB::subtract(const ColorRGB& o) {
    x -= o.x;
    if (!(x >= 0.0f)) x = 0.0f;
    y -= o.y;
    if (!(y >= 0.0f)) y = 0.0f;
    z -= o.z;
    if (!(z >= 0.0f)) z = 0.0f;
}

void ColorRGB::load(PackReader& reader) {
    int32_t v = 0;
    reader.readInt(&v);
    unpack(v);
}

void ColorRGB::save(PackWriter& writer) const { writer.writeInt(pack()); }

void ColorRGB::unpack(int32_t v) {
    x = static_cast<float>(((v >> 16) & 0xFF) * kInv255);
    y = static_cast<float>(((v >> 8) & 0xFF) * kInv255);
    z = static_cast<float>((v & 0xFF) * kInv255);
}

int32_t ColorRGB::pack() const {
    return (channelByte(x) << 16) | (channelByte(y) << 8) | channelByte(z);
}
