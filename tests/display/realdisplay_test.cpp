// The display device on a real window: a test pattern drawn through Graphics, presented windowed and full screen,
// read back from the renderer, checked against what was drawn and saved as screenshots. Needs an X display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/Common.h"
#include "data/ImageLib.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "graphics/SysFont.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"

using namespace Zest;
using namespace Platform;

namespace
{

// Pure colours survive every pixel format unchanged, so they show a swapped or shifted channel at once.
const Color kBars[8] = {Color(255, 255, 255), Color(255, 255, 0), Color(0, 255, 255), Color(0, 255, 0),
                        Color(255, 0, 255),   Color(255, 0, 0),   Color(0, 0, 255),   Color(0, 0, 0)};

uint32_t Opaque(const Color& c)
{
    return 0xFF000000u | uint32_t(c.mRed) << 16 | uint32_t(c.mGreen) << 8 | uint32_t(c.mBlue);
}

// A round sprite with four coloured quadrants, an opaque body and a soft rim (exercises blended blits).
std::vector<uint32_t> SpritePixels(int size)
{
    std::vector<uint32_t> px(size_t(size) * size_t(size));
    const double c = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const double d = std::hypot(x - c, y - c);
            const double cover = std::clamp(size / 2.0 - d, 0.0, 4.0) / 4.0;
            const uint32_t a = uint32_t(cover * 255.0 + 0.5);
            const uint32_t rgb =
                x < size / 2 ? (y < size / 2 ? 0xE04020u : 0x20A0E0u) : (y < size / 2 ? 0xF0D020u : 0x60C040u);
            px[size_t(y) * size_t(size) + size_t(x)] = a << 24 | rgb;
        }
    return px;
}

