// Quaternion: stored orientation and the spherical interpolation used by rotation controllers.
#include "math/quaternion.h"

#include <cmath>

#include "data/pack_reader.h"
#include "data/pack_writer.h"

void Quaternion::set(float x_, float y_, float z_, float w_) {
    x = x_;
    y = y_;
    z = z_;
    w = w_;
}

void Quaternion::load(PackReader& reader) {
    reader.readFloat(&x);
    reader.readFloat(&y);
    reader.readFloat(&z);
    reader.readFloat(&w);
}

void Quaternion::save(PackWriter& writer) const {
    writer.writeFloat(x);
    writer.writeFloat(y);
    writer.writeFloat(z);
    writer.writeFloat(w);
}

Quaternion Quaternion::slerp(const Quaternion& q1, const Quaternion& q2, float t) {
    // The threshold is the single-precision 0.001 widened to double.
    constexpr double kLinearThreshold = static_cast<double>(0.001f);
    double cosom = static_cast<double>(q1.x) * q2.x + static_cast<double>(q1.y) * q2.y +
                   static_cast<double>(q1.z) * q2.z + static_cast<double>(q1.w) * q2.w;
    double bx = q2.x, by = q2.y, bz = q2.z, bw = q2.w;
    if (cosom < 0.0) {
        cosom = -cosom;
        bx = -bx;
        by = -by;
        bz = -bz;
        bw = -bw;
    }
    const double td = t;
    double scale0;
    double scale1;
    if (1.0 - cosom > kLinearThreshold) {
        const double omega = std::acos(cosom);
        const double sinom = std::sin(omega);
        scale0 = std::sin((1.0 - td) * omega) / sinom;
        scale1 = std::sin(td * omega) / sinom;
    } else {
        scale0 = 1.0 - td;
        scale1 = td;
    }
    return Quaternion(static_cast<float>(scale0 * q1.x + scale1 * bx),
                      static_cast<float>(scale0 * q1.y + scale1 * by),
                      static_cast<float>(scale0 * q1.z + scale1 * bz),
                      static_cast<float>(scale0 * q1.w + scale1 * bw));
}
