// MetaField: metaballs, their sampled field and its surface cells.
#include "fx/meta_field.h"

#include <cmath>
#include <initializer_list>

#include "fx/cell_drawer.h"
#include "scene/render_device.h"

namespace {
constexpr float kPi = 3.1415927f;
}

namespace {

// max(0, 1 - |p - centre| / r), with the distance computed as Vector3::distanceTo computes it
// (float differences, their squares summed in double, the root rounded to float), written out
// so that the sampling loop, which calls it for every ball at every grid point, inlines it.
inline float ballContribution(const MetaBall& b, const Vector3& p) {
    const float r = b.size.x;
    if (!(r > 0.0f)) return 0.0f;
    const float dx = p.x - b.centre.x;
    const float dy = p.y - b.centre.y;
    const float dz = p.z - b.centre.z;
    const double squared = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy + static_cast<double>(dz) * dz;
    const float v = 1.0f - static_cast<float>(std::sqrt(squared)) / r;
    return v > 0.0f ? v : 0.0f;
}

}  // namespace

float MetaBall::contribution(const Vector3& p) const { return ballContribution(*this, p); }

MetaField::MetaField() : angleStep_(kPi / 50.0f) {}

MetaField::~MetaField() {
    for (MetaBall* list : {balls_, spare_}) {
        while (list) {
            MetaBall* next = list->next;
            delete list;
            list = next;
        }
    }
}

void MetaField::setResolution(int nx, int ny, int nz) {
    nx_ = nx;
    ny_ = ny;
    nz_ = nz;
    if (!grid_.init(nx, ny, nz)) nx_ = ny_ = nz_ = 0;
    columnAbove_.assign(static_cast<size_t>(nz_ > 0 ? nz_ : 0), 0);
}

void MetaField::setLifetime(int n) {
    if (n <= 0) return;
    lifetime_ = n;
    angleStep_ = (1.0f / static_cast<float>(n)) * kPi;
}

void MetaField::spawnBall() {
    MetaBall* ball = spare_;
    if (ball) {
        spare_ = ball->next;
    } else {
        ball = new MetaBall;
    }
    ball->start.set(0.9f, 0.0f, 0.5f);
    ball->centre = ball->start;
    ball->size.set(0, 0, 0);
    ball->age = 0;
    ball->next = balls_;
    balls_ = ball;
}

void MetaField::reserveBalls(int n) {
    int have = ballCount();
    for (const MetaBall* b = spare_; b; b = b->next) ++have;
    for (; have < n; ++have) {
        MetaBall* ball = new MetaBall;
        ball->next = spare_;
        spare_ = ball;
    }
}

void MetaField::updateBalls() {
    const float L = static_cast<float>(lifetime_);
    MetaBall* ball = balls_;
    while (ball) {
        MetaBall* next = ball->next;
        const float f = static_cast<float>(ball->age) / L;
        ball->centre.y = std::sqrt(f) + ball->start.y;
        ball->centre.x = ball->start.x - f;
        ball->age = ball->age + 1;
        if (ball->age >= lifetime_) {
            removeBall(ball);
        } else {
            const float r = std::sin(static_cast<float>(ball->age) * angleStep_) * 0.5f;
            ball->size.set(r, r, r);
        }
        ball = next;
    }
}

void MetaField::removeBall(MetaBall* ball) {
    MetaBall** link = &balls_;
    while (*link && *link != ball) link = &(*link)->next;
    if (!*link) return;
    *link = ball->next;
    ball->next = spare_;
    spare_ = ball;
}

int MetaField::ballCount() const {
    int n = 0;
    for (const MetaBall* b = balls_; b; b = b->next) ++n;
    return n;
}

void MetaField::sample() {
    if (grid_.count() == 0) return;
    const Vector3 step(1.0f / static_cast<float>(nx_), 1.0f / static_cast<float>(ny_),
                       1.0f / static_cast<float>(nz_));
    Vector3 p(0, 0, 0);
    p.x = 0.0f;
    for (int i = 0; i < nx_; ++i, p.x += step.x) {
        p.y = 0.0f;
        for (int j = 0; j < ny_; ++j, p.y += step.y) {
            p.z = 0.0f;
            for (int k = 0; k < nz_; ++k, p.z += step.z) {
                double v = 0.0;
                for (const MetaBall* b = balls_; b; b = b->next) v += ballContribution(*b, p);
                grid_.set(i, j, k, static_cast<float>(v));
            }
        }
    }
}

bool MetaField::isSurfaceCell(int i, int j, int k, float level) const {
    int above = 0;
    for (int di = -1; di <= 0; ++di)
        for (int dj = -1; dj <= 0; ++dj)
            for (int dk = -1; dk <= 0; ++dk)
                if (grid_.get(i + di, j + dj, k + dk) > level) ++above;
    return above > 0 && above < 8;
}

void MetaField::drawCells(RenderDevice* device) {
    if (!cube || !cellDrawer || grid_.count() == 0) return;
    const Vector3 cell(size.x / static_cast<float>(nx_), size.y / static_cast<float>(ny_),
                       size.z / static_cast<float>(nz_));
    const Vector3 half = cell * 0.5f;
    const Vector3 start = offset - size * 0.5f + cell;
    if (device) device->setAlpha(0.7f);
    int number = 0;
    Vector3 position;
    position.x = start.x;
    for (int i = 1; i < nx_; ++i, position.x += cell.x) {
        position.y = start.y;
        for (int j = 1; j < ny_; ++j, position.y += cell.y) {
            // A cell's eight corners are the columns (i-1 or i, j-1 or j) at k-1 and k: the
            // corners above the level are counted once per k and summed in neighbouring pairs,
            // which gives isSurfaceCell's answer with half the reads.
            for (int k = 0; k < nz_; ++k)
                columnAbove_[static_cast<size_t>(k)] = static_cast<uint8_t>(
                    (grid_.get(i - 1, j - 1, k) > threshold) + (grid_.get(i, j - 1, k) > threshold) +
                    (grid_.get(i - 1, j, k) > threshold) + (grid_.get(i, j, k) > threshold));
            position.z = start.z;
            for (int k = 1; k < nz_; ++k, position.z += cell.z) {
                const int above = columnAbove_[static_cast<size_t>(k - 1)] + columnAbove_[static_cast<size_t>(k)];
                if (above > 0 && above < 8) {
                    ++number;
                    cellDrawer->drawCell(device, position, half, number);
                }
            }
        }
    }
    if (device) device->setAlpha(1.0f);
}

void MetaField::render(RenderDevice* device) {
    sample();
    drawCells(device);
}
