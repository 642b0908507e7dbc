// Material: an int32 id (the number faces use) and a colour.
#pragma once

#include <cstdint>

#include "math/color_rgb.h"

class PackReader;
class PackWriter;

class Material {
public:
    Material() = default;
    Material(int32_t id, const ColorRGB& colour) : id_(id), colour_(colour) {}
    virtual ~Material() = default;
    // int32 id, then the packed colour.
    virtual void load(PackReader& reader);
    virtual void save(PackWriter& writer) const;

    int32_t getId() const { return id_; }
    void setId(int32_t id) { id_ = id; }
    ColorRGB getColour() const { return colour_; }
    void setColour(float r, float g, float b) { colour_ = ColorRGB(r, g, b); }

private:
    int32_t id_ = 0;
    ColorRGB colour_{0, 0, 0};
};
