// The process-wide scratch image shared by picture and animation clips and the video decoders,
// and the global library of named animations that animation cells take their frames from.
#pragma once

#include <cstdint>

#include "data/named_list.h"

class Animation;

// 1024 x 1024 pixels, 4 bytes each (red, green, blue, alpha), row stride 4096 bytes.
constexpr int kFrameBufferSide = 1024;
constexpr int kFrameBufferPixels = kFrameBufferSide * kFrameBufferSide;
constexpr int kFrameBufferBytes = kFrameBufferPixels * 4;

// The shared image (4,194,304 bytes, 4-byte aligned); null until allocateFrameBuffer.
extern uint8_t* frameBuffer;
// The library animations, in load order; null until createAnimationList.
extern NamedList<Animation>* animationList;

// Allocates frameBuffer (zero-filled) unless it exists; returns it. It is never freed.
uint8_t* allocateFrameBuffer();
// Creates animationList empty unless it exists; returns it. It is never freed.
NamedList<Animation>* createAnimationList();
// Tests: unlinks every animation from animationList (the animations are not deleted).
void resetAnimationList();
