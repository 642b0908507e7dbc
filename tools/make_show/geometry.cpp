// Shape generators. Solids are built with any winding and then oriented: a face whose normal
// points towards the inside (towards a reference point) is reversed.
#include "tools/make_show/geometry.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <utility>

namespace {

constexpr float kPi = 3.14159265358979f;

Vector3 rawNormal(const MeshData& m, const std::vector<int>& f) {
    // Newell's method: robust for any planar polygon.
    Vector3 n(0, 0, 0);
    for (size_t i = 0; i < f.size(); ++i) {
        const Vector3& a = m.points[f[i]];
        const Vector3& b = m.points[f[(i + 1) % f.size()]];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// Reverses every face whose normal points towards reference(face centre).
void orient(MeshData& m, const std::function<Vector3(const Vector3&)>& reference) {
    for (size_t i = 0; i < m.faces.size(); ++i) {
        Vector3 c = m.faceCentre(static_cast<int>(i));
        Vector3 out = c - reference(c);
        if (rawNormal(m, m.faces[i]).dot(out) < 0) std::reverse(m.faces[i].begin(), m.faces[i].end());
    }
}

void orientFromCentroid(MeshData& m) {
    Vector3 centroid(0, 0, 0);
    for (const Vector3& p : m.points) centroid = centroid + p;
    centroid = centroid * (1.0f / static_cast<float>(m.points.size()));
    orient(m, [&](const Vector3&) { return centroid; });
}

// Makes every face's normal point along +y (up) or the given direction.
void orientAlong(MeshData& m, const Vector3& direction) {
    for (auto& f : m.faces)
        if (rawNormal(m, f).dot(direction) < 0) std::reverse(f.begin(), f.end());
}

}  // namespace

MeshData MeshData::triangulated() const {
    MeshData out;
    out.points = points;
    for (const auto& f : faces)
        for (size_t i = 1; i + 1 < f.size(); ++i) out.faces.push_back({f[0], f[i], f[i + 1]});
    return out;
}

Vector3 MeshData::faceNormal(int i) const {
    Vector3 n = rawNormal(*this, faces[i]);
    n.normalize();
    return n;
}

Vector3 MeshData::faceCentre(int i) const {
    Vector3 c(0, 0, 0);
    for (int k : faces[i]) c = c + points[k];
    return c * (1.0f / static_cast<float>(faces[i].size()));
}

void MeshData::append(const MeshData& other) {
    const int base = static_cast<int>(points.size());
    points.insert(points.end(), other.points.begin(), other.points.end());
    for (auto f : other.faces) {
        for (int& k : f) k += base;
        faces.push_back(f);
    }
}

void MeshData::translate(const Vector3& d) {
    for (Vector3& p : points) p = p + d;
}

MeshData makeBox(float hx, float hy, float hz) {
    MeshData m;
    for (int i = 0; i < 8; ++i)
        m.points.emplace_back((i & 1) ? hx : -hx, (i & 2) ? hy : -hy, (i & 4) ? hz : -hz);
    m.faces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    orientFromCentroid(m);
    return m;
}

MeshData makePrism(int n, float r, float y0, float y1) {
    MeshData m;
    for (int i = 0; i < n; ++i) {
        float a = 2 * kPi * i / n;
        m.points.emplace_back(r * std::cos(a), y0, r * std::sin(a));
        m.points.emplace_back(r * std::cos(a), y1, r * std::sin(a));
    }
    std::vector<int> bottom, top;
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        m.faces.push_back({2 * i, 2 * j, 2 * j + 1, 2 * i + 1});
        bottom.push_back(2 * i);
        top.push_back(2 * i + 1);
    }
    m.faces.push_back(bottom);
    m.faces.push_back(top);
    orientFromCentroid(m);
    return m;
}

MeshData makePillar(int n, float r, float height, float roofHeight) {
    MeshData m;
    for (int i = 0; i < n; ++i) {
        float a = 2 * kPi * (i + 0.5f) / n;
        m.points.emplace_back(r * std::cos(a), 0.0f, r * std::sin(a));
        m.points.emplace_back(r * std::cos(a), height, r * std::sin(a));
    }
    const int apex = static_cast<int>(m.points.size());
    m.points.emplace_back(0.0f, height + roofHeight, 0.0f);
    std::vector<int> bottom;
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        m.faces.push_back({2 * i, 2 * j, 2 * j + 1, 2 * i + 1});
        m.faces.push_back({2 * i + 1, 2 * j + 1, apex});
        bottom.push_back(2 * i);
    }
    m.faces.push_back(bottom);
    orientFromCentroid(m);
    return m;
}

MeshData makeGem(float r, float h) {
    MeshData m;
    m.points = {Vector3(0, -h, 0), Vector3(r, 0, 0), Vector3(0, 0, r), Vector3(-r, 0, 0), Vector3(0, 0, -r),
                Vector3(0, h, 0)};
    for (int i = 0; i < 4; ++i) {
        int a = 1 + i, b = 1 + (i + 1) % 4;
        m.faces.push_back({0, a, b});
        m.faces.push_back({5, a, b});
    }
    orientFromCentroid(m);
    return m;
}

