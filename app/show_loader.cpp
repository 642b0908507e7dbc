// The start-up load sequence shared by the programs and the tools.
#include "app/show_loader.h"

#include <unordered_set>

#include "app/animation.h"
#include "app/cell.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/timeline.h"
#include "data/message_box.h"
#include "data/message_box_digest.h"
#include "data/mesh_registry.h"

ShowLoadResult loadShowFrom(PackReader& reader, MeshRegistry& registry, Timeline& timeline) {
    {
        // However many records repeat a complaint, each distinct box shows once.
        MessageBoxDigest digest;
        registry.loadEntries(reader);
        if (!reader.failed()) timeline.load(reader, registry);
    }
    if (reader.noteCount() > 0) reportLine(reader.noteSummary());
    ShowLoadResult result;
    result.bytes = reader.offset();
    result.noteSummary = reader.noteSummary();
    result.noteCount = reader.noteCount();
    if (reader.failed()) {
        result.status = ShowLoadStatus::Damaged;
        result.error = reader.failure();
    }
    return result;
}

ShowLoadResult loadShow(const std::string& path, MeshRegistry& registry, Timeline& timeline,
                        const std::string& folder, const std::string& name) {
    PackReader reader;
    reader.setFolder(folder);
    if (reader.open(path.c_str()) != 0) {
        ShowLoadResult result;
        result.status = ShowLoadStatus::NoPack;
        result.error.file = name.empty() ? path : name;
        result.error.reason = "cannot be opened";
        return result;
    }
    if (!name.empty()) reader.setName(name);
    const ShowLoadResult result = loadShowFrom(reader, registry, timeline);
    reader.close();
    return result;
}

void releaseShow(Timeline& timeline) {
    // A track's last cell has two keys (its start and its closing key).
    std::unordered_set<Cell*> cells;
    for (int t = 0; t < timeline.getTrackCount(); ++t) {
        Track* track = timeline.getTrack(t);
        for (int k = 0; k < track->count(); ++k)
            if (TimedKey* key = track->getKey(k)) cells.insert(static_cast<Cell*>(key->getValue()));
    }
    for (Cell* cell : cells) delete cell;
    timeline.setTrackCount(0);

    // Library animations own their frame bytes; cells only shared them.
    if (animationList) {
        while (animationList->count() > 0) {
            Animation* animation = animationList->removeAt(0);
            if (animation->getFliReader() == nullptr)
                for (Frame* frame : animation->frames()) delete[] frame->data;
            delete animation;
        }
    }
    fliClose();
}
