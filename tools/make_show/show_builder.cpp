// The sample show's timeline: five scenes back to back on the scene track; on the overlay track
// the title card over the opening, two stripe wipes over the cuts into the metaballs and into the
// finale, and the end card over the finale's last bars.
#include "tools/make_show/show_builder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "app/animation.h"
#include "app/cell.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "data/pack_writer.h"
#include "tools/make_show/artwork.h"
#include "tools/make_show/flc_writer.h"
#include "tools/make_show/music.h"
#include "tools/make_show/show_scenes.h"
#include "tools/make_show/show_timing.h"

namespace {

// Scene boundaries, in bars: every change lands on a downbeat.
constexpr int kDawnBar = 0;
constexpr int kGardenBar = 4;
constexpr int kPlaygroundBar = 12;
constexpr int kMetaballBar = 20;
constexpr int kDuskBar = 24;
constexpr int kEndBar = kShowBars;

Cell* makePicture(const std::vector<uint8_t>& pixels, int startFrame, int endFrame) {
    auto* clip = new PictureClip();
    clip->setPixels(pixels.data());
    clip->setStart(startFrame * kTicksPerFrame);
    clip->setEnd(endFrame * kTicksPerFrame);
    clip->setInPoint(0);
    clip->setLength((endFrame - startFrame) * kTicksPerFrame);
    return clip;
}

// An animation cell taking its frames from a library animation; the player gives a cell the
// absolute end tick as its length.
Cell* makeAnimationCell(const char* name, int startFrame, int endFrame) {
    auto* cell = new Animation();
    cell->setIsCell(1);
    cell->setName(name);
    cell->setStart(startFrame * kTicksPerFrame);
    cell->setEnd(endFrame * kTicksPerFrame);
    cell->setInPoint(0);
    cell->setLength(endFrame * kTicksPerFrame);
    return cell;
}

bool makeFolder(const std::string& folder, std::string* error) {
    if (::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) return true;
    if (error) *error = "cannot create " + folder + ": " + std::strerror(errno);
    return false;
}

}  // namespace

ShowDocument::ShowDocument() {
    timeline_.tracks.resize(kShowTrackCount);
    addSharedMeshes(registry_);

    // Library animations: the stripe wipe in packed frames, and the spinner played from an FLC file.
    auto wipe = std::make_unique<Animation>();
    wipe->setIsCell(0);
    wipe->setName(kWipeAnimation);
    for (int f = 0; f < kWipeFrames; ++f) {
        frameBytes_.push_back(encodePackedFrame(makeWipeFrame(f, kWipeFrames)));
        std::vector<uint8_t>& bytes = frameBytes_.back();
        wipe->addFrame(bytes.data(), static_cast<int32_t>(bytes.size()));
    }
    timeline_.library.push_back(wipe.get());
    library_.push_back(std::move(wipe));
    auto spinner = std::make_unique<Animation>();
    spinner->setIsCell(0);
    spinner->setName(kSpinnerAnimation);
    timeline_.library.push_back(spinner.get());
    timeline_.flcFiles[kSpinnerAnimation] = kShowFlcFile;
    library_.push_back(std::move(spinner));

    addCell(kSceneTrack, buildDawnScene(registry_, barFrame(kDawnBar), barFrame(kGardenBar)));
    addCell(kSceneTrack, buildGardenScene(registry_, barFrame(kGardenBar), barFrame(kPlaygroundBar)));
    addCell(kSceneTrack, buildPlaygroundScene(registry_, barFrame(kPlaygroundBar), barFrame(kMetaballBar)));
    addCell(kSceneTrack, buildMetaballScene(registry_, barFrame(kMetaballBar), barFrame(kDuskBar)));
    addCell(kSceneTrack, buildDuskScene(registry_, barFrame(kDuskBar), barFrame(kEndBar)));

    // Overlays in time order. Each wipe covers the picture completely on the downbeat of its cut.
    const int half = kWipeFrames / 2;
    pictures_.push_back(makeTitleCard());
    addCell(kOverlayTrack, makePicture(pictures_.back(), barFrame(1), barFrame(3, 2)));
    addCell(kOverlayTrack, makeAnimationCell(kWipeAnimation, barFrame(kMetaballBar) - half, barFrame(kMetaballBar) + half));
    addCell(kOverlayTrack, makeAnimationCell(kWipeAnimation, barFrame(kDuskBar) - half, barFrame(kDuskBar) + half));
    pictures_.push_back(makeEndCard());
    addCell(kOverlayTrack, makePicture(pictures_.back(), barFrame(30), barFrame(kEndBar)));
}

ShowDocument::~ShowDocument() = default;

void ShowDocument::addCell(int track, Cell* cell) {
    cells_.emplace_back(cell);
    timeline_.tracks[track].push_back(cell);
}

std::vector<uint8_t> ShowDocument::packBytes(std::string* error) {
    PackWriter writer;
    writer.openMemory();
    if (!writeShowPack(writer, registry_, timeline_, error)) return {};
    return writer.bytes();
}

bool writeShowFolder(ShowDocument& show, const std::string& folder, const ShowBuildOptions& options,
                     std::string* error) {
    if (!makeFolder(folder, error)) return false;
    {
        PackWriter writer;
        const std::string pack = folder + "/" + kShowPackFile;
        if (writer.open(pack.c_str()) != 0) {
            if (error) *error = "cannot create " + pack;
            return false;
        }
        if (!writeShowPack(writer, show.registry(), show.timeline(), error)) {
            writer.abort();
            return false;
        }
        if (!writer.close()) {
            if (error) *error = "writing " + pack + " failed";
            return false;
        }
    }
    if (!writeFlc(makeSpinnerAnimation(), folder + "/" + kShowFlcFile)) {
        if (error) *error = std::string("writing ") + kShowFlcFile + " failed";
        return false;
    }
    if (options.music && !writeMp3(synthesizeMusic(), folder + "/" + kShowMusicFile, error)) return false;
    return true;
}

bool writeShowFolder(const std::string& folder, const ShowBuildOptions& options, std::string* error) {
    ShowDocument show;
    return writeShowFolder(show, folder, options, error);
}
