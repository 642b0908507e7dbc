// Plane operations: construction from points or a normal, projection, sides and transforms.
#include "math/plane.h"

#include <cmath>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/matrix4.h"

void Plane::set(float a_, float b_, float c_, float d_) {
    a = a_;
    b = b_;
    c = c_;
    d = d_;
}

void Plane::load(PackReader& reader) {
    reader.readFloat(&a);
    reader.readFloat(&b);
    reader.readFloat(&c);
    reader.readFloat(&d);
}

void Plane::save(PackWriter& writer) const {
    writer.writeFloat(a);
    writer.writeFloat(b);
    writer.writeFloat(c);
    writer.writeFloat(d);
}

void Plane::fromPoints(const Vector3& p1, const Vector3& p2, const Vector3& p3) {
    a = (p1.z - p2.z) * p3.y + (p2.z - p3.z) * p1.y + (p3.z - p1.z) * p2.y;
    b = (p1.x - p2.x) * p3.z + (p2.x - p3.x) * p1.z + (p3.x - p1.x) * p2.z;
    c = (p1.y - p2.y) * p3.x + (p2.y - p3.y) * p1.x + (p3.y - p1.y) * p2.x;
    d = -((p1.y * p2.z - p2.y * p1.z) * p3.x + (p1.z * p3.y - p1.y * p3.z) * p2.x +
          (p3.z * p2.y - p2.z * p3.y) * p1.x);
}

void Plane::fromNormalAndPoint(const Vector3& n, const Vector3& p) {
    a = n.x;
    b = n.y;
    c = n.z;
    d = -n.dot(p);
}

void Plane::copyDirection(const Plane& other) {
    a = other.a;
    b = other.b;
    c = other.c;
    d = 0.0f;
}

Vector3 Plane::getNormal() const { return Vector3(a, b, c); }

void Plane::normalize() {
    const float l = getNormal().length();
    if (l == 0.0f) return;
    const double k = 1.0 / l;
    a = static_cast<float>(a * k);
    b = static_cast<float>(b * k);
    c = static_cast<float>(c * k);
    d = static_cast<float>(d * k);
}

Vector3 Plane::projectPoint(const Vector3& p) const {
    const float q = a * a + b * b + c * c;
    if (q == 0.0f) return Vector3(0.0f, 0.0f, 0.0f);
    const float t = static_cast<float>((1.0 / q) * (evaluate(p)));
    return Vector3(p.x - t * a, p.y - t * b, p.z - t * c);
}

Vector3 Plane::tangentialPart(const Vector3& v) const {
    return projectPoint(v).minus(projectPoint(Vector3(0.0f, 0.0f, 0.0f)));
}

void Plane::transformed(const Matrix4& m) {
    Vector3 n = getNormal();
    Vector3 p0 = n.times(-d);
    p0 = p0.transformPoint(m);
    n.transformDirection(m);
    fromNormalAndPoint(n, p0);
}

float Plane::evaluate(const Vector3& p) const { return a * p.x + b * p.y + c * p.z + d; }

bool Plane::isBehind(const Vector3& p) const { return !(evaluate(p) >= 0.0f); }

bool Plane::isInFront(const Vector3& p) const { return evaluate(p) > 0.0f; }
