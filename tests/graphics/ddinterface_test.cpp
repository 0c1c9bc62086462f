// Tests of the display device on the headless surface layer: init results and error texts, pixel-format tables,
// refresh rates, re-initialisation with live images, presents (windowed, beam-timed, clipped) and the cursor.
#include <gtest/gtest.h>

#include <thread>

#include "DisplayFixture.h"
#include "base/Common.h"
#include "platform/Clock.h"
#include "platform/Modules.h"

using namespace Zest;
using namespace Platform;
using ZestTest::Display;
using ZestTest::Format;

namespace
{

TEST(DDInterfaceTest, PixelFormatAnalysisAndTables)
{
    struct Case
    {
        Format format;
        int shifts[3], widths[3];
        bool standard;
    };
    const Case cases[] = {{Format::Rgb565, {11, 5, 0}, {5, 6, 5}, true},
                          {Format::Rgb555, {10, 5, 0}, {5, 5, 5}, true},
                          {Format::Xrgb8888, {16, 8, 0}, {8, 8, 8}, true},
                          {Format::Xbgr8888, {0, 8, 16}, {8, 8, 8}, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(ZestTest::FormatName(c.format));
        Display d(c.format);
        ASSERT_EQ(d.result, 0) << d.device->mErrorString;
        DDInterface& dd = *d.device;
        EXPECT_EQ(dd.mRedShift, c.shifts[0]);
        EXPECT_EQ(dd.mGreenShift, c.shifts[1]);
        EXPECT_EQ(dd.mBlueShift, c.shifts[2]);
        EXPECT_EQ(dd.mRedWidth, c.widths[0]);
        EXPECT_EQ(dd.mGreenWidth, c.widths[1]);
        EXPECT_EQ(dd.mBlueWidth, c.widths[2]);
        EXPECT_EQ(standardChannelOrder.load(), c.standard);
        const int redMax = (1 << c.widths[0]) - 1;
        ASSERT_EQ(dd.mRedAddTableSize, 2 * redMax + 1); // 63 entries for 5 bits
        EXPECT_EQ(dd.mRedAddTable[redMax - 1], redMax - 1);
        EXPECT_EQ(dd.mRedAddTable[redMax + 7], redMax);
        EXPECT_EQ(dd.mRedAddTable[2 * redMax], redMax);
        EXPECT_EQ(dd.mRedConvTable[255], uint32_t(dd.mRedMask));
        EXPECT_EQ(dd.mGreenConvTable[255], uint32_t(dd.mGreenMask));
        EXPECT_EQ(dd.mBlueConvTable[0], 0u);
        EXPECT_EQ(dd.mGreenConvTable[128], (128ull * uint32_t(dd.mGreenMask) / 255) & uint32_t(dd.mGreenMask));
    }
}

TEST(DDInterfaceTest, ColourDepthsAndResultNames)
{
    for (int depth : {24, 8})
    {
        SetVideoBackend(VideoBackend::Headless);
        ResetHeadlessDisplay();
        HeadlessDisplay().bitsPerPixel = depth;
        DisplayApp app;
        auto window = Window::Create("t", 0, 0, 64, 48);
        DDInterface dd(&app);
        EXPECT_EQ(dd.Init(window.get(), true), DDInterface::RESULT_INVALID_COLORDEPTH) << depth;
        EXPECT_EQ(dd.GetScreenImage(), nullptr);
    }
    const char* names[] = {"RESULT_OK",
                           "RESULT_FAIL",
                           "RESULT_DD_CREATE_FAIL",
                           "RESULT_SURFACE_FAIL",
                           "RESULT_EXCLUSIVE_FAIL",
                           "RESULT_DISPCHANGE_FAIL",
                           "RESULT_INVALID_COLORDEPTH",
                           "RESULT_UNKNOWN"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(DDInterface::ResultToString(i), names[i]);
    EXPECT_EQ(DDInterface::ResultToString(42), "RESULT_UNKNOWN");
    EXPECT_EQ(DDInterface::ResultToString(-1), "RESULT_UNKNOWN");
    ResetHeadlessDisplay();
}

TEST(DDInterfaceTest, RefreshRateIsClampedAndFlagged)
{
    struct Case
    {
        uint32_t hz;
        int rate, interval;
        bool unknown;
        bool failStep;
    };
    const Case cases[] = {{59, 60, 16, true, false},   {60, 60, 16, false, false}, {75, 75, 13, false, false},
                          {120, 100, 10, true, false}, {0, 60, 16, true, false},   {75, 60, 16, true, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.hz);
        SetVideoBackend(VideoBackend::Headless);
        ResetHeadlessDisplay();
        HeadlessDisplay().refreshHz = c.hz;
        if (c.failStep) InjectSurfaceFailure(SurfaceStep::GetMonitorFrequency, DDERR_GENERIC);
        DisplayApp app;
        app.mWidth = 64;
        app.mHeight = 48;
        auto window = Window::Create("t", 0, 0, 64, 48);
        DDInterface dd(&app);
        ASSERT_EQ(dd.Init(window.get(), true), 0);
        EXPECT_EQ(dd.mRefreshRate, c.rate);
        EXPECT_EQ(dd.mMillisecondsPerFrame, c.interval);
        EXPECT_EQ(app.mRefreshRateUnknown, c.unknown);
    }
    ResetHeadlessDisplay();
}

TEST(DDInterfaceTest, EveryInitFailureGivesItsCodeAndText)
{
    struct Case
    {
        bool windowed;
        SurfaceStep step;
        int nth;
        uint32_t caps, width, height;
        int result;
        const char* text;
    };
    const uint32_t plain = DDSCAPS_OFFSCREENPLAIN;
    const Case cases[] = {
        {true, SurfaceStep::DirectDrawCreateEx, 1, 0, 0, 0, 2, "DirectDrawCreateEx: DDERR_GENERIC"},
        {true, SurfaceStep::QueryInterface, 1, 0, 0, 0, 2, "QueryrInterface IID_IDirectDraw: DDERR_GENERIC"},
        {false, SurfaceStep::SetCooperativeLevelExclusive, 1, 0, 0, 0, 4,
         "SetCooperativeLevel FullScreen: DDERR_GENERIC"},
        {false, SurfaceStep::SetDisplayMode, 1, 0, 0, 0, 5, "SetDisplayMode FullScreen: DDERR_GENERIC"},
        {false, SurfaceStep::CreateSurface, 1, DDSCAPS_PRIMARYSURFACE, 0, 0, 3,
         "CreateSurface FullScreen Primary: DDERR_GENERIC"},
        {false, SurfaceStep::GetAttachedSurface, 1, 0, 0, 0, 3, "GetAttachedSurface: DDERR_GENERIC"},
        {false, SurfaceStep::CreateSurface, 1, plain, 64, 48, 3, "CreateSurface FullScreen DrawSurface: DDERR_GENERIC"},
        {false, SurfaceStep::CreateClipper, 1, 0, 0, 0, 1, "CreateClipper FullScreen: DDERR_GENERIC"},
        {true, SurfaceStep::CreateSurface, 1, DDSCAPS_PRIMARYSURFACE, 0, 0, 3,
         "CreateSurface Windowed Primary: DDERR_GENERIC"},
        {true, SurfaceStep::CreateSurface, 1, plain, 64, 48, 3, "CreateSurface Windowed DrawSurface: DDERR_GENERIC"},
        {true, SurfaceStep::CreateClipper, 1, 0, 0, 0, 1, "CreateClipper Windowed: DDERR_GENERIC"},
        {true, SurfaceStep::CreateSurface, 1, plain, 64, 64, 3, "CreateSurface OldCursorArea: DDERR_GENERIC"},
        {true, SurfaceStep::CreateSurface, 2, plain, 64, 64, 3, "CreateSurface NewCursorArea: DDERR_GENERIC"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        Display d(Format::Rgb565, 64, 48, c.windowed);
        ASSERT_EQ(d.result, 0);
        InjectSurfaceFailure(c.step, DDERR_GENERIC, c.nth, c.caps, c.width, c.height);
        EXPECT_EQ(d.device->Init(d.window.get(), c.windowed), c.result);
        EXPECT_EQ(d.device->mErrorString, c.text);
        EXPECT_EQ(d.device->GetScreenImage(), nullptr);
        EXPECT_FALSE(d.device->Redraw(nullptr));
        // The display lock is free again: another thread can take it.
        bool taken = false;
        std::thread(
            [&]
            {
                taken = d.device->mCritSect.TryEnter();
                if (taken) d.device->mCritSect.Leave();
            })
            .join();
        EXPECT_TRUE(taken);
        d.device->SetCursorPos(3, 3); // must not touch the missing surfaces
        ClearSurfaceFailures();
        EXPECT_EQ(d.device->Init(d.window.get(), c.windowed), 0);
    }

    // Without the newer entry the older one is used, and its failure is reported after the setup.
    HideModuleEntry("ddraw.dll", "DirectDrawCreateEx");
    {
        Display d(Format::Rgb565);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.device->mDD7, nullptr);
        InjectSurfaceFailure(SurfaceStep::DirectDrawCreate, DDERR_OUTOFMEMORY);
        EXPECT_EQ(d.device->Init(d.window.get(), true), 2);
        EXPECT_EQ(d.device->mErrorString, "DirectDrawCreate: " + DirectXErrorName(DDERR_OUTOFMEMORY));
    }
    RestoreHiddenModules();
}

TEST(DDInterfaceTest, FullScreenModeAndPresentRectangle)
{
    struct Case
    {
        bool is3D;
        int modeW, modeH;
        Rect present;
        int result;
    };
    // 3D cannot be switched on here; with it forced on, the aspect correction runs and the 3D init then fails.
    const Case cases[] = {{true, 1920, 1200, Rect(160, 0, 1600, 1200), 7}, {false, 800, 600, Rect(0, 0, 800, 600), 0}};
    for (const Case& c : cases)
    {
        SetVideoBackend(VideoBackend::Headless);
        ResetHeadlessDisplay();
        HeadlessDisplay().width = 1920;
        HeadlessDisplay().height = 1200;
        DisplayApp app;
        auto window = Window::Create("t", 0, 0, 800, 600);
        DDInterface dd(&app);
        dd.mIs3D = c.is3D;
        EXPECT_EQ(dd.Init(window.get(), false), c.result);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), c.modeW);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), c.modeH);
        EXPECT_EQ(dd.mPresentationRect, c.present);
        EXPECT_EQ(dd.mIsAspectCorrected, c.is3D);
        if (c.is3D)
        {
            EXPECT_EQ(dd.mErrorString, "3D init error: Direct3D is not available");
        }
    }
    ResetHeadlessDisplay();
}

