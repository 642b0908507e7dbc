// The sample show's soundtrack: a small synthesiser (pads, bass, drums, arpeggio and lead) that
// renders the piece deterministically at 44.1 kHz, and the MP3 encoding through libmp3lame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kMusicSampleRate = 44100;

// Renders the whole piece as interleaved stereo 16-bit samples (left, right, left, ...). The
// same call always returns the same samples. Beat b starts at sample round(b x beat x rate).
std::vector<int16_t> synthesizeMusic();

// Length in seconds of what synthesizeMusic renders (the show plus the last chord's tail).
double musicSeconds();

// Encodes interleaved stereo samples at kMusicSampleRate into an MP3 file. False (with a reason
// in error) when the encoder or the file fails.
bool writeMp3(const std::vector<int16_t>& stereo, const std::string& path, std::string* error);
