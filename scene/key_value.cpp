// Key values: records and the readers by position.
#include "scene/key_value.h"

#include "data/pack_reader.h"
#include "data/pack_writer.h"

void PositionValue::load(PackReader& reader) {
    value.x = reader.getFloat();
    value.y = reader.getFloat();
    value.z = reader.getFloat();
}

void PositionValue::save(PackWriter& writer) const {
    writer.writeFloat(value.x);
    writer.writeFloat(value.y);
    writer.writeFloat(value.z);
}

void RotationValue::load(PackReader& reader) {
    value.x = reader.getFloat();
    value.y = reader.getFloat();
    value.z = reader.getFloat();
    value.w = reader.getFloat();
}

void RotationValue::save(PackWriter& writer) const {
    writer.writeFloat(value.x);
    writer.writeFloat(value.y);
    writer.writeFloat(value.z);
    writer.writeFloat(value.w);
}

void VectorValue::load(PackReader& reader) { value.load(reader); }

void VectorValue::save(PackWriter& writer) const { value.save(writer); }

void FloatValue::load(PackReader& reader) { value = reader.getFloat(); }

void FloatValue::save(PackWriter& writer) const { writer.writeFloat(value); }

KeyValue* createKeyValue(int32_t type) {
    switch (type) {
    case kKeyPosition:
        return new PositionValue();
    case kKeyRotation:
        return new RotationValue();
    case kKeyVector:
        return new VectorValue();
    case kKeyFloat:
        return new FloatValue();
    default:
        return nullptr;
    }
}

const Vector3* keyVector(const KeyValue* value) {
    if (!value) return nullptr;
    switch (value->getType()) {
    case kKeyPosition:
        return &static_cast<const PositionValue*>(value)->value;
    case kKeyVector:
        return &static_cast<const VectorValue*>(value)->value;
    default:
        return nullptr;
    }
}

const Quaternion* keyQuaternion(const KeyValue* value) {
    if (!value || value->getType() != kKeyRotation) return nullptr;
    return &static_cast<const RotationValue*>(value)->value;
}

const float* keyFloat(const KeyValue* value) {
    if (!value || value->getType() != kKeyFloat) return nullptr;
    return &static_cast<const FloatValue*>(value)->value;
}
