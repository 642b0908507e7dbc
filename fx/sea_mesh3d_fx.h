// SeaMesh3D_FX: a scene node that shows an animated sea as a square grid of box tiles, one
// reused box mesh drawn once per cell at the height of a moving wave surface.
#pragma once

#include <memory>

#include "fx/wave_field.h"
#include "math/color_rgb.h"
#include "scene/node3d.h"

class StdMesh3D;

// Most tiles one frame of a sea may draw: a record whose cell count asks for more per frame
// (more than 4096 along a side) is refused.
constexpr double kMaxSeaTiles = 16777216.0;
// First of the six tile material ids (500 .. 505).
constexpr int kSeaFirstMaterial = 500;

class SeaMesh3D_FX : public Node3D {
public:
    // Node3D defaults, heightScale 100, kind bit 8.
    SeaMesh3D_FX();
    // Frees the tile and the wave field.
    ~SeaMesh3D_FX() override;

    const char* getTypeName() const override { return "SeaMesh3D_FX"; }
    // Advances the waves to the node time and draws the tile once per cell; nothing when
    // invisible or not configured. Returns 0.
    int draw(RenderDevice* device, int width, int height, bool recurse) override;
    // The node record, then the sea's own fields; adds materials 500 .. 505 (ids already taken
    // keep their material), builds the wave field and the tile. Segment counts below 1 or
    // whose wave field would take more than kMaxWaveFieldBytes, and cells not above 0 or asking
    // for more than kMaxSeaTiles a frame, fail the reader and leave the sea without tile or waves.
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    // The mirror of load; the sizes written are those given to configure (not re-derived from
    // the extents and the current scale), so a saved record reads back identically.
    void save(PackWriter& writer, MaterialLibrary* materials) override;

    // Own slot 47: sets the grid extents from the sizes and the node's scale, the height scale
    // from the height factor, and builds the tile box one cell wide and 2 x height tall.
    virtual void configure(float sizeX, float height, float sizeZ, float cells);
    // Own slot 48: copies the grid origin and the two stored vectors.
    virtual void setVectors(const Vector3& origin, const Vector3& vectorB, const Vector3& vectorC);

    // The tile mesh and the wave field; null until loaded.
    StdMesh3D* tile() { return tile_.get(); }
    WaveField* waves() { return waves_.get(); }
    // Loaded and configured values.
    float heightScale() const { return heightScale_; }
    int heightFactor() const { return heightFactor_; }
    float cells() const { return cells_; }
    float extentX() const { return extentX_; }
    float extentZ() const { return extentZ_; }
    float tileHeight() const { return height_; }
    Vector3 origin() const { return origin_; }
    ColorRGB colour() const { return colour_; }

private:
    // Adds the six tile materials and creates the wave field (false when the counts are bad).
    bool createMaterialsAndWaves(MaterialLibrary* materials);

    std::unique_ptr<StdMesh3D> tile_;
    ColorRGB colour_{0, 0, 0};
    std::unique_ptr<WaveField> waves_;
    float heightScale_ = 100.0f;
    int heightFactor_ = 0;
    float cells_ = 0;
    float extentX_ = 0;
    float height_ = 0;
    float extentZ_ = 0;
    Vector3 origin_{0, 0, 0};
    Vector3 vectorB_{0, 0, 0};
    Vector3 vectorC_{0, 0, 0};
    float segmentsU_ = 0;
    float segmentsV_ = 0;
    // The sizes given to configure, written back by save.
    float sizeX_ = 0;
    float sizeZ_ = 0;
};
