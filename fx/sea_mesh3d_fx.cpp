// SeaMesh3D_FX: the sea of tiles lifted by the wave field.
#include "fx/sea_mesh3d_fx.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "mesh/std_mesh3d.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

// Phase speed of the sea's control points per time unit.
constexpr float kSeaWaveSpeed = 0.05f;
// Colour step between consecutive tile materials (17/255 on each channel).
constexpr int32_t kSeaMaterialStep = 0x111111;

// A box mesh with corner p and size s, its faces on materials firstMaterial .. +5.
std::unique_ptr<StdMesh3D> buildBoxMesh(const Vector3& p, const Vector3& s, int firstMaterial) {
    const Vector3 points[8] = {
        p,
        p + Vector3(s.x, 0, 0),
        p + Vector3(s.x, s.y, 0),
        p + Vector3(0, s.y, 0),
        p + Vector3(0, 0, s.z),
        p + Vector3(s.x, 0, s.z),
        p + s,
        p + Vector3(0, s.y, s.z),
    };
    auto mesh = std::make_unique<StdMesh3D>();
    mesh->setBox(points, firstMaterial);
    return mesh;
}

}  // namespace

SeaMesh3D_FX::SeaMesh3D_FX() { addKind(kKindSea); }

SeaMesh3D_FX::~SeaMesh3D_FX() = default;

bool SeaMesh3D_FX::createMaterialsAndWaves(MaterialLibrary* materials) {
    colour_ = ColorRGB::fromPacked(colour_.pack());
    waves_ = std::make_unique<WaveField>();
    if (!waves_->init(static_cast<int>(segmentsU_), static_cast<int>(segmentsV_), kSeaWaveSpeed)) {
        waves_.reset();
        return false;
    }
    if (materials) {
        const ColorRGB step = ColorRGB::fromPacked(kSeaMaterialStep);
        ColorRGB colour = colour_;
        for (int n = 0; n < 6; ++n) {
            auto* material = new Material(kSeaFirstMaterial + n, colour);
            // Only the first sea of a library defines the tile colours.
            if (materials->add(material) != 0) delete material;
            if (n < 5) colour.subtract(step);
        }
    }
    return true;
}

void SeaMesh3D_FX::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    loadNodeRecord(reader, materials, registry);
    ReadContext context(reader, "a sea record");
    origin_.load(reader);
    vectorB_.load(reader);
    vectorC_.load(reader);
    const float sizeX = reader.getFloat();
    const float height = reader.getFloat();
    const float sizeZ = reader.getFloat();
    segmentsU_ = reader.getFloat();
    segmentsV_ = reader.getFloat();
    const float cells = reader.getFloat();
    heightFactor_ = reader.getInt();
    colour_.load(reader);
    if (reader.failed()) return;

    // The wave grid needs at least one spline segment per axis and the tile grid at least a
    // part of a cell. Only what would take memory or time without bound is refused: a wave grid
    // larger than kMaxWaveFieldBytes, more than kMaxSeaTiles tiles a frame.
    char reason[160];
    if (!(segmentsU_ >= 1.0f && segmentsV_ >= 1.0f)) {
        std::snprintf(reason, sizeof reason, "sea spline segments %g x %g: at least 1 x 1 needed", segmentsU_,
                      segmentsV_);
        reader.fail(reason);
        return;
    }
    const auto whole = [](float v) { return v < 4.0e9f ? static_cast<uint64_t>(v) : uint64_t(4000000000u); };
    const uint64_t bytes = WaveField::bytesFor(whole(segmentsU_), whole(segmentsV_));
    if (bytes > kMaxWaveFieldBytes) {
        std::snprintf(reason, sizeof reason, "sea spline segments %g x %g: the wave grid would take more than %llu MB",
                      segmentsU_, segmentsV_, static_cast<unsigned long long>(kMaxWaveFieldBytes >> 20));
        reader.fail(reason);
        return;
    }
    const double side = std::ceil(static_cast<double>(cells));
    if (!(cells > 0.0f && side * side <= kMaxSeaTiles)) {
        std::snprintf(reason, sizeof reason, "sea cell count %g: not above 0 or more than %g tiles a frame", cells,
                      kMaxSeaTiles);
        reader.fail(reason);
        return;
    }
    createMaterialsAndWaves(materials);
    setVectors(origin_, vectorB_, vectorC_);
    configure(sizeX, height, sizeZ, cells);
}

