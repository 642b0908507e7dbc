// MetaCube_FX: a scene node that shows a cloud of metaballs as translucent cubes, one unit
// cube mesh re-placed and re-scaled for every grid cell the field's surface passes through.
// A new ball starts every 20 metaball draws, counted across all metaball nodes.
#pragma once

#include <memory>

#include "fx/cell_drawer.h"
#include "fx/meta_field.h"
#include "scene/node3d.h"

class StdMesh3D;

// First of the six cube material ids (510 .. 515).
constexpr int kMetaFirstMaterial = 510;
// Metaball draws between two new balls.
constexpr int kMetaSpawnInterval = 20;

// The process-wide spawn counter shared by every MetaCube_FX (0 at start).
int metaSpawnCounter();
// Sets the shared spawn counter back to 0 (tests).
void resetMetaSpawnCounter();

class MetaCube_FX : public Node3D, public CellDrawer {
public:
    // Node3D defaults, kind bit 9; adds materials 510 .. 515 to the library (ids already taken
    // keep their material; a null library adds none) and creates the field.
    explicit MetaCube_FX(MaterialLibrary* materials);
    // Frees the field and the cube.
    ~MetaCube_FX() override;

    const char* getTypeName() const override { return "MetaCube_FX"; }
    // Advances the shared spawn counter (a new ball when it reaches 20), moves the balls,
    // samples the field and draws its surface cells. Drawn whether visible or not. Returns 0.
    int draw(RenderDevice* device, int width, int height, bool recurse) override;
    // The effect's vectors and sizes (then configure), then the node record.
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    // The mirror of load.
    void save(PackWriter& writer, MaterialLibrary* materials) override;

    // Own slot 47: stores the sizes, builds the unit cube, sets the field to 20^3 over the
    // sizes (shifted by the fixed offset, threshold 0.6) and starts the first ball.
    virtual void configure(float sizeX, float sizeY, float sizeZ);
    // Own slot 48: copies the three stored vectors.
    virtual void setVectors(const Vector3& a, const Vector3& b, const Vector3& c);

    // Places the cube at this node's position + position, scaled to 2 x halfSize, and draws it.
    void drawCell(RenderDevice* device, const Vector3& position, const Vector3& halfSize, int number) override;

    // The field (always present) and the cube (null until configured).
    MetaField* field() { return field_.get(); }
    StdMesh3D* cube() { return cube_.get(); }
    // The sizes given to configure.
    Vector3 sizes() const { return Vector3(sizeX_, sizeY_, sizeZ_); }

private:
    std::unique_ptr<MetaField> field_;
    std::unique_ptr<StdMesh3D> cube_;
    float sizeX_ = 0;
    float sizeY_ = 0;
    float sizeZ_ = 0;
    Vector3 vectorA_{0, 0, 0};
    Vector3 vectorB_{0, 0, 0};
    Vector3 vectorC_{0, 0, 0};
};
