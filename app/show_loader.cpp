// The start-up load sequence shared by the programs and the tools.
#include "app/show_loader.h"

#include "app/timeline.h"
#include "data/mesh_registry.h"

ShowLoadResult loadShowFrom(PackReader& reader, MeshRegistry& registry, Timeline& timeline) {
    registry.loadEntries(reader);
    if (!reader.failed()) timeline.load(reader, registry);
    ShowLoadResult result;
    result.bytes = reader.offset();
    if (reader.failed()) {
        result.status = ShowLoadStatus::Damaged;
        result.error = reader.failure();
    }
    return result;
}

ShowLoadResult loadShow(const std::string& path, MeshRegistry& registry, Timeline& timeline) {
    PackReader reader;
    if (reader.open(path.c_str()) != 0) {
        ShowLoadResult result;
        result.status = ShowLoadStatus::NoPack;
        result.error.file = path;
        result.error.reason = "cannot be opened";
        return result;
    }
    const ShowLoadResult result = loadShowFrom(reader, registry, timeline);
    reader.close();
    return result;
}