TEST(DDInterfaceTest, ReinitKeepsLiveImagesAndLeaksNothing)
{
    const int baseline = LiveSurfaceCount();
    {
        Display d(Format::Rgb565);
        ASSERT_EQ(d.result, 0);
        DDImage image(d.device.get());
        std::vector<uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
        image.SetBits(px.data(), 2, 2);
        ASSERT_TRUE(image.CreateSurfaceFromBits());
        image.ReleaseBits(); // the surface is now the only copy
        ASSERT_EQ(image.mBits, nullptr);
        DDImage* screenBefore = d.device->GetScreenImage();
        ASSERT_NE(screenBefore, nullptr);

        // Switch the desktop to 32 bits and re-initialise: the image's pixels survive, its surface is re-made.
        ZestTest::SetDesktop(Format::Xrgb8888);
        ASSERT_EQ(d.device->Init(d.window.get(), true), 0);
        EXPECT_EQ(image.mSurface, nullptr);
        ASSERT_NE(image.mBits, nullptr);
        EXPECT_EQ(image.mBits[0], 0xFFF80000u); // read back from 5-6-5
        ASSERT_TRUE(image.LockSurface());
        EXPECT_EQ(image.mLockDesc.ddpfPixelFormat.dwRGBBitCount, 32u);
        EXPECT_EQ(static_cast<uint32_t*>(image.mLockDesc.lpSurface)[1], 0x00FC00u);
        image.UnlockSurface();
        EXPECT_NE(d.device->GetScreenImage(), nullptr);
        EXPECT_EQ(d.device->mInitCount, 2);

        // A failed re-init leaves no screen image and no device for images to use.
        InjectSurfaceFailure(SurfaceStep::CreateSurface, DDERR_GENERIC, 1, DDSCAPS_PRIMARYSURFACE);
        EXPECT_EQ(d.device->Init(d.window.get(), true), 3);
        EXPECT_EQ(d.device->GetScreenImage(), nullptr);
        EXPECT_EQ(image.mSurface, nullptr);
        EXPECT_EQ(image.GetBits()[2], 0xFF0000F8u);
    }
    EXPECT_EQ(LiveSurfaceCount(), baseline);
    EXPECT_EQ(LiveDeviceCount(), 0);
}

