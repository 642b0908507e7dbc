// MetaCube_FX: the metaball cloud drawn as cubes.
#include "fx/meta_cube_fx.h"

#include <cstdint>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "mesh/std_mesh3d.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

// Metaball draws since the last new ball, across all metaball nodes of the program.
int gMetaSpawnCounter = 0;

const float kCubeMaterialColours[6][3] = {
    {1.0f, 1.0f, 1.0f}, {0.9f, 0.9f, 0.9f}, {0.8f, 0.8f, 0.8f},
    {0.7f, 0.7f, 0.8f}, {0.6f, 0.6f, 0.7f}, {0.6f, 0.6f, 0.6f},
};

}  // namespace

int metaSpawnCounter() { return gMetaSpawnCounter; }

void resetMetaSpawnCounter() { gMetaSpawnCounter = 0; }

MetaCube_FX::MetaCube_FX(MaterialLibrary* materials) {
    addKind(kKindMetaCube);
    if (materials) {
        for (int n = 0; n < 6; ++n) {
            const float* c = kCubeMaterialColours[n];
            auto* material = new Material(kMetaFirstMaterial + n, ColorRGB(c[0], c[1], c[2]));
            // An id already taken keeps its earlier material.
            if (materials->add(material) != 0) delete material;
        }
    }
    field_ = std::make_unique<MetaField>();
}

MetaCube_FX::~MetaCube_FX() = default;

void MetaCube_FX::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    {
        ReadContext context(reader, "a metaball record");
        Vector3 a, b, c;
        a.load(reader);
        b.load(reader);
        c.load(reader);
        const float sizeX = reader.getFloat();
        const float sizeY = reader.getFloat();
        const float sizeZ = reader.getFloat();
        if (reader.failed()) return;
        configure(sizeX, sizeY, sizeZ);
        setVectors(a, b, c);
    }
    loadNodeRecord(reader, materials, registry);
}

void MetaCube_FX::save(PackWriter& writer, MaterialLibrary* materials) {
    vectorA_.save(writer);
    vectorB_.save(writer);
    vectorC_.save(writer);
    writer.writeFloat(sizeX_);
    writer.writeFloat(sizeY_);
    writer.writeFloat(sizeZ_);
    saveNodeRecord(writer, materials);
}

void MetaCube_FX::configure(float sizeX, float sizeY, float sizeZ) {
    sizeX_ = sizeX;
    sizeY_ = sizeY;
    sizeZ_ = sizeZ;

    // Points at (+-0.5, +-0.5, +-0.5): 0 .. 3 on the +z side, 4 .. 7 on the -z side.
    const Vector3 points[8] = {
        {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f},
        {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f},
    };
    cube_ = std::make_unique<StdMesh3D>();
    cube_->setBox(points, kMetaFirstMaterial);
    cube_->setTransformMode(kTransformWorld);

    field_->setResolution(20, 20, 20);
    field_->size.set(sizeX, sizeY, sizeZ);
    field_->offset.set(0.5f * sizeX - 0.05f, 0.5f * sizeY - 0.01f, -1.0f);
    field_->threshold = 0.6f;
    field_->cellDrawer = this;
    field_->cube = cube_.get();
    // With a new ball every kMetaSpawnInterval draws, at most this many live at once, and the
    // ball spawned here besides: the spawn counter is shared, so the first draw may spawn at once.
    field_->reserveBalls((field_->lifetime() + kMetaSpawnInterval - 1) / kMetaSpawnInterval + 1);
    field_->spawnBall();
}

void MetaCube_FX::setVectors(const Vector3& a, const Vector3& b, const Vector3& c) {
    vectorA_.set(a.x, a.y, a.z);
    vectorB_.set(b.x, b.y, b.z);
    vectorC_.set(c.x, c.y, c.z);
}

void MetaCube_FX::drawCell(RenderDevice* device, const Vector3& position, const Vector3& halfSize, int number) {
    if (!cube_) return;
    cube_->setPosition(getPosition() + position);
    cube_->setScale(halfSize * 2.0f);
    cube_->update(device, 0, 0, false);
    cube_->draw(device, 0, 0, false);
}

int MetaCube_FX::draw(RenderDevice* device, int width, int height, bool recurse) {
    gMetaSpawnCounter = gMetaSpawnCounter + 1;
    if (gMetaSpawnCounter >= kMetaSpawnInterval) {
        field_->spawnBall();
        gMetaSpawnCounter = 0;
    }
    field_->updateBalls();
    field_->render(device);
    return 0;
}
