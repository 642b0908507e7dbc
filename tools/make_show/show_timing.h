// The sample show's musical clock. Timeline cells are stored in frames of 30 ticks and the player
// turns milliseconds into ticks as trunc(ms x 0.899), so one stored frame lasts 30 / 0.899 ms.
// The music is written at a tempo of exactly 16 stored frames per beat so that every beat, and
// so every scene change, falls on a whole frame.
#pragma once

#include "scene/ticks.h"

constexpr int kFramesPerBeat = 16;
constexpr int kBeatsPerBar = 4;
constexpr int kFramesPerBar = kFramesPerBeat * kBeatsPerBar;
// Length of the show in bars and in stored frames: the finale ends on the downbeat of bar 33,
// while the music's last chord rings on a little past it.
constexpr int kShowBars = 33;
constexpr int kShowFrames = kShowBars * kFramesPerBar;
// Seconds of one stored frame: 30 ticks at 0.899 ticks per millisecond.
constexpr double kSecondsPerFrame = kTicksPerFrame / (kTicksPerMillisecond * 1000.0);
constexpr double kSecondsPerBeat = kFramesPerBeat * kSecondsPerFrame;

// Stored frame at the start of a bar (bars count from 0) plus a number of beats.
constexpr int barFrame(int bar, int beat = 0) { return bar * kFramesPerBar + beat * kFramesPerBeat; }
// Ticks of a stored frame.
constexpr int frameTicks(int frame) { return frame * kTicksPerFrame; }
