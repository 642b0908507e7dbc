// Helpers of the demotool tests: a scratch directory holding the test show, running the program
// (and ffmpeg / ffprobe) with captured output, and reading decoded pictures.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/scratch_dir.h"
#include "test_show.h"

#ifndef DEMOTOOL_PROGRAM
#define DEMOTOOL_PROGRAM DEMO_BINARY_DIR "/tools/demotool/demotool"
#endif

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// Single-quotes a word for the shell.
inline std::string shellQuote(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command line, capturing standard output and error.
inline RunResult runShell(const std::string& command, const std::string& captureDir) {
    const std::string out = captureDir + "/.stdout";
    const std::string err = captureDir + "/.stderr";
    const int status = std::system(("(" + command + ") >" + shellQuote(out) + " 2>" + shellQuote(err)).c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readWholeFile(out);
    r.err = readWholeFile(err);
    return r;
}

// Runs demotool with the given (unquoted) arguments.
inline RunResult runDemotool(const std::vector<std::string>& args, const std::string& captureDir) {
    std::string command = shellQuote(DEMOTOOL_PROGRAM);
    for (const std::string& a : args) command += ' ' + shellQuote(a);
    return runShell(command, captureDir);
}

// The first stream of the given type ("v" or "a") as ffprobe describes it; null when absent.
inline nlohmann::json probeStream(const std::string& file, const char* type, const std::string& captureDir) {
    const RunResult r = runShell("ffprobe -v error -count_frames -select_streams " + std::string(type) +
                                     ":0 -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames,"
                                     "duration,pix_fmt -show_entries format=duration,format_name:format_tags="
                                     "major_brand -of json " + shellQuote(file),
                                 captureDir);
    const auto doc = nlohmann::json::parse(r.out, nullptr, false);
    if (doc.is_discarded() || !doc.contains("streams") || doc["streams"].empty()) return nullptr;
    nlohmann::json s = doc["streams"][0];
    if (doc.contains("format")) {
        s["format_duration"] = doc["format"].value("duration", "0");
        s["format_name"] = doc["format"].value("format_name", "");
        s["major_brand"] = doc["format"].contains("tags") ? doc["format"]["tags"].value("major_brand", "") : "";
    }
    return s;
}

// Every video frame of a file (or the one picture of a PNG) as packed RGB rows, top row first.
inline std::string decodeRgb(const std::string& file, const std::string& captureDir) {
    const std::string raw = captureDir + "/.decoded.rgb";
    runShell("ffmpeg -v error -y -i " + shellQuote(file) + " -map 0:v:0 -f rawvideo -pix_fmt rgb24 " + shellQuote(raw),
             captureDir);
    std::string bytes = readWholeFile(raw);
    std::remove(raw.c_str());
    return bytes;
}

inline bool fileExists(const std::string& path) { return std::filesystem::exists(path); }
