// Pack writing for the sample show.
#include "tools/make_show/show_pack.h"

#include "data/mesh_registry.h"
#include "data/pack_writer.h"

bool writeShowPack(PackWriter& writer, MeshRegistry& registry, const TimelineContent& timeline, std::string* error) {
    registry.save(writer);
    const TimelineWriteResult result = writeTimeline(writer, timeline);
    if (!result.ok() && error) *error = result.error;
    return result.ok();
}
