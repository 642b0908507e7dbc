// WaveField: the sea's moving height field.
#include "fx/wave_field.h"

#include <cmath>

#include "math/random.h"

namespace {
constexpr float kPi = 3.1415927f;
}

WaveField::~WaveField() { release(); }

void WaveField::release() {
    delete[] heights_;
    delete[] speeds_;
    delete[] phases_;
    delete[] basePhases_;
    delete[] rowsU_;
    delete[] columnsV_;
    heights_ = speeds_ = phases_ = basePhases_ = nullptr;
    rowsU_ = columnsV_ = nullptr;
    W_ = H_ = count_ = a_ = b_ = 0;
}

uint64_t WaveField::bytesFor(uint64_t a, uint64_t b) {
    // Beyond 2^20 segments the products below could overflow; such a field is far too big.
    if (a > (1u << 20) || b > (1u << 20)) return UINT64_MAX;
    const uint64_t w = 3 * a + 1;
    const uint64_t h = 3 * b + 1;
    return w * h * 4 * sizeof(float) + (h * a + w * b) * sizeof(BezierSegment);
}

bool WaveField::init(int a, int b, float speed) {
    release();
    if (a < 1 || b < 1 || bytesFor(static_cast<uint64_t>(a), static_cast<uint64_t>(b)) > kMaxWaveFieldBytes)
        return false;
    seedRandom(1);
    time_ = 0;
    speed_ = speed;
    a_ = a;
    b_ = b;
    W_ = 3 * a + 1;
    H_ = 3 * b + 1;
    count_ = W_ * H_;
    heights_ = new float[count_]();
    speeds_ = new float[count_]();
    phases_ = new float[count_]();
    basePhases_ = new float[count_]();
    rowsU_ = new BezierCurve[H_];
    columnsV_ = new BezierCurve[W_];
    for (int k = 0; k < H_; ++k) rowsU_[k].init(a);
    for (int j = 0; j < W_; ++j) columnsV_[j].init(b);

    int i = 0;
    for (int j = 0; j < W_; ++j) {
        for (int k = 0; k < H_; ++k, ++i) {
            phases_[i] = basePhases_[i] = static_cast<float>(uniformRange());
            Vector3 p(static_cast<float>(j) / static_cast<float>(W_), 0.0f,
                      static_cast<float>(k) / static_cast<float>(H_));
            rowsU_[k].setPoint(j, p);
            columnsV_[j].setPoint(k, p);
        }
    }
    // Pairs of points move in opposition: each odd point is half a turn behind the one before.
    for (i = 0; i < count_; ++i) {
        if ((i & 1) == 0) {
            speeds_[i] = speed;
        } else {
            speeds_[i] = speeds_[i - 1];
            phases_[i] = phases_[i - 1] - kPi;
            basePhases_[i] = phases_[i];
        }
    }
    return true;
}

void WaveField::setTime(float t) {
    time_ = t;
    for (int i = 0; i < count_; ++i) {
        phases_[i] = t * speeds_[i] + basePhases_[i];
        heights_[i] = std::cos(phases_[i]);
    }
    updateControlPoints();
}

void WaveField::updateControlPoints() {
    int i = 0;
    for (int j = 0; j < W_; ++j) {
        for (int k = 0; k < H_; ++k, ++i) {
            Vector3 p;
            rowsU_[k].getPoint(p, j);
            p.y = heights_[i];
            rowsU_[k].setPoint(j, p);
            Vector3 q;
            columnsV_[j].getPoint(q, k);
            q.y = heights_[i];
            columnsV_[j].setPoint(k, q);
        }
    }
}

float WaveField::heightAt(float u, float v) const {
    if (count_ == 0) return 0.0f;
    if (!(u > 0.0f)) u = 0.0f;  // also NaN
    if (!(v > 0.0f)) v = 0.0f;

    // The grid cell around (u, v) and the position inside it on each axis.
    const float fu = u * static_cast<float>(W_ - 1);
    int iu, iu2;
    float tu;
    if (fu < static_cast<float>(W_ - 1)) {
        iu = static_cast<int>(fu);
        tu = fu - static_cast<float>(iu);
        iu2 = iu + 1;
    } else {
        tu = 1.0f;
        iu = W_ - 2;
        iu2 = W_ - 1;
    }
    const float fv = v * static_cast<float>(H_ - 1);
    int iv, iv2;
    float tv;
    if (fv < static_cast<float>(H_ - 1)) {
        iv = static_cast<int>(fv);
        tv = fv - static_cast<float>(iv);
        iv2 = iv + 1;
    } else {
        tv = 1.0f;
        iv = H_ - 2;
        iv2 = H_ - 1;
    }

    Vector3 p;
    rowsU_[iv].evaluate(p, u);
    const float a = p.y;
    rowsU_[iv2].evaluate(p, u);
    const float b = p.y;
    columnsV_[iu].evaluate(p, v);
    const float c = p.y;
    columnsV_[iu2].evaluate(p, v);
    const float d = p.y;
    return 0.5f * ((1.0f - tv) * a + tv * b + (1.0f - tu) * c + tu * d);
}
