// Cell: the interface of the clips that a timeline track plays (scene, picture, animation), with
// the start and end ticks that the timeline load gives each cell.
#pragma once

#include <cstdint>

#include "scene/render_device.h"

class PackReader;
class PackWriter;

// Stored cell types.
enum CellKind : int32_t {
    kCellScene = 0,
    kCellPicture = 1,
    kCellAnimation = 2,
};

// "scene", "picture", "animation", or "unknown" for any other value.
inline const char* cellKindName(int kind) {
    switch (kind) {
        case kCellScene: return "scene";
        case kCellPicture: return "picture";
        case kCellAnimation: return "animation";
        default: return "unknown";
    }
}

class Cell {
public:
    // Virtual operations in slot order.

    // 0: the stored cell type (CellKind).
    virtual int getKind() = 0;
    // 1: reads the clip's payload; errors are recorded on the reader. Returns 0.
    virtual int load(PackReader& reader) = 0;
    // 2: writes the payload that load reads. Returns 0, or non-zero when the payload could not be
    // written as load reads it.
    virtual int save(PackWriter& writer) = 0;
    // 3: draws the clip at local ticks into a width x height picture through device, using the
    // track's texture where it draws an image. The two weights are not read. Returns 0.
    virtual int render(int32_t local, int width, int height, RenderDevice* device, float weight1,
                       float weight2, TextureName texture) = 0;
    // 4 to 7: the clip's timing window (ticks); what it means depends on the kind.
    virtual void setInPoint(int32_t ticks) = 0;
    virtual void setLength(int32_t ticks) = 0;
    virtual int32_t getInPoint() = 0;
    virtual int32_t getLength() = 0;
    // 8
    virtual ~Cell() = default;

    // Ticks at which the cell starts and ends on its track.
    int32_t getStart() const { return start_; }
    int32_t getEnd() const { return end_; }
    void setStart(int32_t ticks) { start_ = ticks; }
    void setEnd(int32_t ticks) { end_ = ticks; }

protected:
    int32_t start_ = 0;
    int32_t end_ = 0;
};
