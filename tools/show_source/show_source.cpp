// Unpacking a pack into a source folder and building a source folder into a pack.
#include "tools/show_source/show_source.h"

#include <yaml-cpp/exceptions.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/frame_buffer.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "app/timeline_writer.h"
#include "data/mesh_registry.h"
#include "data/message_box.h"
#include "data/pack_writer.h"
#include "tools/make_show/music.h"
#include "tools/show_source/media_decode.h"
#include "tools/show_source/show_records.h"

namespace fs = std::filesystem;

namespace {

// The longest music a build encodes.
constexpr double kMaxMusicSeconds = 3600.0;

// Boxes shown while a build or unpack loads and saves are collected, never shown.
class QuietBoxes {
public:
    QuietBoxes()
        : previous_(setMessageBoxSink([this](const MessageBoxCall& call) {
              boxes.push_back(call.caption + ": " + call.text);
              return MessageBoxResult::Ok;
          })) {}
    ~QuietBoxes() { setMessageBoxSink(previous_); }
    std::vector<std::string> boxes;

private:
    MessageBoxSink previous_;
};

bool readGzip(const fs::path& path, std::vector<uint8_t>* bytes) {
    gzFile file = gzopen(path.string().c_str(), "rb");
    if (!file) return false;
    uint8_t block[65536];
    int n = 0;
    while ((n = gzread(file, block, sizeof block)) > 0) bytes->insert(bytes->end(), block, block + n);
    const bool ok = n == 0;
    gzclose(file);
    return ok;
}

bool copyFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return true;
    fs::create_directories(to.parent_path(), ec);
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

}  // namespace

bool unpackShow(const std::string& packPath, const std::string& folder, std::string* error) {
    const fs::path pack = fs::absolute(packPath);
    std::vector<uint8_t> stream;
    if (!readGzip(pack, &stream)) {
        *error = "cannot read " + packPath;
        return false;
    }
    {
        // Only a pack that the player loads is unpacked.
        QuietBoxes boxes;
        resetAnimationList();
        MeshRegistry registry;
        Timeline timeline;
        PackReader reader;
        reader.setFolder(pack.parent_path().string());
        reader.openMemory(stream.data(), stream.size(), pack.filename().string().c_str());
        const ShowLoadResult load = loadShowFrom(reader, registry, timeline);
        releaseShow(timeline);
        if (!load.loaded()) {
            *error = load.error.text();
            return false;
        }
    }
    const fs::path out = fs::absolute(folder);
    std::error_code ec;
    fs::create_directories(out, ec);
    SourceDecoder decoder(std::move(stream), out.string(), pack.parent_path().string());
    decoder.beginDocument(kManifestName);
    ShowRecordContext context;
    codeShow(decoder, context);
    if (decoder.failed()) {
        *error = decoder.error();
        return false;
    }
    for (const auto& [name, root] : decoder.documents()) {
        const std::string heading = name == kManifestName ? "Show source: meshes, animations, tracks and cells."
                                                          : "Part of the show source (see show.yaml).";
        const std::string text = formatSourceDocument(*root, heading);
        const fs::path path = out / name;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file) {
            *error = "cannot write " + path.string();
            return false;
        }
    }
    const fs::path music = pack.parent_path() / "music.mp3";
    if (fs::is_regular_file(music, ec) && !copyFile(music, out / "music.mp3")) {
        *error = "cannot write " + (out / "music.mp3").string();
        return false;
    }
    return true;
}

namespace {

BuildResult encodeInto(SourceEncoder& encoder) {
    BuildResult result;
    try {
        if (encoder.beginDocument(kManifestName)) {
            ShowRecordContext context;
            codeShow(encoder, context);
        }
        encoder.endDocument();
    } catch (const YAML::Exception& e) {
        // The reader's own checks should leave nothing for the library to refuse; if it does,
        // the build stops with its words at its place.
        encoder.addProblem(kManifestName, e.mark.line + 1, e.mark.column + 1, "a readable source (" + e.msg + ")");
    }
    result.problems = encoder.problems();
    result.problemCount = encoder.problemCount();
    return result;
}

}  // namespace

