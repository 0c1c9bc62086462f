// The SDL backend of the surface layer and the window object: desktop queries, presents letterboxed at the largest
// whole scale factor that fits: through the window's own surface, changed rectangles only, without a GPU; through
// one renderer and one streaming texture per window otherwise.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"

namespace Platform
{

namespace
{
std::mutex gQueueLock;
std::map<Window*, PresentedFrame> gQueued;
Window* gLastWindow = nullptr;
std::atomic<bool> gCapture{false};
PresentedFrame gCaptured; // guarded by gQueueLock

SDL_Window* NativeOf(Window& window)
{
    return static_cast<SDL_Window*>(WindowAccess::Native(window));
}

// The largest whole factor by which a w x h picture fits into the area (at least 1).
int WholeFactor(int w, int h, int areaW, int areaH)
{
    if (w <= 0 || h <= 0) return 1;
    return std::max(1, std::min(areaW / w, areaH / h));
}

uint32_t TextureFormatFor(const PresentedFrame& frame)
{
    if (frame.bitsPerPixel == 16)
    {
        if (frame.greenMask == 0x07E0) return frame.redMask == 0xF800 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_BGR565;
        if (frame.greenMask == 0x03E0) return frame.redMask == 0x7C00 ? SDL_PIXELFORMAT_RGB555 : SDL_PIXELFORMAT_BGR555;
        return SDL_PIXELFORMAT_UNKNOWN;
    }
    if (frame.bitsPerPixel == 32) return frame.redMask == 0xFF0000 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_BGR888;
    return SDL_PIXELFORMAT_UNKNOWN;
}
// Reads the renderer's finished picture back (before the present, after which its contents are undefined).
void CaptureRenderer(SDL_Renderer* renderer, int width, int height)
{
    PresentedFrame frame;
    if (width <= 0 || height <= 0) return;
    frame.width = width;
    frame.height = height;
    frame.bitsPerPixel = 32;
    frame.redMask = 0xFF0000;
    frame.greenMask = 0x00FF00;
    frame.blueMask = 0x0000FF;
    frame.pixels.resize(size_t(width) * size_t(height) * 4);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, frame.pixels.data(), width * 4) != 0)
        frame = PresentedFrame{};
    std::lock_guard guard(gQueueLock);
    gCaptured = std::move(frame);
}
// Whether to present through SDL's own software renderer rather than a GPU one. Without a GPU render node the
// "accelerated" renderer is OpenGL drawn on the processor (several threads, tens of megabytes of driver) only to
// scale one picture, which costs more than the plain copy to the window; with a GPU it presents with vsync for
// free. ZEST_RENDERER=software or =accelerated overrides the guess.
bool PreferSoftwareRenderer()
{
    static const bool software = []
    {
        const char* wish = std::getenv("ZEST_RENDERER");
        if (wish && std::string(wish) == "software") return true;
        if (wish && std::string(wish) == "accelerated") return false;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ignored))
            if (entry.path().filename().string().rfind("renderD", 0) == 0) return false;
        return true;
    }();
    return software;
}

std::string gVideoFailure;
std::atomic<bool> gExposed{false};
std::vector<SDL_Rect> gSentRects; // the window parts one present sends (main thread only; kept to save allocations)

// Reads the window surface back as the capture (before its update is sent, like the renderer's read-back).
void CaptureSurface(SDL_Surface* surface)
{
    PresentedFrame frame;
    frame.width = surface->w;
    frame.height = surface->h;
    frame.bitsPerPixel = 32;
    frame.redMask = 0xFF0000;
    frame.greenMask = 0x00FF00;
    frame.blueMask = 0x0000FF;
    frame.pixels.resize(size_t(surface->w) * size_t(surface->h) * 4);
    if (SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                          SDL_PIXELFORMAT_ARGB8888, frame.pixels.data(), surface->w * 4) != 0)
        frame = PresentedFrame{};
    std::lock_guard guard(gQueueLock);
    gCaptured = std::move(frame);
}

// Asks SDL for a window surface of its own making, not one backed by a GPU renderer (once: the hint stays).
void DisableFramebufferAcceleration()
{
    static bool done = false;
    if (done) return;
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    done = true;
}

