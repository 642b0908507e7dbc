// The shared frame buffer and the library of animations.
#include "app/frame_buffer.h"

#include "app/animation.h"

uint8_t* frameBuffer = nullptr;
NamedList<Animation>* animationList = nullptr;

uint8_t* allocateFrameBuffer() {
    if (!frameBuffer) {
        // Backed by 32-bit words so the decoders may write whole pixels.
        auto* words = new uint32_t[kFrameBufferPixels]();
        frameBuffer = reinterpret_cast<uint8_t*>(words);
    }
    return frameBuffer;
}

NamedList<Animation>* createAnimationList() {
    if (!animationList) animationList = new NamedList<Animation>();
    return animationList;
}

void resetAnimationList() {
    if (!animationList) return;
    while (animationList->count() > 0) animationList->removeAt(0);
}
