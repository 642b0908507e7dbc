// GLRenderDevice: the render device's OpenGL backend. It turns the core's primitives into GL calls
// (coloured polygons without lighting, matrices loaded as the core computed them, source-alpha
// blending, nearest-filtered RGBA textures); every rule lives in RenderDeviceCore. Linux and
// Windows draw in OpenGL 1.1 immediate mode (gl/desktop/), the browser on WebGL 1 through a small
// shader (web/). Every call needs a current GL context.
#pragma once

#include <map>
#include <unordered_map>
#include <vector>

#include "platform/device/picture_extent.h"
#include "platform/device/render_device_core.h"

class GLRenderDevice final : public RenderDeviceCore {
public:
    GLRenderDevice() = default;

    // Off: every call still sets the GL state it sets when drawing (clear colour, matrices,
    // blending, textures and their texels, current colour), but no pixel is cleared or drawn.
    // Frames nobody will see then cost no rasterising, and the frame after them starts from the
    // GL state an unbroken run leaves. On by default.
    void setDrawing(bool on) { drawing_ = on; }
    bool isDrawing() const { return drawing_; }

    // Deletes every texture this device made; its GL context must be current. A show that starts
    // afresh on the same context (a jump back in the preview) so does not keep the old show's
    // pictures in the context's memory.
    void releaseTextures();

protected:
    void clearBuffers(bool colour, bool depth) override;
    void loadClearColour(float r, float g, float b) override;
    void loadMatrices(const Matrix4& projection, const Matrix4& modelview) override;
    void enableBlending(bool on) override;
    void drawPrimitive(const Primitive& primitive) override;
    void flush() override;
    TextureName newTexture(int width, int height, const void* pixels, bool hasAlpha) override;
    void loadTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                    const void* pixels) override;
    void selectTexture(TextureName name) override;
    void drawPicture(TextureName name, float opacity, float deviceAlpha) override;

private:
    // What the device knows of a texture's texels: their size and the box round those of alpha
    // above 0. A picture is drawn only inside that box (see picture_extent.h).
    struct TexelExtent {
        int width = 0, height = 0;
        bool known = false;  // else the whole texture counts
        TexelBox visible;
    };
    // Records the box of texels loaded into a texture (made by this device, else the whole
    // texture counts).
    void noteTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha, const void* pixels);
    // Scissors the picture of that texture over the viewport to the pixels it can change; false
    // when it can change none. The scissor state it found is kept in the arguments, to be set back
    // afterwards.
    bool scissorPicture(TextureName name, const int viewport[4], bool& scissorWasOn, int savedBox[4]);

    bool drawing_ = true;
    std::vector<unsigned> textures_;  // the names newTexture made
    // The texels last loaded whole into each texture: loading the same texels again is skipped
    // (a picture cell loads its unchanging picture every frame).
    struct LoadedTexels {
        int width = 0, height = 0;
        std::vector<unsigned char> bytes;
    };
    std::map<unsigned, LoadedTexels> loaded_;
    // Whether a load of these texels into name would give the texture the texels it already
    // holds; records the load otherwise.
    bool holdsAlready(TextureName name, int x, int y, int width, int height, bool hasAlpha, const void* pixels);
    std::unordered_map<unsigned, TexelExtent> extents_;
};

// Kind 0: a new OpenGL device; any other kind: null.
RenderDevice* createRenderDevice(int kind);
