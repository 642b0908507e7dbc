// Material: int32 id, then the colour packed into one int32.
#include "scene/material.h"

#include "data/pack_reader.h"
#include "data/pack_writer.h"

void Material::load(PackReader& reader) {
    ReadContext context(reader, "a material");
    id_ = reader.getInt();
    colour_.load(reader);
}

void Material::save(PackWriter& writer) const {
    writer.writeInt(id_);
    colour_.save(writer);
}
