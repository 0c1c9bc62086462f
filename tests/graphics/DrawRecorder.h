// Test helpers for the drawing context and fonts: an image that records the operations it is asked for, and a
// synthetic fixed-width bitmap font built in code.
#pragma once

#include "graphics/FontData.h"
#include "graphics/Image.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"

#include <memory>
#include <string>
#include <vector>

namespace DrawTest
{

struct DrawCall
{
    std::string op;
    Zest::Rect dest; // destination rectangle (or position in x, y)
    Zest::Rect src;  // source rectangle
    Zest::Rect clip;
    Zest::Color color;
    int mode = 0;
    float fx = 0, fy = 0;
    double angle = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    float cx = 0, cy = 0;
    Zest::Image* image = nullptr;
};

// A destination that only records what reaches it.
class RecordingImage : public Zest::Image
{
public:
    RecordingImage(int w, int h)
    {
        mWidth = w;
        mHeight = h;
    }

    std::vector<DrawCall> calls;

    void FillRect(const Zest::Rect& r, const Zest::Color& c, int mode) override
    {
        calls.push_back({"FillRect", r, {}, {}, c, mode});
    }
    void DrawRect(const Zest::Rect& r, const Zest::Color& c, int mode) override
    {
        calls.push_back({"DrawRect", r, {}, {}, c, mode});
    }
    void DrawLine(double x1, double y1, double x2, double y2, const Zest::Color& c, int mode) override
    {
        DrawCall d{"DrawLine", {}, {}, {}, c, mode};
        d.x1 = x1, d.y1 = y1, d.x2 = x2, d.y2 = y2;
        calls.push_back(d);
    }
    void Blt(Zest::Image* src, int x, int y, const Zest::Rect& s, const Zest::Color& c, int mode) override
    {
        DrawCall d{"Blt", {x, y, s.mWidth, s.mHeight}, s, {}, c, mode};
        d.image = src;
        calls.push_back(d);
    }
    void BltMirror(Zest::Image* src, int x, int y, const Zest::Rect& s, const Zest::Color& c, int mode) override
    {
        DrawCall d{"BltMirror", {x, y, s.mWidth, s.mHeight}, s, {}, c, mode};
        d.image = src;
        calls.push_back(d);
    }
    void BltFloat(Zest::Image* src, float x, float y, const Zest::Rect& s, const Zest::Rect& clip, const Zest::Color& c,
                  int mode) override
    {
        DrawCall d{"BltFloat", {}, s, clip, c, mode};
        d.fx = x, d.fy = y, d.image = src;
        calls.push_back(d);
    }
    void BltRotated(Zest::Image* src, float x, float y, const Zest::Rect& s, const Zest::Rect& clip,
                    const Zest::Color& c, int mode, double angle, float cx, float cy) override
    {
        DrawCall d{"BltRotated", {}, s, clip, c, mode};
        d.fx = x, d.fy = y, d.angle = angle, d.cx = cx, d.cy = cy, d.image = src;
        calls.push_back(d);
    }
    void StretchBlt(Zest::Image* src, const Zest::Rect& dest, const Zest::Rect& s, const Zest::Rect& clip,
                    const Zest::Color& c, int mode, bool) override
    {
        DrawCall d{"StretchBlt", dest, s, clip, c, mode};
        d.image = src;
        calls.push_back(d);
    }
    void StretchBltMirror(Zest::Image* src, const Zest::Rect& dest, const Zest::Rect& s, const Zest::Rect& clip,
                          const Zest::Color& c, int mode, bool) override
    {
        DrawCall d{"StretchBltMirror", dest, s, clip, c, mode};
        d.image = src;
        calls.push_back(d);
    }
};

// A source image of the given size whose every pixel is distinct and opaque: 0xFF000000 | (y << 12) | x.
inline std::unique_ptr<Zest::MemoryImage> MakeCodedImage(int w, int h)
{
    auto img = std::make_unique<Zest::MemoryImage>(nullptr);
    std::vector<uint32_t> bits(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bits[size_t(y) * w + x] = 0xFF000000u | (uint32_t(y) << 12) | uint32_t(x);
    img->SetBits(bits.data(), w, h);
    return img;
}

// Fixed-width font: every printable character is kWidth wide, its glyph a solid kWidth x kGlyphHeight block at
// (kWidth * code, 0) of a white strip; ascent 8, padding 1, height 10, line-spacing offset 2 (spacing 12).
constexpr int kWidth = 2;
constexpr int kGlyphHeight = 10;

inline Zest::FontData* MakeFixedFontData(int width = kWidth)
{
    auto* data = new Zest::FontData();
    data->mDefaultPointSize = 10;
    Zest::FontLayer& layer = data->mFontLayerList.emplace_back();
    layer.mLayerName = "Main";
    auto image = std::make_shared<Zest::MemoryImage>(nullptr);
    std::vector<uint32_t> bits(size_t(256) * width * kGlyphHeight, 0xFFFFFFFFu);
    image->SetBits(bits.data(), 256 * width, kGlyphHeight);
    layer.mImage = image;
    for (int c = 32; c < 256; ++c)
    {
        layer.mCharData[c].mImageRect = Zest::Rect(width * c, 0, width, kGlyphHeight);
        layer.mCharData[c].mWidth = width;
    }
    layer.mCharData['\n'].mWidth = width;
    layer.mAscent = 8;
    layer.mAscentPadding = 1;
    layer.mHeight = 10;
    layer.mLineSpacingOffset = 2;
    layer.mDefaultHeight = kGlyphHeight;
    data->mInitialized = true;
    return data;
}

// An image font that also records each DrawString it is asked for.
class RecordingFont : public Zest::ImageFont
{
public:
    struct Draw
    {
        std::string text;
        int x, y;
        Zest::Color color;
    };
    std::vector<Draw> draws;

    explicit RecordingFont(Zest::FontData* data) : Zest::ImageFont(data) {}
    void DrawString(Zest::Graphics* g, int x, int y, const std::string& text, const Zest::Color& color,
                    const Zest::Rect& clip) override
    {
        draws.push_back({text, x, y, color});
        Zest::ImageFont::DrawString(g, x, y, text, color, clip);
    }
};

} // namespace DrawTest
