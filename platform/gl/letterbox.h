// Letterbox: the show's picture at 16:9 of the window's width, centred vertically, with black
// bars above and below, and the counter of frames since the window last changed size.
#pragma once

#include <cstdint>

class Letterbox {
public:
    // Sets the viewport to the picture inside w x h and clears the bars in black (no clear with
    // drawing off). The first frames after a (re)size (counter 0 to 4) clear the upper region once
    // more in black and leave the scissor on it; later frames scissor to the picture. Counts the
    // frame.
    void apply(int w, int h, bool drawing);
    // The window changed size: the next frames are the first ones again.
    void restart() { counter_ = 0; }
    uint32_t counter() const { return counter_; }

private:
    uint32_t counter_ = 0;
};
