// The system font over FreeType: Latin-1 glyphs of a DejaVu Sans face rendered once into a white alpha atlas.
#include "graphics/SysFont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Zest
{

namespace
{

constexpr const char* kFontFolder = "/usr/share/fonts/truetype/dejavu/";
constexpr int kAtlasWidth = 512;

// FreeType library objects are not safe to share between threads while faces are made and rendered.
std::mutex& FreeTypeLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

int SysFont::PixelSizeForPoints(int pointSize)
{
    return static_cast<int>(std::lround(pointSize * 96.0 / 72.0));
}

SysFont::SysFont(ImageHost* host, const std::string& faceName, int pointSize, bool bold, bool italic, bool underline)
    : mFace(faceName), mPointSize(pointSize), mBold(bold), mItalic(italic), mUnderline(underline), mHost(host)
{
    Render();
}

SysFont::SysFont(const SysFont& other)
    : Font(), mFace(other.mFace), mPointSize(other.mPointSize), mBold(other.mBold), mItalic(other.mItalic),
      mUnderline(other.mUnderline), mDrawShadow(other.mDrawShadow), mSimulateBold(other.mSimulateBold),
      mHost(other.mHost)
{
    Render();
}

SysFont::~SysFont() = default;

std::unique_ptr<Font> SysFont::Duplicate()
{
    return std::make_unique<SysFont>(*this);
}

void SysFont::Render()
{
    mLoaded = false;
    mGlyphs = {};
    mAtlas.reset();
    mAscent = mAscentPadding = mHeight = mLineSpacingOffset = 0;

    // Whatever face is asked for, the shapes come from DejaVu Sans in the matching style.
    std::string file = "DejaVuSans";
    if (mBold && mItalic)
        file += "-BoldOblique";
    else if (mBold)
        file += "-Bold";
    else if (mItalic)
        file += "-Oblique";
    mFacePath = std::string(kFontFolder) + file + ".ttf";

    int pixels = PixelSizeForPoints(mPointSize);
    if (pixels < 1 || pixels > 1024) return;

    struct Bitmap
    {
        int width = 0;
        int rows = 0;
        std::vector<uint8_t> alpha;
    };
    std::array<Bitmap, 256> bitmaps;

    {
        std::lock_guard<std::mutex> guard(FreeTypeLock());
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0) return;
        FT_Face face = nullptr;
        if (FT_New_Face(library, mFacePath.c_str(), 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, pixels) != 0)
        {
            if (face != nullptr) FT_Done_Face(face);
            FT_Done_FreeType(library);
            mFacePath.clear();
            return;
        }
        const FT_Size_Metrics& metrics = face->size->metrics;
        mAscent = static_cast<int>((metrics.ascender + 63) >> 6);
        int descent = static_cast<int>((-metrics.descender + 63) >> 6);
        mHeight = mAscent + descent;
        if (FT_IS_SCALABLE(face))
        {
            long pos = FT_MulFix(face->underline_position, metrics.y_scale);
            long thick = FT_MulFix(face->underline_thickness, metrics.y_scale);
            mUnderlinePosition = std::max(1, static_cast<int>(std::lround(-pos / 64.0)));
            mUnderlineThickness = std::max(1, static_cast<int>(std::lround(thick / 64.0)));
        }

        for (int c = 1; c < 256; ++c)
        {
            FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
            if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) continue;
            FT_GlyphSlot slot = face->glyph;
            Glyph& glyph = mGlyphs[c];
            glyph.mAdvance = static_cast<int>((slot->advance.x + 32) >> 6);
            glyph.mLeft = slot->bitmap_left;
            glyph.mTop = slot->bitmap_top;
            const FT_Bitmap& bm = slot->bitmap;
            if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) continue;
            Bitmap& out = bitmaps[c];
            out.width = static_cast<int>(bm.width);
            out.rows = static_cast<int>(bm.rows);
            out.alpha.resize(size_t(out.width) * out.rows);
            for (int row = 0; row < out.rows; ++row)
            {
                const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch;
                std::copy(src, src + out.width, out.alpha.begin() + ptrdiff_t(row) * out.width);
            }
        }
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }

    // Shelf packing, one pixel apart so that bilinear or stretched draws never pick up a neighbour. At large sizes
    // a single glyph can be wider than the usual atlas row: the atlas then widens to hold the widest glyph, and to
    // about the side of a square of all the glyphs so that the shelves do not hold one glyph each.
    int atlasWidth = kAtlasWidth;
    int64_t area = 0;
    for (const Bitmap& bm : bitmaps)
    {
        atlasWidth = std::max(atlasWidth, bm.width);
        if (!bm.alpha.empty()) area += int64_t(bm.width + 1) * (bm.rows + 1);
    }
    atlasWidth = std::max(atlasWidth, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(area)))));
    int x = 0, y = 0, shelf = 0;
    for (int c = 0; c < 256; ++c)
    {
        const Bitmap& bm = bitmaps[c];
        if (bm.alpha.empty()) continue;
        if (x + bm.width > atlasWidth)
        {
            x = 0;
            y += shelf + 1;
            shelf = 0;
        }
        mGlyphs[c].mRect = Rect(x, y, bm.width, bm.rows);
        x += bm.width + 1;
        shelf = std::max(shelf, bm.rows);
    }
    mAtlas = std::make_unique<MemoryImage>(mHost);
    mAtlas->Create(atlasWidth, std::max(1, y + shelf));
    uint32_t* bits = mAtlas->GetBits();
    // A size whose atlas the image refuses (too many pixels) leaves the font unloaded rather than half-written.
    if (bits == nullptr || mAtlas->GetWidth() != atlasWidth || mAtlas->GetHeight() != std::max(1, y + shelf))
    {
        mAtlas.reset();
        return;
    }
    std::fill(bits, bits + size_t(mAtlas->GetWidth()) * mAtlas->GetHeight(), 0u);
    for (int c = 0; c < 256; ++c)
    {
        const Bitmap& bm = bitmaps[c];
        const Rect& r = mGlyphs[c].mRect;
        for (int row = 0; row < bm.rows && !bm.alpha.empty(); ++row)
            for (int col = 0; col < bm.width; ++col)
            {
                uint32_t a = bm.alpha[size_t(row) * bm.width + col];
                bits[size_t(r.mY + row) * size_t(atlasWidth) + size_t(r.mX + col)] =
                    a == 0 ? 0u : (a << 24) | 0x00FFFFFFu;
            }
    }
    mAtlas->BitsChanged();
    mLoaded = true;
}

