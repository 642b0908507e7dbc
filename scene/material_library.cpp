// MaterialLibrary: a fixed array of material slots indexed by material id.
#include "scene/material_library.h"

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/material.h"

namespace {
// Bound for the material count read from a file (rejected materials still cost a read each).
constexpr int32_t kMaxMaterialRecords = 1 << 20;
}  // namespace

MaterialLibrary::MaterialLibrary(int capacity) : capacity_(capacity < 0 ? 0 : capacity) {
    slots_ = new Material*[capacity_]();
}

MaterialLibrary::~MaterialLibrary() {
    clear();
    delete[] slots_;
}

void MaterialLibrary::load(PackReader& reader) {
    ReadContext context(reader, "the material library");
    clear();
    int32_t n = reader.getInt();
    if (!reader.checkCount(n, kMaxMaterialRecords, "material count")) return;
    for (int32_t i = 0; i < n && !reader.failed(); ++i) {
        Material* material = new Material();
        material->load(reader);
        if (reader.failed() || add(material) != 0) delete material;
    }
}

void MaterialLibrary::save(PackWriter& writer) {
    writer.writeInt(loadedCount_);
    for (int i = 0; i < capacity_; ++i)
        if (slots_[i]) slots_[i]->save(writer);
}

int MaterialLibrary::add(Material* material) {
    if (!material) return 1;
    int32_t index = material->getId();
    if (index < 0 || index >= capacity_) return 1;
    if (slots_[index]) return 4;
    slots_[index] = material;
    ++loadedCount_;
    return 0;
}

Material* MaterialLibrary::find(int index, int* status) {
    if (index < 0 || index >= capacity_) {
        if (status) *status = 1;
        return nullptr;
    }
    if (!slots_[index]) {
        if (status) *status = 4;
        return nullptr;
    }
    return slots_[index];
}

void MaterialLibrary::clear() {
    loadedCount_ = 0;
    for (int i = 0; i < capacity_; ++i) {
        delete slots_[i];
        slots_[i] = nullptr;
    }
}