void FreeSourceSurface(WindowPresenter& p)
{
    if (p.source) SDL_FreeSurface(static_cast<SDL_Surface*>(p.source));
    p.source = nullptr;
    p.sourcePixels = nullptr;
}

// The SDL surface over the frame's pixels: the one kept from the last present while the frame has not moved.
SDL_Surface* SourceSurface(WindowPresenter& p, const PresentedFrame& frame, uint32_t format)
{
    const void* pixels = frame.pixels.data();
    if (p.source && p.sourcePixels == pixels && p.sourceWidth == frame.width && p.sourceHeight == frame.height &&
        p.sourceFormat == format)
        return static_cast<SDL_Surface*>(p.source);
    FreeSourceSurface(p);
    const int bytes = frame.bitsPerPixel / 8;
    SDL_Surface* source =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(frame.pixels.data()), frame.width, frame.height,
                                           frame.bitsPerPixel, frame.width * bytes, format);
    if (!source) return nullptr;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    p.source = source;
    p.sourcePixels = pixels;
    p.sourceWidth = frame.width;
    p.sourceHeight = frame.height;
    p.sourceFormat = format;
    return source;
}

// Without a GPU: the frame (scaled by the whole factor k, centred) goes into the window's surface and only the
// changed rectangles are sent to the window system. The surface keeps the picture between presents, so a frame
// that changed in one corner costs one small copy and one small transfer instead of two whole-window copies, a
// clear and a whole-window transfer. False when the surface cannot be had (the caller then uses a renderer).
bool PresentToWindowSurface(Window& window, SDL_Window* native, WindowPresenter& p, const PresentedFrame& frame,
                            uint32_t format, const std::vector<RECT>* changed, int k)
{
    if (p.renderer)
    {
        if (p.texture) SDL_DestroyTexture(static_cast<SDL_Texture*>(p.texture));
        SDL_DestroyRenderer(static_cast<SDL_Renderer*>(p.renderer));
        p.texture = p.renderer = nullptr;
        p.shownSurface = nullptr;
    }
    // A window surface backed by a GPU renderer of SDL's own is what this path avoids.
    DisableFramebufferAcceleration();
    SDL_Surface* surface = SDL_GetWindowSurface(native);
    if (!surface) return false;
    const int ox = (surface->w - frame.width * k) / 2, oy = (surface->h - frame.height * k) / 2;
    const bool exposed = gExposed.exchange(false);
    const bool whole = !changed || exposed || p.shownSurface != surface || p.shownSurfaceWidth != surface->w ||
                       p.shownSurfaceHeight != surface->h || p.shownWidth != frame.width ||
                       p.shownHeight != frame.height || p.shownScale != k;
    // The window already shows every pixel of the frame.
    if (!whole && changed->empty() && !gCapture) return true;
    SDL_Surface* source = SourceSurface(p, frame, format);
    if (!source) return false;
    std::vector<SDL_Rect>& sent = gSentRects;
    sent.clear();
    auto copy = [&](const RECT& r)
    {
        SDL_Rect from{r.left, r.top, r.right - r.left, r.bottom - r.top};
        SDL_Rect to{ox + r.left * k, oy + r.top * k, from.w * k, from.h * k};
        if (k == 1)
            SDL_BlitSurface(source, &from, surface, &to);
        else
            SDL_BlitScaled(source, &from, surface, &to);
        sent.push_back(SDL_Rect{ox + r.left * k, oy + r.top * k, from.w * k, from.h * k});
    };
    if (whole)
    {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        copy(RECT{0, 0, frame.width, frame.height});
        sent.assign(1, SDL_Rect{0, 0, surface->w, surface->h});
    }
    else
        for (const RECT& r : *changed) copy(r);
    p.shownSurface = surface;
    p.shownSurfaceWidth = surface->w;
    p.shownSurfaceHeight = surface->h;
    p.shownWidth = frame.width;
    p.shownHeight = frame.height;
    p.shownScale = k;
    WindowAccess::Scale(window) = k;
    WindowAccess::ShownWidth(window) = WindowAccess::ShownHeight(window) = 0;
    WindowAccess::PictureWidth(window) = WindowAccess::PictureHeight(window) = 0;
    WindowAccess::Offset(window) = POINT{ox, oy};
    if (gCapture) CaptureSurface(surface);
    if (!sent.empty()) SDL_UpdateWindowSurfaceRects(native, sent.data(), int(sent.size()));
    return true;
}
} // namespace

