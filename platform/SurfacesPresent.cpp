// Presenting: the last frame shown, the changed-rectangle scan that sends only what changed, flips, blits that
// present in one pass, and the frame dumps of the headless backend.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"

namespace Platform
{

namespace
{

int gFrameCount = 0;
PresentedFrame gLastFrame;
HWND gLastFrameWindow = nullptr; // the window gLastFrame was presented to
// The primary whose visible part (gFrameSourceRect) still holds exactly gLastFrame: set by each present, cleared by
// anything that may write to that primary other than a present. While it holds, a blit of a whole picture onto
// the primary compares the picture with gLastFrame and copies only what changed, in one pass.
const SurfaceState* gFrameSource = nullptr;
RECT gFrameSourceRect{};
// The history of a flipping primary's back buffer, so that a frame presented by flip costs one compare and not a
// whole copy plus a compare. While gFlipBack is set, that back buffer holds exactly the frame shown before
// gLastFrame (it was the primary then), and gFlipChanges covers every pixel where the two differ. A whole picture
// blitted onto it is then compared with gLastFrame only, and copied only where it differs from either frame: the
// back buffer becomes gFlipReady, holding exactly the next frame, which differs from gLastFrame only within
// gReadyChanges; the flip presents those without comparing again. Any other write to either forgets them.
const SurfaceState* gFlipBack = nullptr;
std::vector<RECT> gFlipChanges;
const SurfaceState* gFlipReady = nullptr;
std::vector<RECT> gReadyChanges;
// The rectangles the present under way sends (kept between presents only to save allocating it each time).
std::vector<RECT> gSent;

// The changed rectangles a caller vouched for, of one source surface, for its next present (see
// HintPresentChanges); dropped as soon as anything may write to that surface or it is presented.
const SurfaceState* gHintSource = nullptr;
std::vector<RECT> gHintRects;

// The part of the primary that is visible: the window's client area when windowed, else all of it.
RECT VisibleRect(const SurfaceState& primary)
{
    RECT whole{0, 0, primary.width, primary.height};
    const DeviceState& device = *primary.device;
    HWND window = device.window;
    if (!window && primary.clipper) primary.clipper->GetHWnd(&window);
    if (device.exclusive || !window) return whole;
    RECT client;
    window->GetClientRect(client);
    POINT origin;
    window->ClientToScreen(origin);
    RECT r{std::max(origin.x, 0), std::max(origin.y, 0), std::min(origin.x + client.right, primary.width),
           std::min(origin.y + client.bottom, primary.height)};
    if (r.right <= r.left || r.bottom <= r.top) return RECT{};
    return r;
}

HWND PresentWindow(const SurfaceState& primary)
{
    HWND window = primary.device->window;
    if (!window && primary.clipper) primary.clipper->GetHWnd(&window);
    return window;
}

} // namespace

// Something other than a present may write to `state` (or it goes away): what was known of its pixels no longer holds.
void Forget(const SurfaceState* state)
{
    if (state == gHintSource) gHintSource = nullptr;
    if (state == gFrameSource) gFrameSource = nullptr;
    if (state == gFlipBack) gFlipBack = nullptr;
    if (state == gFlipReady) gFlipReady = nullptr;
}

void ForgetPresentedPictures()
{
    gFrameSource = gFlipBack = gFlipReady = nullptr;
}

void ResetPresents()
{
    gFrameCount = 0;
    gLastFrame = PresentedFrame{};
    gLastFrameWindow = nullptr;
    gFrameSource = gFlipBack = gFlipReady = nullptr;
}

void DropPresentHint()
{
    gHintSource = nullptr;
}

namespace
{

// Whether gLastFrame has the size, format and window of a present of `primary` at that size.
bool LastFrameFits(const SurfaceState& primary, int width, int height, HWND window)
{
    const PresentedFrame& frame = gLastFrame;
    const size_t row = size_t(width) * size_t(BytesPerPixel(primary.format));
    return frame.width == width && frame.height == height && frame.bitsPerPixel == primary.format.bitsPerPixel &&
           frame.redMask == primary.format.red && frame.greenMask == primary.format.green &&
           frame.blueMask == primary.format.blue && frame.pixels.size() == row * size_t(height) &&
           gLastFrameWindow == window;
}

// Counts the frame, saves it when asked, and sends it on to the window: only `changed` when given, else all.
void SendFrame(HWND window, const std::vector<RECT>* changed)
{
    const PresentedFrame& frame = gLastFrame;
    ++gFrameCount;
    if (!HeadlessDisplay().pngDumpFolder.empty())
    {
        char name[32];
        std::snprintf(name, sizeof(name), "/frame-%05d.png", gFrameCount);
        WriteFramePng(frame, HeadlessDisplay().pngDumpFolder + name);
    }
    if (GetVideoBackend() == VideoBackend::Sdl && window)
    {
        if (IsMainThread())
            SdlPresentFrame(*window, frame, changed);
        else
            SdlQueueFrame(*window, frame);
    }
}

} // namespace

namespace
{
// Appends the changed rectangles of a width x height picture against `shown`, moved by (offsetX, offsetY), to
// `out`; copies what differs into `shown` only when asked.
void ScanChangedRects(uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch, int width, int height,
                      int bytesPerPixel, bool copy, int offsetX, int offsetY, std::vector<RECT>& out);
} // namespace

// Presents the visible part of the primary; returns the rectangles (in frame coordinates) that may have changed.
const std::vector<RECT>& Present(SurfaceState& primary)
{
    gFrameSource = nullptr;
    const RECT vis = VisibleRect(primary);
    std::vector<RECT>& changed = gSent;
    changed.clear();
    if (vis.right <= vis.left || vis.bottom <= vis.top) return changed;
    // The last frame is kept and updated in place: only what changed is copied, and only that is sent on to the
    // window. A fresh frame each time cost an allocation, a clear and a whole copy sixty times a second.
    PresentedFrame& frame = gLastFrame;
    const int bpp = BytesPerPixel(primary.format);
    const int width = vis.right - vis.left, height = vis.bottom - vis.top;
    HWND window = PresentWindow(primary);
    const uint8_t* source =
        primary.pixels.get() + size_t(vis.top) * size_t(primary.pitch) + size_t(vis.left) * size_t(bpp);
    const size_t row = size_t(width) * size_t(bpp);
    const bool same = LastFrameFits(primary, width, height, window);
    if (same)
        ScanChangedRects(frame.pixels.data(), row, source, size_t(primary.pitch), width, height, bpp, true, 0, 0,
                         changed);
    else
    {
        frame.width = width;
        frame.height = height;
        frame.bitsPerPixel = primary.format.bitsPerPixel;
        frame.redMask = primary.format.red;
        frame.greenMask = primary.format.green;
        frame.blueMask = primary.format.blue;
        frame.pixels.resize(row * size_t(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(&frame.pixels[size_t(y) * row], source + size_t(y) * size_t(primary.pitch), row);
        gLastFrameWindow = window;
    }
    gFrameSource = &primary;
    gFrameSourceRect = vis;
    SendFrame(window, same ? &changed : nullptr);
    if (!same) changed.assign(1, RECT{0, 0, width, height});
    return changed;
}

namespace
{

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Copies the rectangles `rects` (in pixels) from one picture to another of the same format, rows `pitch` bytes apart.
void CopyRects(uint8_t* to, size_t toPitch, const uint8_t* from, size_t fromPitch, const std::vector<RECT>& rects,
               int bytesPerPixel)
{
    const size_t bpp = size_t(bytesPerPixel);
    for (const RECT& r : rects)
    {
        const size_t left = size_t(r.left) * bpp, length = size_t(r.right - r.left) * bpp;
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(to + size_t(y) * toPitch + left, from + size_t(y) * fromPitch + left, length);
    }
}

// The changed rectangles of a width x height picture (`next`, whose pixel (0, 0) is the source surface's
// (originX, originY)) against `shown`, into `changes`: found by scanning the whole picture, or only the hinted
// rectangles when the hint is for `source`. Copies the changes into `shown` when asked.
void ScanForChanges(const SurfaceState& source, int originX, int originY, uint8_t* shown, size_t shownPitch,
                    const uint8_t* next, size_t nextPitch, int width, int height, int bpp, bool copy,
                    std::vector<RECT>& changes)
{
    changes.clear();
    if (gHintSource != &source)
    {
        ScanChangedRects(shown, shownPitch, next, nextPitch, width, height, bpp, copy, 0, 0, changes);
        return;
    }
    for (const RECT& hinted : gHintRects)
    {
        const int left = std::max(0, hinted.left - originX), top = std::max(0, hinted.top - originY);
        const int right = std::min(width, hinted.right - originX), bottom = std::min(height, hinted.bottom - originY);
        if (right <= left || bottom <= top) continue;
        uint8_t* a = shown + size_t(top) * shownPitch + size_t(left) * size_t(bpp);
        const uint8_t* b = next + size_t(top) * nextPitch + size_t(left) * size_t(bpp);
        ScanChangedRects(a, shownPitch, b, nextPitch, right - left, bottom - top, bpp, copy, left, top, changes);
    }
}

// The present of a flip whose new frame is known to differ from gLastFrame only within `changes`: copies those
// into the frame and sends them on, without comparing. Falls back to a whole present when the frame does not fit.
const std::vector<RECT>& PresentKnown(SurfaceState& primary, const std::vector<RECT>& changes)
{
    const RECT whole{0, 0, primary.width, primary.height};
    HWND window = PresentWindow(primary);
    if (!SameRect(VisibleRect(primary), whole) || !LastFrameFits(primary, primary.width, primary.height, window))
        return Present(primary);
    const int bpp = BytesPerPixel(primary.format);
    CopyRects(gLastFrame.pixels.data(), size_t(primary.width) * size_t(bpp), primary.pixels.get(),
              size_t(primary.pitch), changes, bpp);
    gFrameSource = &primary;
    gFrameSourceRect = whole;
    SendFrame(window, &changes);
    return changes;
}

} // namespace

// A plain blit of src's rectangle sr over the whole visible part of the primary, done as a present in one pass:
// the picture is compared with the last frame, which the primary still shows, and only what changed is copied,
// into the frame and into the primary. False, with nothing done, when that does not apply.
bool BlitPresent(SurfaceState& primary, const RECT& dr, const SurfaceState& src, const RECT& sr)
{
    if (gFrameSource != &primary || &src == &primary) return false;
    if (sr.right - sr.left != dr.right - dr.left || sr.bottom - sr.top != dr.bottom - dr.top) return false;
    const RECT vis = VisibleRect(primary);
    if (!SameRect(dr, vis) || !SameRect(vis, gFrameSourceRect)) return false;
    const int bpp = BytesPerPixel(primary.format);
    const int width = vis.right - vis.left, height = vis.bottom - vis.top;
    HWND window = PresentWindow(primary);
    if (!LastFrameFits(primary, width, height, window)) return false;
    PresentedFrame& frame = gLastFrame;
    const size_t row = size_t(width) * size_t(bpp);
    const uint8_t* source = src.pixels.get() + size_t(sr.top) * size_t(src.pitch) + size_t(sr.left) * size_t(bpp);
    std::vector<RECT>& changed = gSent;
    ScanForChanges(src, sr.left, sr.top, frame.pixels.data(), row, source, size_t(src.pitch), width, height, bpp, true,
                   changed);
    CopyRects(primary.pixels.get() + size_t(vis.top) * size_t(primary.pitch) + size_t(vis.left) * size_t(bpp),
              size_t(primary.pitch), frame.pixels.data(), row, changed, bpp);
    SendFrame(window, &changed);
    return true;
}

// A plain blit of src's rectangle sr over the whole of a flipping primary's back buffer that holds the frame before
// last (gFlipBack), while the primary shows gLastFrame whole: the picture is compared with gLastFrame, and copied
// only where it differs from it or where the frame before last did. False, with nothing done, when that does not
// apply.
bool FlipBlit(SurfaceState& back, const RECT& dr, const SurfaceState& src, const RECT& sr)
{
    if (gFlipBack != &back || &src == &back) return false;
    SurfaceState* primary = back.device->primary;
    if (!primary || primary != gFrameSource || !primary->attached || &primary->attached->State() != &back) return false;
    const RECT whole{0, 0, back.width, back.height};
    if (!SameRect(dr, whole) || !SameRect(gFrameSourceRect, whole) || sr.right - sr.left != back.width ||
        sr.bottom - sr.top != back.height || primary->width != back.width || primary->height != back.height)
        return false;
    if (!LastFrameFits(*primary, back.width, back.height, PresentWindow(*primary))) return false;
    const int bpp = BytesPerPixel(back.format);
    const size_t row = size_t(back.width) * size_t(bpp);
    const uint8_t* source = src.pixels.get() + size_t(sr.top) * size_t(src.pitch) + size_t(sr.left) * size_t(bpp);
    ScanForChanges(src, sr.left, sr.top, gLastFrame.pixels.data(), row, source, size_t(src.pitch), back.width,
                   back.height, bpp, false, gReadyChanges);
    CopyRects(back.pixels.get(), size_t(back.pitch), source, size_t(src.pitch), gReadyChanges, bpp);
    CopyRects(back.pixels.get(), size_t(back.pitch), source, size_t(src.pitch), gFlipChanges, bpp);
    gFlipBack = nullptr;
    gFlipReady = &back;
    return true;
}

void HintPresentChanges(IDirectDrawSurface* source, const RECT* rects, size_t count)
{
    std::lock_guard guard(SurfaceLock());
    gHintSource = source != nullptr ? &source->State() : nullptr;
    gHintRects.assign(rects, rects + (rects != nullptr ? count : 0));
}

HRESULT IDirectDrawSurface::Flip(IDirectDrawSurface*, uint32_t)
{
    std::lock_guard guard(SurfaceLock());
    SurfaceState& p = *mState;
    if (HRESULT f = LostCheck(p)) return f;
    if (HRESULT f = CheckFailure(SurfaceStep::Flip)) return f;
    if (!p.attached) return DDERR_UNSUPPORTED;
    SurfaceState& b = *p.attached->mState;
    if (p.locked || b.locked) return DDERR_SURFACEBUSY;
    // When the primary shows gLastFrame whole, the back buffer holds it after the swap: the frame before the next.
    const bool shown = &p == gFrameSource && p.device->primary == &p;
    const bool ready = shown && gFlipReady == &b;
    Forget(&p);
    Forget(&b);
    std::swap(p.pixels, b.pixels);
    if (p.device->primary != &p) return DD_OK;
    const std::vector<RECT>& sent = ready ? PresentKnown(p, gReadyChanges) : Present(p);
    if (shown && gFrameSource == &p && SameRect(gFrameSourceRect, RECT{0, 0, p.width, p.height}) &&
        b.width == p.width && b.height == p.height)
    {
        gFlipBack = &b;
        gFlipChanges.assign(sent.begin(), sent.end());
    }
    return DD_OK;
}

int PresentedFrameCount()
{
    std::lock_guard guard(SurfaceLock());
    return gFrameCount;
}

PresentedFrame LastPresentedFrame()
{
    std::lock_guard guard(SurfaceLock());
    return gLastFrame;
}

namespace
{
// Offset of the first byte where a and b differ, or n when they do not. Whole blocks go through memcmp, which
// the C library runs with the widest vector instructions the processor has.
constexpr size_t kCompareBlock = 256;
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n)
{
    size_t i = 0;
    while (i + kCompareBlock <= n && std::memcmp(a + i, b + i, kCompareBlock) == 0) i += kCompareBlock;
    for (; i < n; ++i)
        if (a[i] != b[i]) return i;
    return n;
}
// One past the offset of the last byte where a and b differ, or 0 when they do not.
size_t LastDifference(const uint8_t* a, const uint8_t* b, size_t n)
{
    size_t i = n;
    while (i >= kCompareBlock && std::memcmp(a + i - kCompareBlock, b + i - kCompareBlock, kCompareBlock) == 0)
        i -= kCompareBlock;
    for (; i > 0; --i)
        if (a[i - 1] != b[i - 1]) return i;
    return 0;
}
int64_t Area(const RECT& r)
{
    return int64_t(r.right - r.left) * int64_t(r.bottom - r.top);
}
} // namespace

namespace
{
void ScanChangedRects(uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch, int width, int height,
                      int bytesPerPixel, bool copy, int offsetX, int offsetY, std::vector<RECT>& out)
{
    // Bands of 16 rows: narrow enough that a moving sprite does not drag a whole screen's width along, few enough
    // that a full-screen change stays a handful of rectangles.
    constexpr int kBand = 16;
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return;
    // Bands merge only with bands of this scan.
    const size_t first = out.size();
    const size_t row = size_t(width) * size_t(bytesPerPixel);
    const size_t bpp = size_t(bytesPerPixel);
    for (int top = 0; top < height; top += kBand)
    {
        const int bottom = std::min(height, top + kBand);
        size_t left = row, right = 0;
        for (int y = top; y < bottom; ++y)
        {
            uint8_t* a = shown + size_t(y) * shownPitch;
            const uint8_t* b = next + size_t(y) * nextPitch;
            if (std::memcmp(a, b, row) == 0) continue;
            const size_t first = FirstDifference(a, b, row);
            // Whole pixels: a change in one byte of a pixel takes the pixel.
            const size_t from = first / bpp * bpp;
            const size_t to = (LastDifference(a, b, row) + bpp - 1) / bpp * bpp;
            if (copy) std::memcpy(a + from, b + from, to - from);
            left = std::min(left, from);
            right = std::max(right, to);
        }
        if (right <= left) continue;
        RECT band{int32_t(left / bpp) + offsetX, top + offsetY, int32_t(right / bpp) + offsetX, bottom + offsetY};
        if (out.size() > first && out.back().bottom == band.top)
        {
            // Merged with the band above when the joint rectangle wastes at most a quarter of its area.
            RECT& above = out.back();
            const RECT joint{std::min(above.left, band.left), above.top, std::max(above.right, band.right),
                             band.bottom};
            if (4 * (Area(joint) - Area(above) - Area(band)) <= Area(joint))
            {
                above = joint;
                continue;
            }
        }
        out.push_back(band);
    }
}
} // namespace

std::vector<RECT> UpdateChangedRects(uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch,
                                     int width, int height, int bytesPerPixel)
{
    std::vector<RECT> rects;
    ScanChangedRects(shown, shownPitch, next, nextPitch, width, height, bytesPerPixel, true, 0, 0, rects);
    return rects;
}

std::vector<RECT> FindChangedRects(const uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch,
                                   int width, int height, int bytesPerPixel)
{
    // Read only: the scan writes to `shown` only when it copies.
    std::vector<RECT> rects;
    ScanChangedRects(const_cast<uint8_t*>(shown), shownPitch, next, nextPitch, width, height, bytesPerPixel, false, 0,
                     0, rects);
    return rects;
}

namespace
{
uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0)
{
    static uint32_t table[256];
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       for (uint32_t i = 0; i < 256; ++i)
                       {
                           uint32_t c = i;
                           for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                           table[i] = c;
                       }
                   });
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PutBE32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, Crc32(&out[start], out.size() - start));
}
} // namespace

bool WriteFramePng(const PresentedFrame& frame, const std::string& path)
{
    if (frame.width <= 0 || frame.height <= 0) return false;
    // Raw scanlines (filter 0, RGB) in stored deflate blocks: no compressor needed for a debugging dump.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(frame.height) * (size_t(frame.width) * 3 + 1));
    for (int y = 0; y < frame.height; ++y)
    {
        raw.push_back(0);
        for (int x = 0; x < frame.width; ++x)
        {
            const uint32_t argb = frame.ArgbAt(x, y);
            raw.push_back(uint8_t(argb >> 16));
            raw.push_back(uint8_t(argb >> 8));
            raw.push_back(uint8_t(argb));
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do
    {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw)
    {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, (b << 16) | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBE32(header, uint32_t(frame.width));
    PutBE32(header, uint32_t(frame.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return bool(file);
}

} // namespace Platform