TEST(DDInterfaceTest, RedrawPresentsTheDrawSurfaceClippedToItself)
{
    Display d(Format::Rgb565, 64, 48);
    ASSERT_EQ(d.result, 0);
    {
        DisplayApp app;
        DDInterface idle(&app);
        EXPECT_FALSE(idle.Redraw(nullptr));
    }
    DDImage* screen = d.device->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    screen->FillRect(Rect(0, 0, 64, 48), Color(0, 0, 255), 0);
    screen->FillRect(Rect(10, 5, 3, 2), Color(255, 0, 0), 0);
    const int before = PresentedFrameCount();
    ASSERT_TRUE(d.device->Redraw(nullptr));
    ASSERT_EQ(PresentedFrameCount(), before + 1);
    PresentedFrame frame = LastPresentedFrame();
    ASSERT_EQ(frame.width, 64);
    ASSERT_EQ(frame.height, 48);
    EXPECT_EQ(frame.ArgbAt(10, 5), 0xFFFF0000u);
    EXPECT_EQ(frame.ArgbAt(13, 5), 0xFF0000FFu);

    // A rectangle reaching off the draw surface presents only its part on it; one wholly off presents nothing.
    screen->FillRect(Rect(60, 40, 4, 8), Color(0, 255, 0), 0);
    const Rect oversized(50, 30, 500, 500);
    ASSERT_TRUE(d.device->Redraw(&oversized));
    EXPECT_EQ(PresentedFrameCount(), before + 2);
    EXPECT_EQ(LastPresentedFrame().ArgbAt(63, 47), 0xFF00FF00u);
    const Rect away(100, 100, 10, 10);
    EXPECT_TRUE(d.device->Redraw(&away));
    EXPECT_EQ(PresentedFrameCount(), before + 2);
}

