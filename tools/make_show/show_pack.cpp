// Pack writing for the sample show.
#include "tools/make_show/show_pack.h"

#include "app/animation.h"
#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/player.h"
#include "app/track.h"
#include "data/mesh_registry.h"
#include "data/pack_writer.h"
#include "platform/message_box.h"

namespace {

// Captures the boxes that saving shows while in scope.
class SaveBoxes {
public:
    SaveBoxes() {
        previous_ = setMessageBoxSink([this](const MessageBoxCall& call) {
            if (call.text != "Z_OK") unexpected_.push_back(call.caption + ": " + call.text);
            return MessageBoxResult::Ok;
        });
    }
    ~SaveBoxes() { setMessageBoxSink(previous_); }
    const std::vector<std::string>& unexpected() const { return unexpected_; }

private:
    MessageBoxSink previous_;
    std::vector<std::string> unexpected_;
};

void writeLibraryAnimation(PackWriter& writer, Animation& animation, const ShowTimeline& timeline) {
    auto flc = timeline.flcFiles.find(animation.getName());
    if (flc == timeline.flcFiles.end()) {
        animation.save(writer);
        return;
    }
    writer.writeInt(1);  // source mode 1: an FLC file
    writer.writeString(animation.getName());
    writer.writeString(flc->second.c_str());
}

}  // namespace

bool writeShowPack(PackWriter& writer, MeshRegistry& registry, const ShowTimeline& timeline, std::string* error) {
    SaveBoxes boxes;
    registry.save(writer);

    writer.writeInt(static_cast<int32_t>(timeline.library.size()));
    for (Animation* animation : timeline.library) writeLibraryAnimation(writer, *animation, timeline);
    writer.writeInt(0);  // read and not used by the player
    writer.writeInt(static_cast<int32_t>(timeline.tracks.size()));
    for (const std::vector<Cell*>& track : timeline.tracks) {
        writer.writeInt(static_cast<int32_t>(track.size()));
        for (Cell* cell : track) Player::saveCell(writer, *cell, "");
    }

    if (!boxes.unexpected().empty()) {
        if (error) *error = "saving showed \"" + boxes.unexpected().front() + "\"";
        return false;
    }
    if (writer.failed()) {
        if (error) *error = "the pack writer failed";
        return false;
    }
    return true;
}

ShowTimeline timelineOfPlayer(Player& player, const std::map<std::string, std::string>& flcFiles) {
    ShowTimeline timeline;
    timeline.flcFiles = flcFiles;
    if (animationList)
        for (Animation* animation : *animationList) timeline.library.push_back(animation);
    for (int i = 0; i < player.getTrackCount(); ++i) {
        Track* track = player.getTrack(i);
        std::vector<Cell*> cells;
        for (int k = 0; k + 1 < track->count(); ++k)
            if (TimedKey* key = track->getKey(k)) cells.push_back(static_cast<Cell*>(key->getValue()));
        timeline.tracks.push_back(cells);
    }
    return timeline;
}
