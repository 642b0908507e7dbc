// FrameRecorder: the window's recording: the finished back buffer read as blue-green-red rows,
// bottom row first, and handed to an AviRecorder frame by frame.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/recorder/avi_recorder.h"

class FrameRecorder {
public:
    // Finishes a file still open.
    ~FrameRecorder();

    // Opens the recorder on a width x height x 3 BGR stream; shows "error init avi" when it
    // cannot open, and goes on. Returns the capture buffer.
    void* start(int width, int height);
    // Reads width x height pixels of the back buffer and appends them as one frame. 0 on
    // success; non-zero when nothing is recording or the write failed.
    int capture(int width, int height);
    // Finishes the file and frees the capture buffer.
    void stop();

    AviRecorder& recorder() { return recorder_; }

private:
    AviRecorder recorder_;
    std::vector<uint8_t> pixels_;
};
