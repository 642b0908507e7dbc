// The live window on the Win32 API with a WGL context.
#include "platform/win32/win32_surface.h"


namespace {

constexpr const char* kWindowClass = "OpenGL";

// The one surface that owns the window (the window procedure has no other way to reach it).
Win32Surface* gSurface = nullptr;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gSurface) return gSurface->handleMessage(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD windowStyle(bool fullscreen) {
    return (fullscreen ? WS_POPUP : WS_OVERLAPPEDWINDOW) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

DWORD extendedStyle(bool fullscreen) {
    return fullscreen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
}

}  // namespace

Win32Surface::~Win32Surface() {
    if (context_) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context_);
    }
    if (deviceContext_ && window_) ReleaseDC(window_, deviceContext_);
    if (window_) DestroyWindow(window_);
    if (modeChanged_) ChangeDisplaySettingsA(nullptr, 0);
    if (registered_) UnregisterClassA(kWindowClass, instance_);
    if (cursorHidden_) ShowCursor(TRUE);
    if (inhibitScreenSaver_) SetThreadExecutionState(ES_CONTINUOUS);
    if (gSurface == this) gSurface = nullptr;
}

bool Win32Surface::initialize() {
    if (registered_) return true;
    instance_ = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance_;
    // The program's own icon (resource 1 of the players), else the system's.
    windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(1));
    if (!windowClass.hIcon) windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WINLOGO));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kWindowClass;
    registered_ = RegisterClassA(&windowClass) != 0;
    if (registered_) gSurface = this;
    return registered_;
}

bool Win32Surface::changeDisplayMode(int width, int height, int bits) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

bool Win32Surface::setDisplayMode(int width, int height, int bits) {
    if (!changeDisplayMode(width, height, bits)) return false;
    modeChanged_ = true;
    return true;
}

void Win32Surface::restoreDisplayMode() {
    if (modeChanged_) ChangeDisplaySettingsA(nullptr, 0);
    modeChanged_ = false;
    fullscreen_ = false;
}

void Win32Surface::showCursor(bool visible) {
    // ShowCursor keeps a count: only undo what this surface did.
    if (visible == !cursorHidden_) return;
    ShowCursor(visible ? TRUE : FALSE);
    cursorHidden_ = !visible;
}

bool Win32Surface::createWindow(const char* title, int width, int height, bool fullscreen) {
    const bool popup = fullscreen && modeChanged_;
    window_ = CreateWindowExA(extendedStyle(popup), kWindowClass, title, windowStyle(popup), 0, 0, width, height,
                              nullptr, nullptr, instance_, nullptr);
    if (!window_) return false;
    fullscreen_ = popup;
    return true;
}

