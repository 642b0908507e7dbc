// The timeline section written as Timeline::load reads it.
#include "app/timeline_writer.h"

#include "app/animation.h"
#include "app/cell.h"
#include "data/pack_writer.h"
#include "scene/ticks.h"

namespace {

// A library animation: its own save, or the FLC file record.
bool writeLibraryAnimation(PackWriter& writer, Animation& animation, const FlcFiles& flcFiles) {
    auto flc = flcFiles.find(animation.getName());
    if (flc == flcFiles.end()) return animation.save(writer) == 0;
    writer.writeInt(1);  // source mode 1: an FLC file
    writer.writeString(animation.getName());
    writer.writeString(flc->second.c_str());
    return true;
}

// One cell record (name empty, no key records); its times in whole frames.
bool writeCell(PackWriter& writer, Cell& cell) {
    const int kind = cell.getKind();
    writer.writeInt(0);
    writer.writeInt(kind);
    writer.writeInt(0);
    writer.writeString("");
    writer.writeInt(cell.getStart() / kTicksPerFrame);
    writer.writeInt(cell.getEnd() / kTicksPerFrame);
    writer.writeInt(kind == kCellScene ? cell.getInPoint() / kTicksPerFrame : 0);
    writer.writeInt(kind == kCellScene ? cell.getLength() / kTicksPerFrame : 0);
    const bool saved = cell.save(writer) == 0;
    writer.writeInt(0);  // no key records
    return saved;
}

}  // namespace

TimelineWriteResult writeTimeline(PackWriter& writer, const TimelineContent& content) {
    TimelineWriteResult result;
    auto failed = [&result](const std::string& what) {
        if (result.ok()) result.error = what;
    };

    writer.writeInt(static_cast<int32_t>(content.library.size()));
    for (Animation* animation : content.library) {
        if (!writeLibraryAnimation(writer, *animation, content.flcFiles))
            failed(std::string("library animation \"") + animation->getName() + "\" could not be saved");
    }
    writer.writeInt(0);  // read and not used by the player
    writer.writeInt(static_cast<int32_t>(content.tracks.size()));
    for (size_t t = 0; t < content.tracks.size(); ++t) {
        const std::vector<Cell*>& track = content.tracks[t];
        writer.writeInt(static_cast<int32_t>(track.size()));
        for (size_t c = 0; c < track.size(); ++c) {
            const std::string where = "cell " + std::to_string(c) + " of track " + std::to_string(t);
            if (!track[c]) {
                failed(where + " is missing");
                continue;
            }
            if (!writeCell(writer, *track[c]))
                failed(where + " (" + cellKindName(track[c]->getKind()) + ") could not be saved");
        }
    }
    if (writer.failed()) failed("the pack writer failed");
    return result;
}
