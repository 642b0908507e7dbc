// Audio and video files decoded with libavformat/libavcodec for the show source's imports: music
// from any audio file as 44.1 kHz stereo samples, and clips (animated GIF, video) as RGBA frames
// sampled at the animation's frame rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/show_source/picture_files.h"

// Decodes the first audio stream of path into interleaved stereo 16-bit samples at rate (mono is
// doubled, more channels are mixed down). False with the reason in error when the file cannot be
// opened, holds no audio stream, or decodes to no sample, or when it is longer than maxSeconds.
bool decodeAudioFile(const std::string& path, int rate, double maxSeconds, std::vector<int16_t>* stereo,
                     std::string* error);

// True when path holds an audio stream that a decoder exists for (nothing is decoded).
bool probeAudioFile(const std::string& path, std::string* error);

// Decodes the first video stream of path (animated GIF included) and keeps the picture shown at
// each time i / framesPerSecond (i = 0, 1, ...; times from the first frame), as long as the clip
// lasts and for at most maxFrames frames. Frames larger than maxSide on a side are scaled down to
// fit, keeping their shape. False with the reason in error when nothing decodes.
bool decodeVideoFrames(const std::string& path, double framesPerSecond, int maxFrames, int maxSide,
                       std::vector<RgbaImage>* frames, std::string* error);
