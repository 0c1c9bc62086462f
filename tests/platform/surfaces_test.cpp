// Tests of the display surface layer on the headless backend: objects, formats, locks, blits, flips, failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Clock.h"
#include "platform/Modules.h"
#include "platform/Surfaces.h"
#include "platform/SurfacesInternal.h"
#include "platform/programs/SocketPair.h"

using namespace Platform;

namespace
{

class SurfacesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetVideoBackend(VideoBackend::Headless);
        ResetHeadlessDisplay();
        mSurfacesBefore = LiveSurfaceCount();
    }
    void TearDown() override
    {
        for (IDirectDrawSurface* s : mSurfaces) s->Release();
        if (mDraw) mDraw->Release();
        ResetHeadlessDisplay();
        EXPECT_EQ(LiveSurfaceCount(), mSurfacesBefore);
        EXPECT_EQ(LiveDeviceCount(), 0);
    }

    IDirectDraw* Device()
    {
        if (!mDraw)
        {
            EXPECT_EQ(DirectDrawCreate(nullptr, &mDraw, nullptr), DD_OK);
        }
        return mDraw;
    }

    IDirectDrawSurface* Make(uint32_t caps, uint32_t width = 0, uint32_t height = 0, HRESULT expect = DD_OK)
    {
        DDSURFACEDESC desc;
        desc.dwSize = kSurfaceDescSize;
        desc.dwFlags = DDSD_CAPS | (width ? DDSD_WIDTH | DDSD_HEIGHT : 0);
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddsCaps.dwCaps = caps;
        if (caps & DDSCAPS_FLIP)
        {
            desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
            desc.dwBackBufferCount = 1;
        }
        IDirectDrawSurface* surface = nullptr;
        EXPECT_EQ(Device()->CreateSurface(&desc, &surface, nullptr), expect);
        if (surface) mSurfaces.push_back(surface);
        return surface;
    }

    IDirectDrawSurface* Plain(uint32_t w, uint32_t h)
    {
        return Make(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, w, h);
    }

    // A 64x48 32-bit full-screen primary on the window with its back buffer, the back buffer filled from base 5.
    void FlipChain(Window* window, IDirectDrawSurface** primary, IDirectDrawSurface** back)
    {
        IDirectDraw* dd = Device();
        ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(dd->SetDisplayMode(64, 48, 32), DD_OK);
        *primary = Make(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        ASSERT_EQ((*primary)->GetAttachedSurface(&caps, back), DD_OK);
        mSurfaces.push_back(*back);
        Fill(*back, 5);
    }

    // Fills a 32-bit surface so that pixel (x, y) = base + y * 1000 + x.
    static void Fill(IDirectDrawSurface* s, uint32_t base)
    {
        DDSURFACEDESC2 d;
        ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        for (uint32_t y = 0; y < d.dwHeight; ++y)
            for (uint32_t x = 0; x < d.dwWidth; ++x)
                static_cast<uint32_t*>(d.lpSurface)[y * uint32_t(d.lPitch) / 4 + x] = base + y * 1000 + x;
        s->Unlock(nullptr);
    }

    static uint32_t At(IDirectDrawSurface* s, int x, int y)
    {
        DDSURFACEDESC2 d;
        EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        const uint32_t v = static_cast<uint32_t*>(d.lpSurface)[y * d.lPitch / 4 + x];
        s->Unlock(nullptr);
        return v;
    }

    static void Poke(IDirectDrawSurface* s, int x, int y, uint32_t value)
    {
        DDSURFACEDESC2 d;
        ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        static_cast<uint32_t*>(d.lpSurface)[y * d.lPitch / 4 + x] = value;
        s->Unlock(nullptr);
    }

    // The last presented frame must equal the 64x48 32-bit picture in every pixel.
    static void FrameShows(IDirectDrawSurface* picture, const std::string& step)
    {
        const PresentedFrame frame = LastPresentedFrame();
        ASSERT_EQ(frame.width, 64) << step;
        ASSERT_EQ(frame.height, 48) << step;
        DDSURFACEDESC2 d;
        ASSERT_EQ(picture->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        const auto* px = static_cast<const uint32_t*>(d.lpSurface);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(frame.ArgbAt(x, y) & 0xFFFFFF, px[y * d.lPitch / 4 + x] & 0xFFFFFF)
                    << step << ": " << x << "," << y;
        picture->Unlock(nullptr);
    }

    IDirectDraw* mDraw = nullptr;
    std::vector<IDirectDrawSurface*> mSurfaces;
    int mSurfacesBefore = 0;
};

TEST_F(SurfacesTest, NewerInterfaceSharesOneObjectAndReleasingItLosesTheSurfaces)
{
    void* raw = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &raw, IID_IDirectDraw7, nullptr), DD_OK);
    auto* dd7 = static_cast<IDirectDraw7*>(raw);
    void* first = nullptr;
    ASSERT_EQ(dd7->QueryInterface(IID_IDirectDraw, &first), DD_OK);
    auto* dd = static_cast<IDirectDraw*>(first);
    void* other = nullptr;
    EXPECT_EQ(dd->QueryInterface(IID{0x1234}, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    DDSURFACEDESC2 desc;
    desc.dwSize = kSurfaceDesc2Size;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 8;
    desc.dwHeight = 8;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* s7 = nullptr;
    ASSERT_EQ(dd7->CreateSurface(&desc, &s7, nullptr), DD_OK);
    void* s1 = nullptr;
    ASSERT_EQ(s7->QueryInterface(IID_IDirectDrawSurface, &s1), DD_OK);
    EXPECT_EQ(s7->Release(), 1u); // the first-version face keeps the object alive
    auto* surface = static_cast<IDirectDrawSurface*>(s1);

    EXPECT_EQ(dd->Release(), 1u);
    EXPECT_EQ(LiveDeviceCount(), 1);
    DDSURFACEDESC2 lock;
    ASSERT_EQ(surface->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr), DD_OK);
    surface->Unlock(nullptr);
    EXPECT_EQ(dd7->Release(), 0u);
    EXPECT_EQ(LiveDeviceCount(), 0);
    // Surfaces outlive their device only as lost surfaces.
    EXPECT_EQ(surface->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(surface->Release(), 0u);
}

TEST_F(SurfacesTest, ModuleTableOffersBothEntriesAndTheHookHidesThem)
{
    RegisterDisplayModule();
    ModuleHandle module = LoadLibrary("DDRAW.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress<decltype(DirectDrawCreate)>(module, "DirectDrawCreate"), &DirectDrawCreate);
    auto* createEx = GetProcAddress<decltype(DirectDrawCreateEx)>(module, "DirectDrawCreateEx");
    ASSERT_NE(createEx, nullptr);
    void* dd = nullptr;
    ASSERT_EQ(createEx(nullptr, &dd, IID_IDirectDraw7, nullptr), DD_OK);
    static_cast<IDirectDraw7*>(dd)->Release();
    HideModuleEntry("ddraw.dll", "DirectDrawCreateEx");
    EXPECT_FALSE(HasProcAddress(module, "DirectDrawCreateEx"));
    EXPECT_TRUE(HasProcAddress(module, "DirectDrawCreate"));
    RestoreHiddenModules();
    FreeLibrary(module);
}

TEST_F(SurfacesTest, CooperativeLevelsAndVirtualModes)
{
    auto window = Window::Create("t", 0, 0, 800, 600);
    IDirectDraw* dd = Device();
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 16), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    ASSERT_EQ(dd->SetCooperativeLevel(window.get(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    for (uint32_t bpp : {8u, 24u}) EXPECT_EQ(dd->SetDisplayMode(800, 600, bpp), DDERR_UNSUPPORTEDMODE) << bpp;
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    IDirectDrawSurface* primary = Make(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    DDSURFACEDESC desc;
    ASSERT_EQ(primary->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_EQ(dd->RestoreDisplayMode(), DD_OK);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(dd->SetDisplayMode(800, 600, 32), DD_OK);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    // Releasing the device drops its mode.
    for (IDirectDrawSurface* s : mSurfaces) s->Release();
    mSurfaces.clear();
    mDraw->Release();
    mDraw = nullptr;
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 728 - 24);
}

TEST_F(SurfacesTest, SurfacesTakeThePrimarysFormatWithPaddedRows)
{
    struct Case
    {
        int depth;
        bool use555, bgr;
        uint32_t r, g, b;
    };
    const Case cases[] = {{16, false, false, 0xF800, 0x07E0, 0x001F},
                          {16, true, false, 0x7C00, 0x03E0, 0x001F},
                          {24, false, false, 0xFF0000, 0xFF00, 0xFF},
                          {32, false, false, 0xFF0000, 0xFF00, 0xFF},
                          {32, false, true, 0xFF, 0xFF00, 0xFF0000}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.depth * 10 + c.use555 + 2 * c.bgr);
        HeadlessDisplay().bitsPerPixel = c.depth;
        HeadlessDisplay().use555 = c.use555;
        HeadlessDisplay().bgr = c.bgr;
        IDirectDrawSurface* primary = Make(DDSCAPS_PRIMARYSURFACE);
        IDirectDrawSurface* plain = Plain(37, 5);
        DDSURFACEDESC2 d;
        ASSERT_EQ(plain->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, uint32_t(c.depth));
        EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, c.r);
        EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, c.g);
        EXPECT_EQ(d.ddpfPixelFormat.dwBBitMask, c.b);
        EXPECT_EQ(d.lPitch % 64, 0);
        EXPECT_GE(d.lPitch, 37 * c.depth / 8);
        EXPECT_GT(d.lPitch, 37 * c.depth / 8) << "padding must make pitch differ from the row length";
        plain->Unlock(nullptr);
        DDSURFACEDESC pd;
        primary->GetSurfaceDesc(&pd);
        EXPECT_EQ(pd.dwWidth, 1024u);
        for (IDirectDrawSurface* s : mSurfaces) s->Release();
        mSurfaces.clear();
        mDraw->Release();
        mDraw = nullptr;
    }
}

TEST_F(SurfacesTest, LockStateAndMovedBuffers)
{
    HeadlessDisplay().moveBuffersOnLock = true;
    IDirectDrawSurface* s = Plain(4, 4);
    DDSURFACEDESC2 d;
    EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
    RECT part{0, 0, 1, 1};
    EXPECT_EQ(s->Lock(&part, &d, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    void* first = d.lpSurface;
    static_cast<uint32_t*>(first)[5] = 0xABCDEF;
    DDSURFACEDESC2 again;
    EXPECT_EQ(s->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->Unlock(nullptr), DD_OK);
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_NE(d.lpSurface, first);
    EXPECT_EQ(static_cast<uint32_t*>(d.lpSurface)[5], 0xABCDEFu);
    s->Unlock(nullptr);
}

TEST_F(SurfacesTest, BltRulesRectanglesBusyKeyAndStretch)
{
    IDirectDrawSurface* src = Plain(4, 4);
    IDirectDrawSurface* dst = Plain(8, 8);
    Fill(src, 1);
    Fill(dst, 0);

    RECT outside{6, 6, 10, 10};
    RECT inside{0, 0, 4, 4};
    EXPECT_EQ(dst->Blt(&outside, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT badSrc{2, 2, 5, 5};
    EXPECT_EQ(dst->Blt(&inside, src, &badSrc, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    DDSURFACEDESC2 d;
    for (IDirectDrawSurface* locked : {src, dst})
    {
        ASSERT_EQ(locked->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(dst->Blt(&inside, src, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
        locked->Unlock(nullptr);
    }

    // Keyed copy: source pixels within [low, high] are skipped.
    DDCOLORKEY key{1 + 1001, 1 + 1002}; // pixels (1,1) and (2,1)
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    RECT at{2, 2, 6, 6};
    ASSERT_EQ(dst->Blt(&at, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(At(dst, 2, 2), 1u);
    EXPECT_EQ(At(dst, 3, 3), 3003u) << "keyed pixel must leave the destination";
    EXPECT_EQ(At(dst, 4, 3), 3004u);
    EXPECT_EQ(At(dst, 5, 3), 1004u);
    EXPECT_EQ(At(dst, 5, 5), 3004u);

    // Different sizes stretch by nearest neighbour: 4x4 -> 8x8 doubles every pixel.
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(At(dst, 7, 7), 3004u);
    EXPECT_EQ(At(dst, 2, 1), 2u);
    EXPECT_EQ(At(dst, 3, 6), 3002u);
}

TEST_F(SurfacesTest, WindowedPrimaryClipsToTheClientAreaAndPresentsIt)
{
    auto window = Window::Create("t", 1000, 100, 40, 30); // hangs 16 pixels off the 1024-wide desktop
    IDirectDraw* dd = Device();
    ASSERT_EQ(dd->SetCooperativeLevel(window.get(), DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface* primary = Make(DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface* draw = Plain(40, 30);
    Fill(draw, 7);
    RECT dest{1000, 100, 1040, 130};
    // Without a clipper the rectangle off the desktop is refused.
    EXPECT_EQ(primary->Blt(&dest, draw, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window.get()), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
    clipper->Release();
    const int before = PresentedFrameCount();
    ASSERT_EQ(primary->Blt(&dest, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(PresentedFrameCount(), before + 1);
    EXPECT_EQ(At(primary, 1000, 100), 7u);
    EXPECT_EQ(At(primary, 1023, 129), 7u + 29 * 1000 + 23);
    const PresentedFrame frame = LastPresentedFrame();
    ASSERT_EQ(frame.width, 24);
    ASSERT_EQ(frame.height, 30);
    EXPECT_EQ(frame.ArgbAt(23, 29), 0xFF000000u | (7u + 29 * 1000 + 23));
}

TEST_F(SurfacesTest, FlipSwapsWithTheBackBufferAndPresents)
{
    auto window = Window::Create("t", 0, 0, 64, 48);
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    ASSERT_NO_FATAL_FAILURE(FlipChain(window.get(), &primary, &back));
    Fill(primary, 9);
    DDSURFACEDESC2 d;
    ASSERT_EQ(back->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
    back->Unlock(nullptr);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(At(primary, 3, 2), 5u + 2003);
    EXPECT_EQ(At(back, 3, 2), 9u + 2003);
    const PresentedFrame frame = LastPresentedFrame();
    EXPECT_EQ(frame.width, 64);
    EXPECT_EQ(frame.ArgbAt(3, 2) & 0xFFFFFF, 5u + 2003);
    EXPECT_EQ(Plain(4, 4)->Flip(nullptr, DDFLIP_WAIT), DDERR_UNSUPPORTED);
    // Flipping needs exclusive mode.
    DDSURFACEDESC bad;
    bad.dwFlags = DDSD_CAPS;
    bad.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    IDirectDrawSurface* none = nullptr;
    EXPECT_EQ(Device()->CreateSurface(&bad, &none, nullptr), DDERR_INVALIDPARAMS) << "no back-buffer count";
}

TEST_F(SurfacesTest, InjectedFailuresHitTheChosenCall)
{
    InjectSurfaceFailure(SurfaceStep::CreateSurface, DDERR_GENERIC, 1, DDSCAPS_VIDEOMEMORY);
    InjectSurfaceFailure(SurfaceStep::CreateSurface, DDERR_OUTOFMEMORY, 2, DDSCAPS_OFFSCREENPLAIN);
    Make(DDSCAPS_PRIMARYSURFACE);
    Plain(4, 4);
    Make(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 4, 4, DDERR_GENERIC);
    Make(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 4, 4, DDERR_OUTOFMEMORY);
    IDirectDrawSurface* s = Plain(4, 4);
    ASSERT_NE(s, nullptr);

    InjectSurfaceFailure(SurfaceStep::Lock, DDERR_WASSTILLDRAWING, 0);
    DDSURFACEDESC2 d;
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_WASSTILLDRAWING);
    ClearSurfaceFailures();
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    s->Unlock(nullptr);

    // A lost device stays lost for all its surfaces.
    InjectSurfaceFailure(SurfaceStep::DeviceLost, DDERR_SURFACELOST, 1);
    EXPECT_EQ(s->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);

    struct StepCase
    {
        SurfaceStep step;
        HRESULT (*call)(IDirectDraw*);
    };
    const StepCase steps[] = {
        {SurfaceStep::SetDisplayMode, [](IDirectDraw* dd) { return dd->SetDisplayMode(800, 600, 16); }},
        {SurfaceStep::SetCooperativeLevelNormal,
         [](IDirectDraw* dd) { return dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL); }},
        {SurfaceStep::GetMonitorFrequency,
         [](IDirectDraw* dd)
         {
             uint32_t hz;
             return dd->GetMonitorFrequency(&hz);
         }},
        {SurfaceStep::GetScanLine,
         [](IDirectDraw* dd)
         {
             uint32_t line;
             return dd->GetScanLine(&line);
         }},
        {SurfaceStep::WaitForVerticalBlank,
         [](IDirectDraw* dd) { return dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr); }},
    };
    for (const StepCase& c : steps)
    {
        InjectSurfaceFailure(c.step, DDERR_UNSUPPORTEDMODE);
        EXPECT_EQ(c.call(Device()), DDERR_UNSUPPORTEDMODE) << int(c.step);
    }
}

TEST_F(SurfacesTest, ScanLineModelsAndMonitorFrequency)
{
    SetManualClock(true);
    IDirectDraw* dd = Device();
    Make(DDSCAPS_PRIMARYSURFACE);
    uint32_t line = 0;
    // Clock model: 60 Hz over 768 + blank lines; the beam moves with the clock and the blank is reported.
    int blanks = 0, lines = 0, wraps = 0;
    uint32_t last = 0;
    for (int ms = 0; ms < 100; ++ms)
    {
        const HRESULT r = dd->GetScanLine(&line);
        if (r == DDERR_VERTICALBLANKINPROGRESS)
            ++blanks;
        else
        {
            ASSERT_EQ(r, DD_OK);
            EXPECT_LT(line, 768u);
            wraps += lines && line < last;
            ++lines;
            last = line;
        }
        AdvanceClock(1);
    }
    EXPECT_GE(blanks, 4);
    EXPECT_GE(lines, 80);
    EXPECT_GE(wraps, 5);
    // Waiting for the blank lands at its start.
    ASSERT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    EXPECT_EQ(dd->GetScanLine(&line), DDERR_VERTICALBLANKINPROGRESS);

    SetScanLineModel(ScanLineModel::Scripted, {{DD_OK, 10}, {DDERR_VERTICALBLANKINPROGRESS, 0}, {DD_OK, 500}});
    EXPECT_EQ(dd->GetScanLine(&line), DD_OK);
    EXPECT_EQ(line, 10u);
    EXPECT_EQ(dd->GetScanLine(&line), DDERR_VERTICALBLANKINPROGRESS);
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(dd->GetScanLine(&line), DD_OK);
        EXPECT_EQ(line, 500u);
    }
    SetScanLineModel(ScanLineModel::Failing, {}, DDERR_UNSUPPORTED);
    EXPECT_EQ(dd->GetScanLine(&line), DDERR_UNSUPPORTED);

    for (uint32_t hz : {0u, 59u, 75u, 120u})
    {
        HeadlessDisplay().refreshHz = hz;
        uint32_t got = 0;
        EXPECT_EQ(dd->GetMonitorFrequency(&got), hz ? DD_OK : DDERR_UNSUPPORTED);
        EXPECT_EQ(got, hz);
    }
    SetManualClock(false);
}

TEST_F(SurfacesTest, FramesAreDumpedAsPng)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("surfaces_png_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    HeadlessDisplay().pngDumpFolder = folder.string();
    HeadlessDisplay().bitsPerPixel = 16;
    auto window = Window::Create("t", 0, 0, 3, 2);
    IDirectDraw* dd = Device();
    ASSERT_EQ(dd->SetCooperativeLevel(window.get(), DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface* primary = Make(DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface* draw = Plain(3, 2);
    DDSURFACEDESC2 d;
    ASSERT_EQ(draw->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    static_cast<uint16_t*>(d.lpSurface)[0] = 0xF800; // full red
    static_cast<uint16_t*>(d.lpSurface)[1] = 0x07E0; // full green
    draw->Unlock(nullptr);
    RECT r{0, 0, 3, 2};
    ASSERT_EQ(primary->Blt(&r, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const PresentedFrame frame = LastPresentedFrame();
    EXPECT_EQ(frame.ArgbAt(0, 0), 0xFFFF0000u);
    EXPECT_EQ(frame.ArgbAt(1, 0), 0xFF00FF00u);
    std::ifstream png(folder / "frame-00001.png", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(png)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    // Signature, header, one stored block of 2 rows of (1 + 3 * 3) bytes, end.
    EXPECT_EQ(bytes.size(), 8u + 25 + 12 + 2 + 5 + 20 + 4 + 12);
    std::filesystem::remove_all(folder);
}

} // namespace

TEST(ChangedRectsTest, CoverEveryChangedPixelAndBringTheShownPictureUpToDate)
{
    struct Case
    {
        const char* name;
        int bytesPerPixel;
        std::vector<std::pair<int, int>> changed; // pixels (x, y) that differ
        std::vector<RECT> want;
        bool everything = false; // every pixel differs
    };
    const Case cases[] = {
        {"nothing changed", 4, {}, {}},
        {"one pixel", 4, {{37, 21}}, {RECT{37, 16, 38, 32}}},
        {"first row and column", 4, {{0, 0}}, {RECT{0, 0, 1, 16}}},
        {"last row and column", 4, {{99, 49}}, {RECT{99, 48, 100, 50}}},
        {"first column, last row; last column, first row",
         3,
         {{0, 49}, {99, 0}},
         {RECT{99, 0, 100, 16}, RECT{0, 48, 1, 50}}},
        {"whole screen", 4, {}, {RECT{0, 0, 100, 50}}, true},
        {"whole 24-bit screen", 3, {}, {RECT{0, 0, 100, 50}}, true},
        {"one 16-bit pixel", 2, {{5, 0}}, {RECT{5, 0, 6, 16}}},
        {"two pixels of one band", 4, {{3, 1}, {90, 14}}, {RECT{3, 0, 91, 16}}},
        {"bands far apart stay apart", 4, {{10, 2}, {60, 40}}, {RECT{10, 0, 11, 16}, RECT{60, 32, 61, 48}}},
        {"neighbouring bands alike merge", 4, {{20, 15}, {22, 15}, {20, 16}, {22, 31}}, {RECT{20, 0, 23, 32}}},
        {"a narrow band beside a wide one stays apart",
         4,
         {{0, 5}, {99, 5}, {50, 20}},
         {RECT{0, 0, 100, 16}, RECT{50, 16, 51, 32}}},
    };
    const int w = 100, h = 50;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const size_t pitch = size_t(w) * size_t(c.bytesPerPixel) + 12; // rows with padding
        std::vector<uint8_t> shown(pitch * h), next(pitch * h);
        for (size_t i = 0; i < shown.size(); ++i) shown[i] = next[i] = uint8_t(i * 7);
        for (const auto& [x, y] : c.changed) next[size_t(y) * pitch + size_t(x) * size_t(c.bytesPerPixel) + 1] ^= 0x40;
        if (c.everything)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) next[size_t(y) * pitch + size_t(x) * size_t(c.bytesPerPixel)] ^= 0x01;
        const std::vector<RECT> got =
            UpdateChangedRects(shown.data(), pitch, next.data(), pitch, w, h, c.bytesPerPixel);
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); ++i)
        {
            EXPECT_EQ(got[i].left, c.want[i].left) << i;
            EXPECT_EQ(got[i].top, c.want[i].top) << i;
            EXPECT_EQ(got[i].right, c.want[i].right) << i;
            EXPECT_EQ(got[i].bottom, c.want[i].bottom) << i;
        }
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(std::memcmp(&shown[size_t(y) * pitch], &next[size_t(y) * pitch], size_t(w) * c.bytesPerPixel), 0)
                << "row " << y;
    }
}

TEST(ChangedRectsTest, RandomChangesAreAllCoveredWithoutOverlap)
{
    const int w = 203, h = 77;
    uint32_t seed = 12345;
    auto next32 = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 50; ++round)
    {
        std::vector<uint32_t> shown(size_t(w) * h), next(size_t(w) * h);
        for (size_t i = 0; i < shown.size(); ++i) shown[i] = next[i] = next32();
        const std::vector<uint32_t> before = shown;
        const int count = int(next32() % 40);
        for (int i = 0; i < count; ++i) next[next32() % next.size()] ^= 1u << (next32() % 32);
        const std::vector<RECT> rects =
            UpdateChangedRects(reinterpret_cast<uint8_t*>(shown.data()), w * 4u,
                               reinterpret_cast<const uint8_t*>(next.data()), w * 4u, w, h, 4);
        EXPECT_EQ(shown, next);
        std::vector<int> cover(size_t(w) * h, 0);
        for (const RECT& r : rects)
        {
            ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h && r.left < r.right &&
                        r.top < r.bottom);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) ++cover[size_t(y) * w + x];
        }
        for (size_t i = 0; i < cover.size(); ++i)
        {
            EXPECT_LE(cover[i], 1) << "pixel " << i << " sent twice";
            if (before[i] != next[i])
            {
                EXPECT_EQ(cover[i], 1) << "changed pixel " << i << " not sent";
            }
        }
    }
}

TEST_F(SurfacesTest, FramesPresentedInPlaceStayWholeAcrossFlips)
{
    // The presented frame is updated only where the picture changed: after flips with partial changes it must
    // still equal the primary in every pixel.
    auto window = Window::Create("t", 0, 0, 64, 48);
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    ASSERT_NO_FATAL_FAILURE(FlipChain(window.get(), &primary, &back));
    for (int step = 0; step < 6; ++step)
    {
        DDSURFACEDESC2 d;
        ASSERT_EQ(back->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        auto* px = static_cast<uint32_t*>(d.lpSurface);
        px[size_t(step * 7) * (d.lPitch / 4) + size_t(step * 9)] = 0xABCDEFu + uint32_t(step);
        back->Unlock(nullptr);
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        const PresentedFrame frame = LastPresentedFrame();
        ASSERT_EQ(frame.width, 64);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(frame.ArgbAt(x, y) & 0xFFFFFF, At(primary, x, y) & 0xFFFFFF) << step << ": " << x << "," << y;
    }
}

TEST_F(SurfacesTest, WholePicturesFlippedInTurnPresentEveryChange)
{
    // A whole picture blitted onto the back buffer is copied only where it differs from the frame shown or from
    // the frame before it, which the back buffer holds; the flip then presents only those changes. After every
    // step, and whatever else wrote to the chain in between, the frame shown must equal the picture.
    auto window = Window::Create("t", 0, 0, 64, 48);
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;
    ASSERT_NO_FATAL_FAILURE(FlipChain(window.get(), &primary, &back));
    IDirectDrawSurface* draw = Plain(64, 48);
    IDirectDrawSurface* spot = Plain(4, 4);
    Fill(draw, 5);
    Fill(spot, 4242);
    enum class Between
    {
        Nothing,
        LockBack,
        LockPrimary,
        PartialBlitOntoBack,
        BlitOntoPrimary,
        WriteBackAfterBlit
    };
    const Between between[] = {Between::Nothing,  Between::Nothing, Between::Nothing,
                               Between::LockBack, Between::Nothing, Between::WriteBackAfterBlit,
                               Between::Nothing,  Between::Nothing, Between::LockPrimary,
                               Between::Nothing,  Between::Nothing, Between::PartialBlitOntoBack,
                               Between::Nothing,  Between::Nothing, Between::BlitOntoPrimary,
                               Between::Nothing,  Between::Nothing, Between::Nothing};
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int step = 0; step < int(std::size(between)); ++step)
    {
        // A few pixels change each frame, now and then one that changed the frame before changes back.
        for (int i = 0; i < 3; ++i) Poke(draw, int(next() >> 8) % 64, int(next() >> 8) % 48, next() & 0xFFFFFF);
        if (step % 4 == 3) Poke(draw, 0, 0, 5);
        switch (between[step])
        {
        case Between::Nothing:
        case Between::WriteBackAfterBlit:
            break;
        case Between::LockBack:
            Poke(back, 10, 10, 0x00FF00);
            break;
        case Between::LockPrimary:
            Poke(primary, 20, 20, 0xFF0000);
            break;
        case Between::PartialBlitOntoBack:
        {
            RECT at{30, 30, 34, 34};
            ASSERT_EQ(back->Blt(&at, spot, nullptr, DDBLT_WAIT, nullptr), DD_OK);
            break;
        }
        case Between::BlitOntoPrimary:
        {
            RECT at{40, 8, 44, 12};
            ASSERT_EQ(primary->Blt(&at, spot, nullptr, DDBLT_WAIT, nullptr), DD_OK);
            break;
        }
        }
        ASSERT_EQ(back->Blt(nullptr, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK);
        const bool late = between[step] == Between::WriteBackAfterBlit;
        if (late) Poke(back, 50, 40, 0x0000FF); // written after the blit: the flip must show it
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        if (late)
        {
            EXPECT_EQ(LastPresentedFrame().ArgbAt(50, 40) & 0xFFFFFF, 0x0000FFu);
            Poke(draw, 50, 40, 0x0000FF);
        }
        ASSERT_NO_FATAL_FAILURE(FrameShows(draw, "step " + std::to_string(step)));
    }
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(At(primary, x, y), At(draw, x, y)) << x << "," << y;
}

TEST_F(SurfacesTest, WholePictureBlitsPresentEveryChangeAndKeepThePrimaryWhole)
{
    // A blit of a whole picture onto the primary is compared with the last frame and only the changes are copied:
    // the frame and the primary must still equal the picture after every kind of change, including writes made to
    // the primary behind the last frame's back.
    auto window = Window::Create("t", 0, 0, 64, 48);
    IDirectDraw* dd = Device();
    ASSERT_EQ(dd->SetCooperativeLevel(window.get(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(64, 48, 32), DD_OK);
    IDirectDrawSurface* primary = Make(DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface* draw = Plain(64, 48);
    Fill(draw, 5);
    auto poke = [](IDirectDrawSurface* s, std::vector<std::pair<int, int>> at, uint32_t value)
    {
        for (const auto& [x, y] : at) Poke(s, x, y, value);
    };
    auto present = [&](const char* step)
    {
        const int before = PresentedFrameCount();
        ASSERT_EQ(primary->Blt(nullptr, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK) << step;
        EXPECT_EQ(PresentedFrameCount(), before + 1) << step;
        FrameShows(draw, step);
    };
    present("first frame");
    present("nothing changed");
    struct Change
    {
        const char* name;
        std::vector<std::pair<int, int>> at;
    };
    const Change changes[] = {
        {"one pixel", {{30, 20}}},
        {"first row and column", {{0, 0}}},
        {"last row and column", {{63, 47}}},
        {"corners", {{0, 47}, {63, 0}}},
    };
    uint32_t value = 0x123456;
    for (const Change& c : changes)
    {
        poke(draw, c.at, ++value);
        present(c.name);
    }
    Fill(draw, 77);
    present("whole screen");
    // Written into the primary directly: the next whole blit must cover it although the picture did not change.
    poke(primary, {{40, 10}, {63, 47}}, 0xFF00FF);
    present("primary written behind the frame");
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(At(primary, x, y), At(draw, x, y)) << x << "," << y;
    // A partial blit presents on its own; whole blits carry on from there.
    IDirectDrawSurface* patch = Plain(8, 8);
    Fill(patch, 999);
    RECT spot{4, 4, 12, 12};
    ASSERT_EQ(primary->Blt(&spot, patch, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(LastPresentedFrame().ArgbAt(4, 4) & 0xFFFFFF, 999u);
    present("after a partial blit");
    poke(draw, {{5, 5}}, 0xABCDEF);
    present("after a partial blit, one pixel");
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(At(primary, x, y), At(draw, x, y)) << x << "," << y;
}

TEST_F(SurfacesTest, HintedPresentLooksOnlyWhereTheCallerSaysAndOnlyOnce)
{
    // The caller vouches for where the picture changed: the present compares only there (a change elsewhere is
    // left unseen, which shows the hint is used), and a hint is dropped by a lock of the picture or by its present.
    auto window = Window::Create("t", 0, 0, 64, 48);
    IDirectDraw* dd = Device();
    ASSERT_EQ(dd->SetCooperativeLevel(window.get(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(64, 48, 32), DD_OK);
    IDirectDrawSurface* primary = Make(DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface* draw = Plain(64, 48);
    Fill(draw, 5);
    auto present = [&]() { ASSERT_EQ(primary->Blt(nullptr, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK); };
    auto shown = [](int x, int y) { return LastPresentedFrame().ArgbAt(x, y) & 0xFFFFFF; };
    present();
    const uint32_t old = shown(50, 40);
    Poke(draw, 10, 10, 0x112233);
    Poke(draw, 50, 40, 0x445566);
    const RECT near{8, 8, 16, 16};
    HintPresentChanges(draw, &near, 1);
    present();
    EXPECT_EQ(shown(10, 10), 0x112233u);
    EXPECT_EQ(shown(50, 40), old);

    HintPresentChanges(draw, &near, 1);
    Poke(draw, 51, 40, 0x778899);
    present();
    EXPECT_EQ(shown(50, 40), 0x445566u) << "a lock after the hint drops it";
    EXPECT_EQ(shown(51, 40), 0x778899u);

    const RECT nowhere{0, 0, 1, 1};
    HintPresentChanges(draw, &nowhere, 1);
    present();
    Poke(draw, 52, 40, 0xAABBCC);
    present();
    EXPECT_EQ(shown(52, 40), 0xAABBCCu) << "a hint serves one present";
}

// The display-loss handler asks whether the server hung up: a server killed right after it sent a reply or an
// event leaves those bytes unread on the connection, and the hang-up must be seen all the same.
TEST(DisplayLossTest, AServerThatHungUpIsSeenGoneEvenWithItsLastBytesUnread)
{
    Platform::Programs::SocketPair link;
    ASSERT_TRUE(link.Ok());
    EXPECT_FALSE(Platform::SocketPeerGone(link.Near())) << "a live server with nothing sent";
    const char reply[32] = {1};
    ASSERT_TRUE(link.SendFromFar(reply, sizeof(reply)));
    EXPECT_FALSE(Platform::SocketPeerGone(link.Near())) << "a live server with bytes waiting";
    link.CloseFar();
    EXPECT_TRUE(Platform::SocketPeerGone(link.Near())) << "a server gone with its last bytes unread";
}
