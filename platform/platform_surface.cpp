// The factory of the surface that an own window is created on.
#include "platform/platform_surface.h"

#include "platform/sdl_surface.h"

namespace {
SurfaceFactory& currentFactory() {
    static SurfaceFactory factory;
    return factory;
}
}  // namespace

std::unique_ptr<PlatformSurface> createWindowSurface() {
    SurfaceFactory& factory = currentFactory();
    if (factory) return factory();
    return std::make_unique<SdlSurface>();
}

SurfaceFactory setWindowSurfaceFactory(SurfaceFactory factory) {
    SurfaceFactory previous = std::move(currentFactory());
    currentFactory() = std::move(factory);
    return previous;
}
