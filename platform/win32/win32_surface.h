// Win32Surface: the live PlatformSurface on Windows: the "OpenGL" window class, a top-level
// window (a WS_POPUP over the whole screen in a changed display mode, or an overlapped window),
// its device context with a WGL context, and the window procedure that turns the messages into
// SurfaceEvents. One per process: the window procedure finds it through a process-wide pointer.
#pragma once

#include <deque>

#include "platform/core/platform_surface.h"
#include "platform/win32/win32_api.h"

class Win32Surface : public PlatformSurface {
public:
    Win32Surface() = default;
    ~Win32Surface() override;
    Win32Surface(const Win32Surface&) = delete;
    Win32Surface& operator=(const Win32Surface&) = delete;

    // Registers the window class "OpenGL" (CS_HREDRAW | CS_VREDRAW | CS_OWNDC).
    bool initialize() override;
    // ChangeDisplaySettingsA to width x height at bits per pixel, full screen. false: not done.
    bool setDisplayMode(int width, int height, int bits) override;
    // ChangeDisplaySettingsA(null, 0): the desktop's mode.
    void restoreDisplayMode() override;
    void showCursor(bool visible) override;
    // The window at (0, 0) with outer size width x height: WS_POPUP full screen, else
    // WS_OVERLAPPEDWINDOW.
    bool createWindow(const char* title, int width, int height, bool fullscreen) override;
    bool isFullscreen() const override { return fullscreen_; }
    // GetDC, ChoosePixelFormat / SetPixelFormat with the format, wglCreateContext.
    ContextStatus createContext(const PixelFormat& format) override;
    bool makeCurrent() override;
    // ShowWindow(SW_SHOW), SetForegroundWindow (joined to the foreground window's input when
    // Windows refuses it), SetFocus: the window opens with the keyboard.
    void showWindow() override;
    // wglSwapIntervalEXT where the driver has it.
    void setSwapInterval(int interval) override;
    // Dispatches pending messages until one gives an event; WM_QUIT gives Close.
    bool pollEvent(SurfaceEvent& event) override;
    void waitEvent(int timeoutMs) override;
    void swapBuffers() override;
    // Changes the display mode and the window's style in place; the device context and the GL
    // context stay.
    bool setFullscreen(bool on, int width, int height, int bits) override;
    // While inhibited the system keeps the display on (SetThreadExecutionState) and the window
    // procedure swallows SC_SCREENSAVE and SC_MONITORPOWER; released when no longer inhibited or
    // when the surface goes.
    void inhibitScreenSaver(bool inhibit) override;
    bool hasContext() const override { return context_ != nullptr; }
    bool releaseCurrent() override;
    bool deleteContext() override;
    bool hasDrawable() const override { return deviceContext_ != nullptr; }
    bool releaseDrawable() override;
    bool hasWindow() const override { return window_ != nullptr; }
    bool destroyWindow() override;
    // UnregisterClassA("OpenGL").
    bool shutdown() override;

    // The window procedure's work for this surface.
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static bool changeDisplayMode(int width, int height, int bits);

    HINSTANCE instance_ = nullptr;
    bool registered_ = false;
    HWND window_ = nullptr;
    HDC deviceContext_ = nullptr;
    HGLRC context_ = nullptr;
    bool modeChanged_ = false;  // the display runs in a mode of ours
    bool fullscreen_ = false;   // the window is the full-screen popup in that mode
    bool inhibitScreenSaver_ = false;
    bool cursorHidden_ = false;
    std::deque<SurfaceEvent> events_;
};
