// NullRenderDevice: the render device that draws nothing. It needs no GL context and runs every
// rule of RenderDeviceCore (culling included), so a show simulated through it behaves exactly as
// on screen: for timing the show's own work, and for bringing a show up to a later time without
// drawing the frames before it.
#pragma once

#include "platform/device/render_device_core.h"

class NullRenderDevice final : public RenderDeviceCore {
public:
    NullRenderDevice() = default;

    // Primitives and pictures the core handed over since the device was made: the work a real
    // backend would have drawn.
    long long drawCallCount() const { return drawCalls_; }

protected:
    void clearBuffers(bool, bool) override {}
    void loadClearColour(float, float, float) override {}
    void loadMatrices(const Matrix4&, const Matrix4&) override {}
    void enableBlending(bool) override {}
    void drawPrimitive(const Primitive&) override { ++drawCalls_; }
    void flush() override {}
    // Hands out names 1, 2, 3, ...
    TextureName newTexture(int, int, const void*, bool) override { return nextTexture_++; }
    void loadTexels(TextureName, int, int, int, int, bool, const void*) override {}
    void selectTexture(TextureName) override {}
    void drawPicture(TextureName, float, float) override { ++drawCalls_; }

private:
    TextureName nextTexture_ = 1;
    long long drawCalls_ = 0;
};