TEST(DDInterfaceTest, BeamTimedPresentSplitsAndGivesUpAfterThreeFailures)
{
    Display d(Format::Rgb565, 64, 48);
    ASSERT_EQ(d.result, 0);
    d.app.mSyncDrawing = true;
    // Window at y = 8: middle of the destination at 8 + 24 = 32, bottom at 56.
    SetScanLineModel(ScanLineModel::Scripted, {{DD_OK, 10}, {DD_OK, 20}, {DD_OK, 33}, {DD_OK, 40}, {DD_OK, 57}});
    int before = PresentedFrameCount();
    ASSERT_TRUE(d.device->Redraw(nullptr));
    EXPECT_EQ(PresentedFrameCount(), before + 2) << "upper and lower halves";
    EXPECT_EQ(d.device->mScanLineFailCount, 0);

    SetScanLineModel(ScanLineModel::Failing, {}, DDERR_UNSUPPORTED);
    for (int i = 1; i <= 4; ++i)
    {
        before = PresentedFrameCount();
        ASSERT_TRUE(d.device->Redraw(nullptr));
        EXPECT_EQ(PresentedFrameCount(), before + 1);
        EXPECT_EQ(d.device->mScanLineFailCount, std::min(i, 3));
    }

    // A beam that never moves runs into the shared deadline instead of spinning.
    SetManualClock(true);
    d.device->mScanLineFailCount = 0;
    SetScanLineModel(ScanLineModel::Scripted, {{DD_OK, 10}, {DD_OK, 40}, {DD_OK, 41}});
    before = PresentedFrameCount();
    ASSERT_TRUE(d.device->Redraw(nullptr));
    EXPECT_EQ(d.device->mScanLineFailCount, 1);
    EXPECT_EQ(PresentedFrameCount(), before + 2) << "upper half, then the whole frame after the blank";
    SetManualClock(false);
}

