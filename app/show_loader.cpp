// The start-up load sequence shared by the programs and the tools.
#include "app/show_loader.h"

#include "app/player.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "platform/message_box.h"

ShowLoadResult loadShowFrom(PackReader& reader, MeshRegistry& registry, Player& player) {
    {
        // However many records repeat a complaint, each distinct box shows once.
        MessageBoxDigest digest;
        registry.loadEntries(reader);
        if (!reader.failed()) player.loadTimeline(reader, registry);
    }
    if (reader.noteCount() > 0) reportLine(reader.noteSummary());
    if (!reader.failed()) return kShowLoaded;
    messageBox(reader.error().c_str(), kLoadErrorCaption, MessageBoxStyle::OkStop);
    return kShowBadPack;
}

ShowLoadResult loadShow(const char* path, PackReader& reader, MeshRegistry& registry, Player& player) {
    if (reader.open(path) != 0) return kShowNoPack;
    const ShowLoadResult result = loadShowFrom(reader, registry, player);
    reader.close();
    return result;
}
