// FrameClient: what the window's frame loop (and a host that embeds the show) calls on the
// show. The Player implements it; the platform layer knows the show only through this interface.
#pragma once

class FrameClient {
public:
    // Virtual operations in the player's slot order.

    // 0: draws one frame of width x height; the third argument is unused. Returns 0.
    virtual int renderFrame(int width, int height, int ignored) = 0;
    // 1: re-applies the letterbox for a new window size (for embedders; the loop never calls it).
    virtual void resize(int width, int height) {}
    // 2: reserved.
    virtual void reserved2() {}
    // 3: called once after GL set-up: creates the track textures, starts music and clock.
    virtual void start() = 0;
    // 4-6: recording, forwarded to the window (for embedders; the loop never calls them).
    virtual void* startRecording() { return nullptr; }
    virtual int captureFrame() { return 0; }
    virtual void stopRecording() {}
    // 7: milliseconds since the show started, as last computed by renderFrame.
    virtual int getShowTime() = 0;

    virtual ~FrameClient() = default;
};
