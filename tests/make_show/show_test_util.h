// Helpers for the sample show tests: the show folder generated once by the builder, a scoped
// working directory, and the show loaded the way the player loads it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/cell.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "scene/node3d.h"
#include "scene/track.h"
#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "support/working_directory.h"
#include "tools/make_show/show_builder.h"

// The sample show, built once per test program.
inline ShowDocument& sampleShow() {
    static ShowDocument show;
    return show;
}

// The show folder, written once per test program (without music, which no test plays).
inline const std::string& sampleShowFolder() {
    static ScratchDir folder;
    static const bool written = [] {
        std::string error;
        ShowBuildOptions options;
        options.music = false;
        const bool ok = writeShowFolder(sampleShow(), folder.path(), options, &error);
        if (!ok) ADD_FAILURE() << error;
        return ok;
    }();
    (void)written;
    return folder.path();
}

// A show loaded from a pack (file or memory) through the start-up loaders, with every message
// box captured.
struct LoadedShow {
    CapturedMessageBoxes boxes;
    MeshRegistry registry;
    Timeline timeline;
    ShowLoadResult result;

    LoadedShow() { resetAnimationList(); }
    ~LoadedShow() {
        fliClose();
        resetAnimationList();
    }
    // Loads "data.pak" of the current working directory.
    void loadFile() { result = loadShow("data.pak", registry, timeline); }
    void loadMemory(const std::vector<uint8_t>& bytes) {
        PackReader reader;
        reader.openMemory(bytes.data(), bytes.size(), "data.pak");
        result = loadShowFrom(reader, registry, timeline);
    }
    // The cells of a track, without its closing key.
    std::vector<Cell*> cells(int track) const {
        std::vector<Cell*> out;
        Track* t = timeline.getTrack(track);
        for (int k = 0; t && k + 1 < t->count(); ++k) out.push_back(static_cast<Cell*>(t->getKey(k)->getValue()));
        return out;
    }
};

// The sample show loaded from its folder, which is the working directory during the test.
class SampleShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cwd_.ok());
        show_.loadFile();
        ASSERT_TRUE(show_.result.loaded()) << show_.result.error.text();
    }
    WorkingDirectory cwd_{sampleShowFolder()};
    LoadedShow show_;
};

// Every node under root (root excluded), depth first in child order.
inline void forEachNode(Node3D* root, const std::function<void(Node3D*)>& visit) {
    for (int i = 0; i < root->getChildCount(); ++i) {
        Node3D* child = root->getChild(i);
        visit(child);
        forEachNode(child, visit);
    }
}