ContextStatus Win32Surface::createContext(const PixelFormat& format) {
    deviceContext_ = window_ ? GetDC(window_) : nullptr;
    if (!deviceContext_) return ContextStatus::NoDrawable;
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (format.doubleBuffer ? PFD_DOUBLEBUFFER : 0);
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(format.colorBits);
    descriptor.cDepthBits = static_cast<BYTE>(format.depthBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    const int chosen = ChoosePixelFormat(deviceContext_, &descriptor);
    if (chosen == 0) return ContextStatus::NoPixelFormat;
    if (!SetPixelFormat(deviceContext_, chosen, &descriptor)) return ContextStatus::PixelFormatNotSet;
    context_ = wglCreateContext(deviceContext_);
    if (!context_) return ContextStatus::NoContext;
    return ContextStatus::Ok;
}

bool Win32Surface::makeCurrent() { return context_ && wglMakeCurrent(deviceContext_, context_); }

void Win32Surface::showWindow() {
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    if (!SetForegroundWindow(window_)) {
        // The user clicked elsewhere while the show loaded: Windows refuses the foreground to a
        // process that is not the foreground one. Joined for a moment to the input of the window
        // that has it, the show's window may take it, and with it the keyboard (Escape, F1).
        const HWND foreground = GetForegroundWindow();
        const DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
        const DWORD ownThread = GetCurrentThreadId();
        const bool attached = foregroundThread != 0 && foregroundThread != ownThread &&
                              AttachThreadInput(ownThread, foregroundThread, TRUE);
        BringWindowToTop(window_);
        SetForegroundWindow(window_);
        if (attached) AttachThreadInput(ownThread, foregroundThread, FALSE);
    }
    SetFocus(window_);
}

void Win32Surface::inhibitScreenSaver(bool inhibit) {
    if (inhibit == inhibitScreenSaver_) return;
    // Since Windows Vista swallowing SC_MONITORPOWER no longer keeps the display on: the thread
    // asks the system to, for as long as the show plays, and releases it after.
    SetThreadExecutionState(inhibit ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    inhibitScreenSaver_ = inhibit;
}

void Win32Surface::setSwapInterval(int interval) {
    using SwapIntervalProc = BOOL(WINAPI*)(int);
    const PROC proc = wglGetProcAddress("wglSwapIntervalEXT");
    if (!proc) return;  // no extension: the show runs unsynchronised
    reinterpret_cast<SwapIntervalProc>(reinterpret_cast<void*>(proc))(interval);
}

LRESULT Win32Surface::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            events_.push_back(SurfaceEvent::activate(HIWORD(wParam) != 0));
            return 0;
        case WM_SYSCOMMAND:
            if (inhibitScreenSaver_ && ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER))
                return 0;
            break;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            // A held key repeats WM_KEYDOWN; it is down once.
            if (!(lParam & (1L << 30))) events_.push_back(SurfaceEvent::keyDown(static_cast<int>(wParam & 0xFF)));
            return 0;
        case WM_KEYUP:
            events_.push_back(SurfaceEvent::keyUp(static_cast<int>(wParam & 0xFF)));
            return 0;
        case WM_SIZE:
            events_.push_back(SurfaceEvent::resize(LOWORD(lParam), HIWORD(lParam)));
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Win32Surface::pollEvent(SurfaceEvent& event) {
    for (;;) {
        if (!events_.empty()) {
            event = events_.front();
            events_.pop_front();
            return true;
        }
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
        if (message.message == WM_QUIT) {
            event = SurfaceEvent::close();
            return true;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Win32Surface::waitEvent(int timeoutMs) {
    if (!events_.empty()) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
}

void Win32Surface::swapBuffers() {
    if (deviceContext_) SwapBuffers(deviceContext_);
}

bool Win32Surface::setFullscreen(bool on, int width, int height, int bits) {
    if (!window_) return false;
    if (on == fullscreen_) return true;
    if (on) {
        if (!modeChanged_ && !setDisplayMode(width, height, bits)) return false;
    } else {
        restoreDisplayMode();
    }
    const LONG_PTR oldStyle = GetWindowLongPtrA(window_, GWL_STYLE);
    const LONG_PTR oldExtendedStyle = GetWindowLongPtrA(window_, GWL_EXSTYLE);
    SetWindowLongPtrA(window_, GWL_STYLE, static_cast<LONG_PTR>(windowStyle(on) | WS_VISIBLE));
    SetWindowLongPtrA(window_, GWL_EXSTYLE, static_cast<LONG_PTR>(extendedStyle(on)));
    if (!SetWindowPos(window_, on ? HWND_TOP : HWND_NOTOPMOST, 0, 0, width, height, SWP_FRAMECHANGED | SWP_SHOWWINDOW)) {
        // Not done: the window and the display go back to what they were.
        SetWindowLongPtrA(window_, GWL_STYLE, oldStyle);
        SetWindowLongPtrA(window_, GWL_EXSTYLE, oldExtendedStyle);
        if (on)
            restoreDisplayMode();
        else
            setDisplayMode(width, height, bits);
        SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        fullscreen_ = !on;
        return false;
    }
    fullscreen_ = on;
    return true;
}

bool Win32Surface::releaseCurrent() { return wglMakeCurrent(nullptr, nullptr) != FALSE; }

bool Win32Surface::deleteContext() {
    const bool deleted = wglDeleteContext(context_) != FALSE;
    context_ = nullptr;
    return deleted;
}

bool Win32Surface::releaseDrawable() {
    const bool released = window_ && ReleaseDC(window_, deviceContext_) != 0;
    deviceContext_ = nullptr;
    return released;
}

bool Win32Surface::destroyWindow() {
    const bool destroyed = DestroyWindow(window_) != FALSE;
    window_ = nullptr;
    fullscreen_ = false;
    return destroyed;
}

bool Win32Surface::shutdown() {
    bool unregistered = true;
    if (registered_) {
        unregistered = UnregisterClassA(kWindowClass, instance_) != FALSE;
        if (!unregistered) instance_ = nullptr;
        registered_ = false;
    }
    if (gSurface == this) gSurface = nullptr;
    return unregistered;
}
