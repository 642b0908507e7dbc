// Watching a show source by the times and sizes of its files, and building it once a change
// has settled.
#include "tools/show_source/live_build.h"

#include <filesystem>

#include "tools/show_source/show_records.h"

namespace fs = std::filesystem;

namespace {

// Files an editor or a version control system keeps beside the ones being edited.
bool ignored(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.back() == '~') return true;
    const auto endsWith = [&](const char* tail) {
        const std::string t(tail);
        return name.size() >= t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
    };
    return endsWith(".swp") || endsWith(".swx") || endsWith(".tmp");
}

}  // namespace

LiveBuild::LiveBuild(std::string sourceFolder, std::string packFolder)
    : source_(fs::absolute(sourceFolder).string()), packFolder_(fs::absolute(packFolder).string()) {}

bool LiveBuild::isSource(const std::string& folder) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(folder) / kManifestName, ec);
}

std::string LiveBuild::packPath() const { return (fs::path(packFolder_) / "data.pak").string(); }

LiveBuild::Snapshot LiveBuild::look() const {
    Snapshot files;
    std::error_code ec;
    fs::recursive_directory_iterator it(source_, fs::directory_options::skip_permission_denied, ec);
    // A file removed while the folder is walked is skipped; the next look sees the folder as it
    // then is.
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        std::error_code fileEc;
        // The pack folder, should it lie inside the source, would see every build as a change.
        if (ignored(name) || entry.path() == fs::path(packFolder_)) {
            if (entry.is_directory(fileEc)) it.disable_recursion_pending();
            continue;
        }
        if (!entry.is_regular_file(fileEc)) continue;
        const auto time = fs::last_write_time(entry.path(), fileEc);
        const uintmax_t size = fs::file_size(entry.path(), fileEc);
        if (fileEc) continue;
        files[fs::relative(entry.path(), source_, fileEc).generic_string()] = {
            static_cast<int64_t>(time.time_since_epoch().count()), size};
    }
    return files;
}

bool LiveBuild::changeSettled(double nowMs) {
    if (lookedOnce_ && nowMs < nextLook_) return false;
    lookedOnce_ = true;
    nextLook_ = nowMs + kLookIntervalMs;
    Snapshot now = look();
    if (now == built_) {
        hasPending_ = false;
        return false;
    }
    if (!hasPending_ || now != pending_) {
        pending_ = std::move(now);
        pendingSince_ = nowMs;
        hasPending_ = true;
        return false;
    }
    return nowMs - pendingSince_ >= kSettleMs;
}

LiveBuild::Outcome LiveBuild::build() {
    // The files as they are before the build reads them: a save during the build is a change.
    built_ = look();
    hasPending_ = false;
    ++builds_;
    problems_.clear();
    const BuildResult result = buildShow(source_, packPath());
    if (!result.ok()) {
        for (const SourceProblem& p : result.problems) problems_.push_back(p.text());
        const int more = result.problemCount - static_cast<int>(result.problems.size());
        if (more > 0) problems_.push_back("... and " + std::to_string(more) + " more problems");
        if (!result.error.empty()) problems_.push_back(result.error);
        return Outcome::Failed;
    }
    // Music taken out of the source leaves the show silent, as a build into a fresh folder would.
    std::error_code ec;
    if (!fs::exists(fs::path(source_) / "music.mp3", ec)) fs::remove(fs::path(packFolder_) / "music.mp3", ec);
    return Outcome::Rebuilt;
}
