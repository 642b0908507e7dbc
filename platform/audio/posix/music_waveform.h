// MusicWaveform: an audio file decoded (libavformat/libavcodec) to its length and a coarse
// min/max envelope, for pictures of a show's music.
#pragma once

#include <string>
#include <vector>

struct MusicWaveform {
    // Length of the decoded audio in seconds (decoded samples over the sample rate).
    double seconds = 0.0;
    // One entry per column, the columns splitting the length evenly: the lowest and highest sample
    // value (all channels, -1 to 1) within it.
    std::vector<float> low;
    std::vector<float> high;
};

// Decodes the first audio stream of the file at path into waveform with columns columns (at
// least 1). False with the reason in error when the file cannot be opened, holds no audio
// stream or no sample decodes; packets that fail to decode are skipped.
bool decodeMusicWaveform(const std::string& path, int columns, MusicWaveform* waveform, std::string* error);