TEST(DDInterfaceTest, SoftwareCursorIsDrawnPresentedAndMoved)
{
    Display d(Format::Xrgb8888, 64, 48);
    ASSERT_EQ(d.result, 0);
    MemoryImage cursor(nullptr);
    std::vector<uint32_t> px(4, 0xFFFF00FF);
    px[3] = 0; // transparent corner
    cursor.SetBits(px.data(), 2, 2);
    EXPECT_TRUE(d.device->SetCursorImage(&cursor));
    EXPECT_FALSE(d.device->SetCursorImage(&cursor));
    DDImage* screen = d.device->GetScreenImage();
    screen->FillRect(Rect(0, 0, 64, 48), Color(0, 0, 0), 0);

    d.device->mCursorX = 5;
    d.device->mCursorY = 6;
    ASSERT_TRUE(d.device->Redraw(nullptr));
    PresentedFrame frame = LastPresentedFrame();
    EXPECT_EQ(frame.ArgbAt(5, 6), 0xFFFF00FFu);
    EXPECT_EQ(frame.ArgbAt(6, 7), 0xFF000000u);
    // The draw surface itself is clean again for the next frame.
    ASSERT_TRUE(screen->LockSurface());
    EXPECT_EQ(static_cast<uint32_t*>(screen->mLockDesc.lpSurface)[6 * screen->mLockDesc.lPitch / 4 + 5], 0u);
    screen->UnlockSurface();

    // The cursor thread moves it on the primary: the old place is restored, the new one drawn and shown.
    std::thread([&] { d.device->SetCursorPos(62, 47); }).join();
    frame = LastPresentedFrame();
    EXPECT_EQ(frame.ArgbAt(5, 6), 0xFF000000u);
    EXPECT_EQ(frame.ArgbAt(62, 47), 0xFFFF00FFu);
    EXPECT_EQ(frame.ArgbAt(63, 47), 0xFFFF00FFu);

    // A busy display skips the move rather than waiting.
    d.device->mCritSect.Enter();
    const int before = PresentedFrameCount();
    std::thread([&] { d.device->SetCursorPos(20, 20); }).join();
    d.device->mCritSect.Leave();
    EXPECT_EQ(PresentedFrameCount(), before);
}

TEST(DDInterfaceTest, EveryResultOfTheSurfaceLayerHasAName)
{
    for (HRESULT code :
         {DDERR_GENERIC, DDERR_INVALIDPARAMS, DDERR_OUTOFMEMORY, DDERR_UNSUPPORTED, DDERR_NOTINITIALIZED, E_NOINTERFACE,
          DDERR_INVALIDPIXELFORMAT, DDERR_INVALIDRECT, DDERR_NOEXCLUSIVEMODE, DDERR_SURFACEBUSY, DDERR_SURFACELOST,
          DDERR_VERTICALBLANKINPROGRESS, DDERR_WASSTILLDRAWING, DDERR_NOTLOCKED, DDERR_UNSUPPORTEDMODE})
    {
        // Unknown codes come back as hexadecimal; every code we return has a symbolic name.
        const std::string name = DirectXErrorName(code);
        EXPECT_NE(name, DirectXErrorName(int32_t(0x8876FFFF))) << std::hex << code;
        EXPECT_TRUE(name.find("ERR_") != std::string::npos || name.rfind("E_", 0) == 0)
            << std::hex << code << " " << name;
    }
}

TEST(DDInterfaceTest, RatioReducesAndComparesWidth)
{
    Ratio r(1920, 1200);
    EXPECT_EQ(r.mNumerator, 8);
    EXPECT_EQ(r.mDenominator, 5);
    Ratio zero(0, 600);
    EXPECT_EQ(zero, Ratio(1, 1));
    EXPECT_EQ(Ratio(800, 0), Ratio(1, 1));
    EXPECT_TRUE(Ratio(16, 10).IsWider(Ratio(4, 3)));
    EXPECT_FALSE(Ratio(4, 3).IsWider(Ratio(4, 3)));
    EXPECT_FALSE(Ratio(5, 4).IsWider(Ratio(4, 3)));
}

} // namespace