void SdlWindowExposed()
{
    gExposed = true;
}

bool SdlEnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // Without a window system SDL would settle for its invisible off-screen driver, and the program would run
    // with nobody able to see it. Only a driver asked for by name is taken without a display.
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if ((!x11 || !*x11) && (!wayland || !*wayland) && (!chosen || !*chosen))
    {
        gVideoFailure = "No display found: neither DISPLAY nor WAYLAND_DISPLAY is set. Start the game from a "
                        "graphical session (or set ZEST_VIDEO=headless for a run without a window).";
        return false;
    }
    // When the window system's driver cannot connect, SDL goes on to the next driver that starts, the invisible
    // off-screen one included: the program would then run unseen and say nothing. An X server refuses for a
    // moment while it resets (the connection of a program starting just as its last client leaves is dropped), so
    // a few tries are made; only a window system's driver counts, or the one asked for by name.
    std::string error;
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        if (attempt > 0) SDL_Delay(100u << attempt);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        {
            error = SDL_GetError();
            continue;
        }
        const char* driver = SDL_GetCurrentVideoDriver();
        const std::string name = driver ? driver : "";
        if ((chosen && *chosen) || name == "x11" || name == "wayland")
        {
            if (name == "x11") WatchX11Connection();
            gVideoFailure.clear();
            return true;
        }
        error = "no window system answered (only the \"" + name + "\" video driver started)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    gVideoFailure = "The display cannot be opened: " + error;
    return false;
}

std::string VideoFailureReason()
{
    return gVideoFailure;
}

bool PresentsCanWaitForVsync()
{
    return GetVideoBackend() == VideoBackend::Sdl && !PreferSoftwareRenderer();
}

DesktopInfo SdlQueryDesktop()
{
    DesktopInfo info;
    info.width = 1024;
    info.height = 768;
    info.format = PixelFormatInfo{32, 0xFF0000, 0x00FF00, 0x0000FF};
    info.usable = RECT{0, 0, 1024, 768};
    if (!SdlEnsureVideo()) return info;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
    {
        info.width = mode.w;
        info.height = mode.h;
        int bits = 0;
        Uint32 r = 0, g = 0, b = 0, a = 0;
        SDL_PixelFormatEnumToMasks(mode.format, &bits, &r, &g, &b, &a);
        // SDL counts 24 bits for X8R8G8B8; what matters is the four bytes a pixel takes.
        info.format = PixelFormatInfo{int(SDL_BYTESPERPIXEL(mode.format)) * 8, r, g, b};
        info.usable = RECT{0, 0, mode.w, mode.h};
    }
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
        info.usable = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
    if (gLastWindow && NativeOf(*gLastWindow))
    {
        int top = 0;
        if (SDL_GetWindowBordersSize(NativeOf(*gLastWindow), &top, nullptr, nullptr, nullptr) == 0)
            info.captionHeight = top;
    }
    return info;
}

uint32_t SdlRefreshRate()
{
    if (!SdlEnsureVideo()) return 0;
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) != 0 || mode.refresh_rate <= 0) return 0;
    return uint32_t(mode.refresh_rate);
}

bool SdlCreateWindow(Window& window, const char* title)
{
    if (!SdlEnsureVideo()) return false;
    const DesktopInfo desktop = SdlQueryDesktop();
    const int k = WholeFactor(WindowAccess::Width(window), WindowAccess::Height(window),
                              desktop.usable.right - desktop.usable.left, desktop.usable.bottom - desktop.usable.top);
    SDL_Window* native =
        SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WindowAccess::Width(window) * k,
                         WindowAccess::Height(window) * k, SDL_WINDOW_HIDDEN);
    if (!native) return false;
    WindowAccess::Native(window) = native;
    WindowAccess::Presenter(window) = std::make_unique<WindowPresenter>();
    gLastWindow = &window;
    SdlApplyWindow(window);
    return true;
}

