// CellDrawer: how a metaball field draws one surface cell.
#pragma once

#include "math/vector3.h"

class RenderDevice;

class CellDrawer {
public:
    // Draws the cell centred at position (relative to the owner) with the given half size;
    // number counts the cells drawn in this frame from 1.
    virtual void drawCell(RenderDevice* device, const Vector3& position, const Vector3& halfSize, int number) = 0;

protected:
    ~CellDrawer() = default;
};