int SysFont::StringWidth(const std::string& text)
{
    int width = 0;
    for (char c : text) width += mGlyphs[static_cast<unsigned char>(c)].mAdvance;
    return width;
}

int SysFont::CharWidth(char c)
{
    return mGlyphs[static_cast<unsigned char>(c)].mAdvance;
}

void SysFont::DrawGlyphs(Graphics* g, int x, int y, const std::string& text)
{
    int pen = x;
    for (char ch : text)
    {
        const Glyph& glyph = mGlyphs[static_cast<unsigned char>(ch)];
        if (glyph.mRect.mWidth > 0) g->DrawImage(mAtlas.get(), pen + glyph.mLeft, y - glyph.mTop, glyph.mRect);
        pen += glyph.mAdvance;
    }
}

void SysFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& textColor, const Rect&)
{
    if (!mAtlas || g == nullptr) return;
    // The caller may hand in the context's own colour, which the passes below change.
    const Color color = textColor;
    const Color savedColor = g->GetColor();
    const bool savedColorize = g->GetColorizeImages();
    g->SetColorizeImages(true);
    const int width = StringWidth(text);

    auto pass = [&](int px, int py, const Color& c)
    {
        g->SetColor(c);
        DrawGlyphs(g, px, py, text);
        if (mSimulateBold) DrawGlyphs(g, px + 1, py, text);
        if (mUnderline) g->FillRect(px, py + mUnderlinePosition, width + (mSimulateBold ? 1 : 0), mUnderlineThickness);
    };
    if (mDrawShadow) pass(x + 1, y + 1, Color(0, 0, 0, color.mAlpha));
    pass(x, y, color);

    g->SetColor(savedColor);
    g->SetColorizeImages(savedColorize);
}

} // namespace Zest
