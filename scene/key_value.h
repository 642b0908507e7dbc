// Key values: the value objects that controller track keys carry (position, rotation, vector,
// float), each with its stored type number and record.
#pragma once

#include <cstdint>

#include "math/quaternion.h"
#include "math/vector3.h"

class PackReader;
class PackWriter;

// Stored type numbers of key values.
enum KeyValueType : int32_t {
    kKeyPosition = 0,
    kKeyRotation = 1,
    kKeyVector = 2,
    kKeyFloat = 3,
};

class KeyValue {
public:
    // Virtual operations in slot order.
    virtual int32_t getType() const = 0;
    virtual void load(PackReader& reader) = 0;
    virtual void save(PackWriter& writer) const = 0;
    virtual ~KeyValue() = default;
};

// Type 0: three floats x, y, z.
class PositionValue : public KeyValue {
public:
    PositionValue() = default;
    explicit PositionValue(const Vector3& v) : value(v) {}
    int32_t getType() const override { return kKeyPosition; }
    void load(PackReader& reader) override;
    void save(PackWriter& writer) const override;
    Vector3 value{0, 0, 0};
};

// Type 1: four floats x, y, z, w.
class RotationValue : public KeyValue {
public:
    RotationValue() = default;
    explicit RotationValue(const Quaternion& q) : value(q) {}
    int32_t getType() const override { return kKeyRotation; }
    void load(PackReader& reader) override;
    void save(PackWriter& writer) const override;
    Quaternion value{0, 0, 0, 1};
};

// Type 2: three floats through the vector's own load.
class VectorValue : public KeyValue {
public:
    VectorValue() = default;
    explicit VectorValue(const Vector3& v) : value(v) {}
    int32_t getType() const override { return kKeyVector; }
    void load(PackReader& reader) override;
    void save(PackWriter& writer) const override;
    Vector3 value{0, 0, 0};
};

// Type 3: one float.
class FloatValue : public KeyValue {
public:
    FloatValue() = default;
    explicit FloatValue(float v) : value(v) {}
    int32_t getType() const override { return kKeyFloat; }
    void load(PackReader& reader) override;
    void save(PackWriter& writer) const override;
    float value = 1.0f;
};

// A new, default value of the stored type, or null for a type outside 0..3. The caller owns it.
KeyValue* createKeyValue(int32_t type);

// Readers by position: the vector of a type-0 or type-2 value, the quaternion of a type-1 value,
// the float of a type-3 value; null when the value is null or of another type.
const Vector3* keyVector(const KeyValue* value);
const Quaternion* keyQuaternion(const KeyValue* value);
const float* keyFloat(const KeyValue* value);