// An opaque checkerboard that lives on its own surface (exercises the surface-to-surface blit).
std::vector<uint32_t> CheckerPixels(int size)
{
    std::vector<uint32_t> px(size_t(size) * size_t(size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            px[size_t(y) * size_t(size) + size_t(x)] = ((x / 4 + y / 4) & 1) ? 0xFF202020u : 0xFFE0E0E0u;
    return px;
}

struct Pattern
{
    MemoryImage sprite{nullptr};
    std::unique_ptr<DDImage> checker;
    std::unique_ptr<SysFont> font;
};

// Fills (bars, a grey ramp, a blended band), lines (a frame and both diagonals), image blits (blended, rotated,
// surface copy) and, when a font is found, text.
void DrawPattern(Graphics& g, int w, int h, Pattern& p)
{
    for (int i = 0; i < 8; ++i)
    {
        g.SetColor(kBars[i]);
        g.FillRect(i * w / 8, 0, (i + 1) * w / 8 - i * w / 8, h / 2);
    }
    for (int i = 0; i < 16; ++i)
    {
        const int v = i * 17;
        g.SetColor(Color(v, v, v));
        g.FillRect(i * w / 16, h / 2, (i + 1) * w / 16 - i * w / 16, h / 2);
    }
    g.SetColor(Color(255, 255, 255, 128));
    g.FillRect(w / 16, h * 3 / 8, w * 7 / 8, h / 16);

    const int s = p.sprite.GetWidth();
    g.DrawImage(&p.sprite, w / 8, h / 2 + h / 8);
    g.DrawImageRotated(&p.sprite, w / 2 - s / 2, h / 2 + h / 8, 0.5);
    if (p.checker) g.DrawImage(p.checker.get(), w * 3 / 4 - s / 2, h / 2 + h / 8);

    g.SetColor(Color(255, 128, 0));
    g.DrawRect(0, 0, w - 1, h - 1);
    g.DrawLine(0, 0, w - 1, h - 1);
    g.DrawLine(w - 1, 0, 0, h - 1);

    if (p.font && p.font->IsLoaded())
    {
        g.SetFont(p.font.get());
        g.SetColor(Color(255, 255, 255));
        g.DrawString(FormatString("Ember Cook %dx%d", w, h), w / 16, h - h / 8);
    }
}

void SaveScreenshot(const PresentedFrame& frame, const std::string& name)
{
    std::unique_ptr<ImageLib::Image> image = ImageLib::Image::Create(frame.width, frame.height, false);
    ASSERT_TRUE(image);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            image->GetBits()[size_t(y) * size_t(frame.width) + size_t(x)] = frame.ArgbAt(x, y);
    MakeDirectories("screens");
    EXPECT_TRUE(ImageLib::WritePNGImage("screens/" + name + ".png", *image)) << name;
}

int ChannelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

// The read-back picture holds the frame smoothly scaled to w x h at (ox, oy), black around it. Smoothing blends
// across edges, so inside the picture only places where the frame is flat (a pixel equal to its neighbours) are
// compared, with a small tolerance.
void CheckSmoothedPicture(const PresentedFrame& shot, const PresentedFrame& frame, int ox, int oy, int w, int h)
{
    ASSERT_GT(shot.width, 0) << "nothing was read back";
    int mismatches = 0, leaks = 0, compared = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
        {
            const uint32_t got = shot.ArgbAt(x, y);
            if (x < ox || y < oy || x >= ox + w || y >= oy + h)
            {
                leaks += (got & 0xFFFFFF) != 0;
                continue;
            }
            const int fx = int(int64_t(x - ox) * frame.width / w), fy = int(int64_t(y - oy) * frame.height / h);
            if (fx < 1 || fy < 1 || fx + 1 >= frame.width || fy + 1 >= frame.height) continue;
            const uint32_t want = frame.ArgbAt(fx, fy);
            bool flat = true;
            for (int dy = -1; dy <= 1 && flat; ++dy)
                for (int dx = -1; dx <= 1 && flat; ++dx) flat = frame.ArgbAt(fx + dx, fy + dy) == want;
            if (!flat) continue;
            ++compared;
            mismatches += ChannelDistance(got, want) > 8;
        }
    EXPECT_GT(compared, w * h / 4) << "too little of the picture is flat to compare";
    EXPECT_EQ(mismatches, 0) << "pixels of the picture that differ from the presented frame";
    EXPECT_EQ(leaks, 0) << "non-black pixels around the picture";
}

// The read-back window picture holds the presented frame scaled by k at (ox, oy), black around it, and the bar
// colours where they were drawn. tolerance: per channel, for formats the renderer may widen differently.
void CheckWindowPicture(const PresentedFrame& shot, const PresentedFrame& frame, int k, int ox, int oy, int tolerance)
{
    ASSERT_GT(shot.width, 0) << "nothing was read back";
    int mismatches = 0, leaks = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
        {
            const uint32_t got = shot.ArgbAt(x, y);
            const int fx = (x - ox) / k, fy = (y - oy) / k;
            if (x < ox || y < oy || fx >= frame.width || fy >= frame.height)
                leaks += (got & 0xFFFFFF) != 0;
            else
                mismatches += ChannelDistance(got, frame.ArgbAt(fx, fy)) > tolerance;
        }
    EXPECT_EQ(mismatches, 0) << "pixels of the picture that differ from the presented frame";
    EXPECT_EQ(leaks, 0) << "non-black pixels in the letterbox";
    for (int i = 0; i < 8; ++i)
    {
        const int bx = ((i * frame.width / 8 + (i + 1) * frame.width / 8) / 2) * k + ox;
        const int by = (frame.height / 4) * k + oy;
        // Opaque fills keep c x 255 / 256 in 32 bits, so a full channel may read 0xFE: check on/off per channel.
        const uint32_t got = shot.ArgbAt(bx, by), want = Opaque(kBars[i]);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_EQ((got >> shift & 0xFF) >= 0xF0, (want >> shift & 0xFF) == 0xFF)
                << "bar " << i << " channel at bit " << shift << " reads " << std::hex << got;
    }
}

struct Case
{
    const char* name;
    int width, height, fullScreenDepth;
};

TEST(RealDisplayTest, PatternReachesTheWindowWindowedAndFullScreen)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display";
    SetVideoBackend(VideoBackend::Sdl);
    const int desktopW = GetSystemMetrics(SM_CXSCREEN), desktopH = GetSystemMetrics(SM_CYSCREEN);
    SetWindowCapture(true);
    struct StopCapture
    {
        ~StopCapture() { SetWindowCapture(false); }
    } stopCapture;

    const Case cases[] = {{"800x600", 800, 600, 32}, {"320x240", 320, 240, 16}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto window = Window::Create("Ember Cook display check", 0, 0, c.width, c.height);
        if (!window) GTEST_SKIP() << "no SDL window could be made on " << display;
        window->Show(true);
        DisplayApp app;
        app.mWidth = c.width;
        app.mHeight = c.height;
        app.mColorDepth = c.fullScreenDepth;
        app.mSyncDrawing = false;
        DDInterface dd(&app);

        Pattern pattern;
        const std::vector<uint32_t> sprite = SpritePixels(48), checker = CheckerPixels(48);
        pattern.sprite.SetBits(sprite.data(), 48, 48);
        pattern.font = std::make_unique<SysFont>(nullptr, "Arial", c.width >= 640 ? 24 : 10, true);

        for (const bool windowed : {true, false})
        {
            const std::string shotName = std::string(windowed ? "windowed-" : "fullscreen-") + c.name + "x" +
                                         std::to_string(windowed ? 32 : c.fullScreenDepth);
            SCOPED_TRACE(shotName);
            ASSERT_EQ(dd.Init(window.get(), windowed), 0) << dd.mErrorString;
            ASSERT_NE(dd.GetScreenImage(), nullptr);
            // Surface images belong to the device they were made on; remake the checker after each Init.
            pattern.checker = std::make_unique<DDImage>(&dd);
            pattern.checker->SetBits(checker.data(), 48, 48);
            EXPECT_TRUE(pattern.checker->CreateSurfaceFromBits());
            {
                Graphics g(dd.GetScreenImage());
                DrawPattern(g, c.width, c.height, pattern);
            }
            // The window system applies a size change between frames: the first present after a switch may
            // still meet the old window, the next one shows the picture as the player sees it.
            ASSERT_TRUE(dd.Redraw(nullptr)) << dd.mErrorString;
            PumpPendingPresents();
            ASSERT_TRUE(dd.Redraw(nullptr)) << dd.mErrorString;
            const PresentedFrame frame = LastPresentedFrame();
            const PresentedFrame shot = LastWindowCapture();
            ASSERT_EQ(frame.width, c.width);
            ASSERT_EQ(frame.height, c.height);
            EXPECT_EQ(frame.bitsPerPixel, windowed ? 32 : c.fullScreenDepth);

            int k = 1, ox = 0, oy = 0;
            if (windowed)
            {
                // The window is the picture scaled by the largest whole factor the desktop holds.
                k = std::max(1, shot.width / c.width);
                EXPECT_EQ(shot.width, c.width * k);
                EXPECT_EQ(shot.height, c.height * k);
                EXPECT_LE(shot.width, desktopW);
                EXPECT_LE(shot.height, desktopH);
                if (desktopW == 1024 && desktopH == 768)
                {
                    EXPECT_EQ(k, c.width == 800 ? 1 : 3);
                }
            }
            else
            {
                // Full screen covers the desktop; the picture fills it by the largest factor that keeps its
                // aspect, centred with black around it: sharp when the factor is whole, smoothed otherwise.
                EXPECT_EQ(shot.width, desktopW);
                EXPECT_EQ(shot.height, desktopH);
                k = std::max(1, std::min(desktopW / c.width, desktopH / c.height));
                const double factor = std::min(double(desktopW) / c.width, double(desktopH) / c.height);
                if (factor >= k + 0.01)
                {
                    const int w = int(c.width * factor), h = int(c.height * factor);
                    EXPECT_EQ(window->ShownWidth(), w);
                    EXPECT_EQ(window->ShownHeight(), h);
                    EXPECT_EQ(window->LetterboxOffset().x, (desktopW - w) / 2);
                    EXPECT_EQ(window->LetterboxOffset().y, (desktopH - h) / 2);
                    CheckSmoothedPicture(shot, frame, (desktopW - w) / 2, (desktopH - h) / 2, w, h);
                    SaveScreenshot(shot, shotName);
                    continue;
                }
                ox = (desktopW - c.width * k) / 2;
                oy = (desktopH - c.height * k) / 2;
                EXPECT_EQ(window->LetterboxOffset().x, ox);
                EXPECT_EQ(window->LetterboxOffset().y, oy);
            }
            EXPECT_EQ(window->Scale(), k);
            // A 16-bit texture may be widened to 8 bits by the renderer rather than by repeating the top bits.
            CheckWindowPicture(shot, frame, k, ox, oy, frame.bitsPerPixel == 16 ? 4 : 0);
            SaveScreenshot(shot, shotName);
        }
        pattern.checker.reset();
        dd.Cleanup();
    }
}

} // namespace