void SdlDestroyWindow(Window& window)
{
    SdlForgetWindow(window);
    if (WindowPresenter* p = WindowAccess::Presenter(window).get())
    {
        FreeSourceSurface(*p);
        if (p->texture) SDL_DestroyTexture(static_cast<SDL_Texture*>(p->texture));
        if (p->renderer) SDL_DestroyRenderer(static_cast<SDL_Renderer*>(p->renderer));
        p->texture = p->renderer = nullptr;
    }
    if (SDL_Window* native = NativeOf(window)) SDL_DestroyWindow(native);
    WindowAccess::Native(window) = nullptr;
    if (gLastWindow == &window) gLastWindow = nullptr;
}

void SdlApplyWindow(Window& window)
{
    SDL_Window* native = NativeOf(window);
    if (!native) return;
    const DesktopInfo desktop = SdlQueryDesktop();
    // The logical client area must lie on the virtual desktop, or the primary's clipper would cut it.
    int& x = WindowAccess::X(window);
    int& y = WindowAccess::Y(window);
    x = std::clamp(x, 0, std::max(0, desktop.width - WindowAccess::Width(window)));
    y = std::clamp(y, 0, std::max(0, desktop.height - WindowAccess::Height(window)));
    const bool wasFullScreen = (SDL_GetWindowFlags(native) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (window.IsFullScreen())
    {
        // Full screen is a window manager's state; with no window manager running (a bare X server) nobody
        // would act on it and the window would keep its old size. Covering the desktop with a borderless window
        // first gives the same picture either way.
        if (!wasFullScreen)
        {
            SDL_SetWindowBordered(native, SDL_FALSE);
            SDL_SetWindowPosition(native, 0, 0);
            SDL_SetWindowSize(native, desktop.width, desktop.height);
        }
        SDL_SetWindowFullscreen(native, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    else
    {
        SDL_SetWindowFullscreen(native, 0);
        SDL_SetWindowBordered(native, SDL_TRUE);
        const int k =
            WholeFactor(WindowAccess::Width(window), WindowAccess::Height(window),
                        desktop.usable.right - desktop.usable.left, desktop.usable.bottom - desktop.usable.top);
        SDL_SetWindowSize(native, WindowAccess::Width(window) * k, WindowAccess::Height(window) * k);
        if (wasFullScreen) SDL_SetWindowPosition(native, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    if (window.IsVisible())
        SDL_ShowWindow(native);
    else
        SDL_HideWindow(native);
}

void SdlPresentFrame(Window& window, const PresentedFrame& frame, const std::vector<RECT>* changed)
{
    SDL_Window* native = NativeOf(window);
    WindowPresenter* p = WindowAccess::Presenter(window).get();
    const uint32_t format = TextureFormatFor(frame);
    if (!native || !p || format == SDL_PIXELFORMAT_UNKNOWN) return;
    {
        // A frame queued from another thread is older than this one: it is dropped, and this one sent whole.
        std::lock_guard guard(gQueueLock);
        if (gQueued.erase(&window) > 0) changed = nullptr;
    }
    if (PreferSoftwareRenderer())
    {
        int outW = 0, outH = 0;
        SDL_GetWindowSize(native, &outW, &outH);
        const int k = WholeFactor(frame.width, frame.height, outW, outH);
        const double s = std::min(double(outW) / frame.width, double(outH) / frame.height);
        const bool wholeFactor =
            outW >= frame.width && outH >= frame.height && (!window.IsFullScreen() || s < k + 0.01);
        if (wholeFactor && PresentToWindowSurface(window, native, *p, frame, format, changed, k)) return;
    }
    p->shownSurface = nullptr;
    if (p->renderer && p->vsync != window.WantsVsync())
    {
        if (p->texture) SDL_DestroyTexture(static_cast<SDL_Texture*>(p->texture));
        SDL_DestroyRenderer(static_cast<SDL_Renderer*>(p->renderer));
        p->texture = p->renderer = nullptr;
    }
    if (!p->renderer)
    {
        const Uint32 vsync = window.WantsVsync() ? SDL_RENDERER_PRESENTVSYNC : 0;
        SDL_Renderer* renderer = nullptr;
        if (PreferSoftwareRenderer())
            // The software renderer draws into the window's surface, which SDL would otherwise back with a GPU
            // renderer of its own: the plain X shared-memory copy is what a machine without a GPU wants.
            DisableFramebufferAcceleration();
        else
            renderer = SDL_CreateRenderer(native, -1, SDL_RENDERER_ACCELERATED | vsync);
        if (!renderer) renderer = SDL_CreateRenderer(native, -1, SDL_RENDERER_SOFTWARE | vsync);
        if (!renderer) return;
        p->renderer = renderer;
        p->vsync = window.WantsVsync();
    }
    SDL_Renderer* renderer = static_cast<SDL_Renderer*>(p->renderer);
    if (!p->texture || p->textureWidth != frame.width || p->textureHeight != frame.height || p->textureFormat != format)
    {
        if (p->texture) SDL_DestroyTexture(static_cast<SDL_Texture*>(p->texture));
        p->texture = SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, frame.width, frame.height);
        if (!p->texture) return;
        p->textureWidth = frame.width;
        p->textureHeight = frame.height;
        p->textureFormat = format;
    }
    SDL_Texture* texture = static_cast<SDL_Texture*>(p->texture);
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(renderer, &outW, &outH);
    SDL_Rect dest;
    const int k = WholeFactor(frame.width, frame.height, outW, outH);
    const double s = std::min(double(outW) / frame.width, double(outH) / frame.height);
    const bool whole = outW >= frame.width && outH >= frame.height && (!window.IsFullScreen() || s < k + 0.01);
    if (whole)
    {
        // Whole-factor scaling keeps every pixel square and sharp (a window is sized to a whole factor).
        dest = SDL_Rect{(outW - frame.width * k) / 2, (outH - frame.height * k) / 2, frame.width * k, frame.height * k};
        SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
        WindowAccess::Scale(window) = k;
        WindowAccess::ShownWidth(window) = WindowAccess::ShownHeight(window) = 0;
        WindowAccess::PictureWidth(window) = WindowAccess::PictureHeight(window) = 0;
    }
    else
    {
        // Full screen, or a screen smaller than the picture: the largest size that fits with the aspect kept,
        // smoothed, as a real mode switch would have filled the screen.
        const int w = std::max(1, int(frame.width * s)), h = std::max(1, int(frame.height * s));
        dest = SDL_Rect{(outW - w) / 2, (outH - h) / 2, w, h};
        SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
        WindowAccess::Scale(window) = 1;
        WindowAccess::ShownWidth(window) = w;
        WindowAccess::ShownHeight(window) = h;
        WindowAccess::PictureWidth(window) = frame.width;
        WindowAccess::PictureHeight(window) = frame.height;
    }
    WindowAccess::Offset(window) = POINT{dest.x, dest.y};
    const int bytes = frame.bitsPerPixel / 8;
    SDL_UpdateTexture(texture, nullptr, frame.pixels.data(), frame.width * bytes);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &dest);
    if (gCapture) CaptureRenderer(renderer, outW, outH);
    SDL_RenderPresent(renderer);
}

void SetWindowCapture(bool on)
{
    gCapture = on;
    std::lock_guard guard(gQueueLock);
    gCaptured = PresentedFrame{};
}

PresentedFrame LastWindowCapture()
{
    std::lock_guard guard(gQueueLock);
    return gCaptured;
}

void SdlQueueFrame(Window& window, PresentedFrame frame)
{
    std::lock_guard guard(gQueueLock);
    gQueued[&window] = std::move(frame);
}

void SdlForgetWindow(Window& window)
{
    std::lock_guard guard(gQueueLock);
    gQueued.erase(&window);
}

void PumpPendingPresents()
{
    if (!IsMainThread()) return;
    std::map<Window*, PresentedFrame> queued;
    {
        std::lock_guard guard(gQueueLock);
        queued.swap(gQueued);
    }
    for (auto& [window, frame] : queued) SdlPresentFrame(*window, frame);
}

} // namespace Platform