BuildResult encodeShowSource(const std::string& folder, std::vector<uint8_t>* stream) {
    SourceEncoder encoder(fs::absolute(folder).string());
    BuildResult result = encodeInto(encoder);
    *stream = encoder.stream();
    return result;
}

BuildResult buildShow(const std::string& folder, const std::string& packPath) {
    const fs::path source = fs::absolute(folder);
    const fs::path pack = fs::absolute(packPath);
    SourceEncoder encoder(source.string());
    BuildResult result = encodeInto(encoder);
    if (!result.ok()) return result;

    QuietBoxes boxes;
    resetAnimationList();
    MeshRegistry registry;
    Timeline timeline;
    {
        // The records go through the player's loaders, FLI/FLC files opened from the source.
        PackReader reader;
        reader.setFolder(source.string());
        reader.openMemory(encoder.stream().data(), encoder.stream().size(), kManifestName);
        const ShowLoadResult load = loadShowFrom(reader, registry, timeline);
        if (!load.loaded()) {
            SourceProblem at = encoder.placeOf(load.error.offset);
            at.what = load.error.reason.empty() ? load.error.text() : load.error.reason;
            result.problems.push_back(at);
            result.problemCount = 1;
            releaseShow(timeline);
            return result;
        }
    }
    std::error_code ec;
    fs::create_directories(pack.parent_path(), ec);
    // The music goes beside the pack: an MP3 copied as it stands, other audio encoded as MP3
    // first (into a temporary, so that a failure leaves nothing written).
    fs::path musicSource = source / "music.mp3";
    fs::path musicMade;
    if (!encoder.musicFile().empty()) {
        musicSource = source / encoder.musicFile();
        std::string name = encoder.musicFile();
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".mp3") != 0) {
            musicMade = pack.parent_path() / ".music.mp3.part";
            std::vector<int16_t> samples;
            std::string why;
            if (!decodeAudioFile(musicSource.string(), kMusicSampleRate, kMaxMusicSeconds, &samples, &why) ||
                !writeMp3(samples, musicMade.string(), &why)) {
                SourceProblem at = encoder.musicPlace();
                at.what = "music that can be decoded and encoded as MP3 (" + why + ")";
                result.problems.push_back(at);
                result.problemCount = 1;
                fs::remove(musicMade, ec);
                releaseShow(timeline);
                return result;
            }
        }
    }
    PackWriter writer;
    if (writer.open(pack.string().c_str()) != 0) {
        result.error = "cannot write " + pack.string();
        if (!musicMade.empty()) fs::remove(musicMade, ec);
        releaseShow(timeline);
        return result;
    }
    registry.save(writer);
    const TimelineWriteResult written = writeTimeline(writer, timeline.content({}));
    releaseShow(timeline);
    if (!written.ok() || writer.failed()) {
        writer.abort();
        if (!musicMade.empty()) fs::remove(musicMade, ec);
        result.error = written.ok() ? "cannot write " + pack.string() : written.error;
        return result;
    }
    if (!writer.close()) {
        result.error = "cannot write " + pack.string();
        if (!musicMade.empty()) fs::remove(musicMade, ec);
        return result;
    }
    // What the pack names beside it.
    for (const std::string& asset : encoder.assets())
        if (!copyFile(source / asset, pack.parent_path() / asset)) result.error = "cannot copy " + asset;
    if (!musicMade.empty()) {
        fs::rename(musicMade, pack.parent_path() / "music.mp3", ec);
        if (ec) result.error = "cannot write " + (pack.parent_path() / "music.mp3").string();
    } else if (fs::is_regular_file(musicSource, ec) && !copyFile(musicSource, pack.parent_path() / "music.mp3")) {
        result.error = "cannot copy " + musicSource.filename().string();
    }
    return result;
}