void SeaMesh3D_FX::save(PackWriter& writer, MaterialLibrary* materials) {
    saveNodeRecord(writer, materials);
    origin_.save(writer);
    vectorB_.save(writer);
    vectorC_.save(writer);
    writer.writeFloat(sizeX_);
    writer.writeFloat(height_);
    writer.writeFloat(sizeZ_);
    writer.writeFloat(segmentsU_);
    writer.writeFloat(segmentsV_);
    writer.writeFloat(cells_);
    writer.writeInt(heightFactor_);
    colour_.save(writer);
}

void SeaMesh3D_FX::configure(float sizeX, float height, float sizeZ, float cells) {
    heightScale_ = static_cast<float>(heightFactor_) * height;
    sizeX_ = sizeX;
    sizeZ_ = sizeZ;
    const Vector3 scale = getScale();
    extentX_ = scale.x * sizeX;
    height_ = height;
    extentZ_ = scale.z * sizeZ;
    cells_ = cells;
    const float cellX = extentX_ / cells;
    const float cellZ = extentZ_ / cells;
    tile_ = buildBoxMesh(Vector3(0, 0, 0), Vector3(cellX, 2.0f * height, cellZ), kSeaFirstMaterial);
    tile_->setTransformMode(kTransformWorld);
    tile_->setPosition(getPosition());
    tile_->setQuaternion(getQuaternion());
}

void SeaMesh3D_FX::setVectors(const Vector3& origin, const Vector3& vectorB, const Vector3& vectorC) {
    origin_.set(origin.x, origin.y, origin.z);
    vectorB_.set(vectorB.x, vectorB.y, vectorB.z);
    vectorC_.set(vectorC.x, vectorC.y, vectorC.z);
}

int SeaMesh3D_FX::draw(RenderDevice* device, int width, int height, bool recurse) {
    if (!isVisible() || !tile_ || !waves_) return 0;
    // Cell counts outside the loadable range (set by code) would step backwards or not at all.
    const double side = std::ceil(static_cast<double>(cells_));
    if (!(cells_ > 0.0f && side * side <= kMaxSeaTiles)) return 0;

    const Vector3 w0 = origin_.transformPoint(getWorldMatrix());
    const uint32_t ticks = static_cast<uint32_t>(getTime()) / 30u;
    waves_->setTime(static_cast<float>(ticks));

    const float stepX = extentX_ / cells_;
    const float stepZ = extentZ_ / cells_;
    if (!(stepX > 0.0f) || !(stepZ > 0.0f)) return 0;
    // Float accumulation can add one row or column when the last step falls just short of the
    // extent; more than that cannot happen, and the cap keeps any rounding from running away.
    const int maxSteps = static_cast<int>(cells_) + 2;
    const Quaternion orientation = getQuaternion();
    int columns = 0;
    for (float x = 0.0f; x < extentX_ && columns < maxSteps; x += stepX, ++columns) {
        int rows = 0;
        for (float z = 0.0f; z < extentZ_ && rows < maxSteps; z += stepZ, ++rows) {
            const float h = waves_->heightAt(x / extentX_, z / extentZ_);
            Vector3 p = Vector3(x, h * heightScale_, z) + w0;
            p.y = p.y - heightScale_;
            tile_->setPosition(p);
            tile_->setQuaternion(orientation);
            tile_->update(device, width, height, recurse);
            tile_->draw(device, width, height, recurse);
        }
    }
    return 0;
}
