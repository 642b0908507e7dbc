// PlatformSurface: the one declared interface between the window layer and whatever shows the
// picture. GLWindow drives every backend through it: the live window of the build's system
// (createLiveSurface, platform/core/live_platform.h), EglSurface (an off-screen OpenGL context for
// tests and offline rendering), and the scripted surface of the tests.
#pragma once

// Virtual key numbers used by the key state table (the window layer's own numbering).
constexpr int kKeyCount = 256;
constexpr int kKeyReturn = 0x0D;
constexpr int kKeyShift = 0x10;  // either Shift key
constexpr int kKeyEscape = 0x1B;
constexpr int kKeySpace = 0x20;
constexpr int kKeyPageUp = 0x21;
constexpr int kKeyPageDown = 0x22;
constexpr int kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25;
constexpr int kKeyUp = 0x26;
constexpr int kKeyRight = 0x27;
constexpr int kKeyDown = 0x28;
constexpr int kKeyPeriod = 0xBE;
constexpr int kKeyF1 = 0x70;  // F1 .. F12 are 0x70 .. 0x7B; letters and digits are their ASCII code

// One message from the windowing system.
struct SurfaceEvent {
    enum class Type {
        KeyDown,   // key: the virtual key number
        KeyUp,     // key: the virtual key number
        Activate,  // minimized: true when the window was minimised, false when shown again
        Close,     // the user (or the system) asks the window to close
        Resize,    // width, height: the new drawable size in pixels
    };
    Type type = Type::Close;
    int key = 0;
    bool minimized = false;
    int width = 0;
    int height = 0;

    static SurfaceEvent keyDown(int key) { return {Type::KeyDown, key, false, 0, 0}; }
    static SurfaceEvent keyUp(int key) { return {Type::KeyUp, key, false, 0, 0}; }
    static SurfaceEvent activate(bool minimized) { return {Type::Activate, 0, minimized, 0, 0}; }
    static SurfaceEvent close() { return {Type::Close, 0, false, 0, 0}; }
    static SurfaceEvent resize(int w, int h) { return {Type::Resize, 0, false, w, h}; }
};

// The framebuffer the window asks for: RGBA colour of colorBits, a depth buffer, double buffered.
struct PixelFormat {
    int colorBits = 32;
    int depthBits = 16;
    bool doubleBuffer = true;
};

// Outcome of creating the drawable and the GL context; each failure has its own message box.
enum class ContextStatus {
    Ok,
    NoDrawable,         // the drawable (device context, pbuffer) could not be made
    NoPixelFormat,      // no framebuffer configuration matches the pixel format
    PixelFormatNotSet,  // a configuration exists but could not be applied
    NoContext,          // the GL context could not be created
};

class PlatformSurface {
public:
    virtual ~PlatformSurface() = default;

    // Readies the windowing system for creating a window. false: it is not available.
    virtual bool initialize() = 0;
    // Switches (or prepares to switch) the display to exactly width x height at bits per pixel.
    // false: the display cannot show that mode.
    virtual bool setDisplayMode(int width, int height, int bits) = 0;
    // Puts the desktop's own display mode back.
    virtual void restoreDisplayMode() = 0;
    virtual void showCursor(bool visible) = 0;
    // Creates the window with a drawable area of width x height, full screen in the mode set by
    // setDisplayMode when fullscreen is true. false: no window.
    virtual bool createWindow(const char* title, int width, int height, bool fullscreen) = 0;
    // True while the window covers the screen in a changed display mode.
    virtual bool isFullscreen() const = 0;
    // Creates the drawable and the GL context for the pixel format (not yet current).
    virtual ContextStatus createContext(const PixelFormat& format) = 0;
    // Makes the context current on this thread. false: it could not be.
    virtual bool makeCurrent() = 0;
    // Shows the window, raises it and gives it the keyboard.
    virtual void showWindow() = 0;
    // Wait for the vertical retrace on every swap where the driver allows it (1) or not (0).
    virtual void setSwapInterval(int interval) = 0;
    // Takes the next pending message; false when none is pending. Never blocks.
    virtual bool pollEvent(SurfaceEvent& event) = 0;
    // Blocks until a message is pending or timeoutMs has passed (used while nothing is drawn).
    virtual void waitEvent(int timeoutMs) = 0;
    // Shows the back buffer.
    virtual void swapBuffers() = 0;
    // Switches an existing window between full screen (in the display mode width x height x bits)
    // and a window of the same size, keeping the GL context. false: the switch failed and the
    // window stays as it was.
    virtual bool setFullscreen(bool on, int width, int height, int bits) = 0;
    // Keeps the screen saver and the monitor's power-down from starting (true) or allows them.
    virtual void inhibitScreenSaver(bool inhibit) = 0;

    // Release steps, in the order the window calls them; each returns false when it failed.
    virtual bool hasContext() const = 0;
    virtual bool releaseCurrent() = 0;
    virtual bool deleteContext() = 0;
    virtual bool hasDrawable() const = 0;
    virtual bool releaseDrawable() = 0;
    virtual bool hasWindow() const = 0;
    virtual bool destroyWindow() = 0;
    // Undoes initialize.
    virtual bool shutdown() = 0;
};
