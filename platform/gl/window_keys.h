// WindowKeys: the keys the window's loop reacts to: which keys are down, and the presses of
// Escape (while active) and F1 since the loop last looked, so that a press and release that both
// arrive between two frames are not lost.
#pragma once

#include <cstdint>

#include "platform/core/platform_surface.h"

class WindowKeys {
public:
    // A key went down; an Escape press counts only while the window is active.
    void press(int key, bool active) {
        if (key >= 0 && key < kKeyCount) down_[key] = 1;
        if (key == kKeyEscape && active) escapePressed_ = true;
        if (key == kKeyF1) f1Pressed_ = true;
    }
    void release(int key) {
        if (key >= 0 && key < kKeyCount) down_[key] = 0;
    }
    // The window was minimised: an Escape pressed before no longer ends the show.
    void forgetEscape() { escapePressed_ = false; }
    // Escape held or pressed since.
    bool escape() const { return down_[kKeyEscape] || escapePressed_; }
    // F1 held or pressed since; taking it clears both.
    bool takeF1() {
        const bool pressed = down_[kKeyF1] || f1Pressed_;
        if (pressed) {
            down_[kKeyF1] = 0;
            f1Pressed_ = false;
        }
        return pressed;
    }
    bool isDown(int key) const { return key >= 0 && key < kKeyCount && down_[key] != 0; }

private:
    uint8_t down_[kKeyCount] = {};
    bool escapePressed_ = false;
    bool f1Pressed_ = false;
};