MeshData makeIcosphere(float r, int subdivisions) {
    MeshData m;
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    const float base[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                               {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (auto& p : base) {
        Vector3 v(p[0], p[1], p[2]);
        v.normalize();
        m.points.push_back(v * r);
    }
    m.faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
               {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
               {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int s = 0; s < subdivisions; ++s) {
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            auto key = std::minmax(a, b);
            auto it = middle.find(key);
            if (it != middle.end()) return it->second;
            Vector3 v = (m.points[a] + m.points[b]) * 0.5f;
            v.normalize();
            m.points.push_back(v * r);
            int index = static_cast<int>(m.points.size()) - 1;
            middle[key] = index;
            return index;
        };
        std::vector<std::vector<int>> faces;
        for (const auto& f : m.faces) {
            int a = mid(f[0], f[1]), b = mid(f[1], f[2]), c = mid(f[2], f[0]);
            faces.push_back({f[0], a, c});
            faces.push_back({f[1], b, a});
            faces.push_back({f[2], c, b});
            faces.push_back({a, b, c});
        }
        m.faces = faces;
    }
    orientFromCentroid(m);
    return m;
}

MeshData makeDome(float r) {
    MeshData m = makeIcosphere(r, 2);
    for (auto& f : m.faces) std::reverse(f.begin(), f.end());
    return m;
}

MeshData makeBottle(int n, float hx, float hy, float hz) {
    MeshData m;
    m.points.emplace_back(-hx, -hy, -hz);  // the bounding corner, used by no face
    // Rings from the bottom up: (height fraction 0..1, radius fraction of hx).
    const float rings[][2] = {{0.0f, 0.92f}, {0.58f, 0.92f}, {0.72f, 0.42f}, {0.80f, 0.3f}, {1.0f, 0.3f}};
    const int ringCount = 5;
    for (int k = 0; k < ringCount; ++k) {
        float y = -hy + 2 * hy * rings[k][0];
        for (int i = 0; i < n; ++i) {
            float a = 2 * kPi * (i + 0.5f) / n;
            m.points.emplace_back(hx * rings[k][1] * std::cos(a), y, hz * rings[k][1] * std::sin(a));
        }
    }
    auto at = [&](int k, int i) { return 1 + k * n + (i % n); };
    for (int k = 0; k + 1 < ringCount; ++k)
        for (int i = 0; i < n; ++i) m.faces.push_back({at(k, i), at(k, i + 1), at(k + 1, i + 1), at(k + 1, i)});
    std::vector<int> bottom, top;
    for (int i = 0; i < n; ++i) {
        bottom.push_back(at(0, i));
        top.push_back(at(ringCount - 1, i));
    }
    m.faces.push_back(bottom);
    m.faces.push_back(top);
    orient(m, [&](const Vector3& c) {
        // Caps face away from the middle height, walls away from the axis.
        if (std::fabs(c.y) > hy * 0.999f) return Vector3(0, 0, 0);
        return Vector3(0, c.y, 0);
    });
    return m;
}

MeshData makeDisc(int n, float r) {
    MeshData m;
    std::vector<int> f;
    for (int i = 0; i < n; ++i) {
        float a = 2 * kPi * i / n;
        m.points.emplace_back(r * std::cos(a), 0.0f, r * std::sin(a));
        f.push_back(i);
    }
    m.faces.push_back(f);
    orientAlong(m, Vector3(0, 1, 0));
    return m;
}

MeshData makeRing(int n, float inner, float outer) {
    MeshData m;
    for (int i = 0; i < n; ++i) {
        float a = 2 * kPi * i / n;
        m.points.emplace_back(inner * std::cos(a), 0.0f, inner * std::sin(a));
        m.points.emplace_back(outer * std::cos(a), 0.0f, outer * std::sin(a));
    }
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        m.faces.push_back({2 * i, 2 * i + 1, 2 * j + 1, 2 * j});
    }
    orientAlong(m, Vector3(0, 1, 0));
    return m;
}

MeshData makeFacingDisc(int n, float r) {
    MeshData m;
    std::vector<int> f;
    for (int i = 0; i < n; ++i) {
        float a = 2 * kPi * i / n;
        m.points.emplace_back(r * std::cos(a), r * std::sin(a), 0.0f);
        f.push_back(i);
    }
    m.faces.push_back(f);
    orientAlong(m, Vector3(0, 0, -1));
    return m;
}

MeshData makeGrid(int cx, int cz, float sx, float sz) {
    MeshData m;
    for (int j = 0; j <= cz; ++j)
        for (int i = 0; i <= cx; ++i) m.points.emplace_back(-sx / 2 + sx * i / cx, 0.0f, -sz / 2 + sz * j / cz);
    for (int j = 0; j < cz; ++j)
        for (int i = 0; i < cx; ++i) {
            int a = j * (cx + 1) + i;
            m.faces.push_back({a, a + 1, a + cx + 2, a + cx + 1});
        }
    orientAlong(m, Vector3(0, 1, 0));
    return m;
}
