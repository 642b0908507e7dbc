// WorkingDirectory: makes a folder the working directory while in scope (shows name their files
// relative to it), and puts the previous one back however the test ends.
#pragma once

#include <filesystem>
#include <string>

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
        std::error_code ec;
        std::filesystem::current_path(dir, ec);
        ok_ = !ec;
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    // Whether the folder became the working directory.
    bool ok() const { return ok_; }

private:
    std::filesystem::path previous_;
    bool ok_ = false;
};
