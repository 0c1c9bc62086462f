// The system font over FreeType: Latin-1 glyphs of a DejaVu Sans face rendered once per size and style into a
// white alpha atlas that every font of that face, size and style shares.
#include "graphics/SysFont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/FontLookup.h"

namespace Zest
{

// Everything one face, size and style gives, made once and shared by the fonts that use it.
struct SysFont::Rendered
{
    std::string facePath;
    bool loaded = false;
    int ascent = 0;
    int height = 0;
    int underlinePosition = 1; // below the baseline
    int underlineThickness = 1;
    std::array<Glyph, 256> glyphs;
    std::unique_ptr<MemoryImage> atlas;
};

namespace
{

constexpr const char* kFamily = "DejaVu Sans";
constexpr int kAtlasWidth = 512;
// Atlases up to this many pixels stay for the life of the program once made (a few default sizes of a few hundred
// kilobytes); larger ones live only as long as a font uses them.
constexpr int64_t kKeptAtlasPixels = int64_t(1) << 20;

// FreeType library objects are not safe to share between threads while faces are made and rendered.
std::mutex& FreeTypeLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<SysFont::Rendered> Render(ImageHost* host, const std::string& facePath, int pixels)
{
    auto out = std::make_shared<SysFont::Rendered>();
    out->facePath = facePath;
    if (facePath.empty() || pixels < 1 || pixels > 1024) return out;

    struct Bitmap
    {
        int width = 0;
        int rows = 0;
        std::vector<uint8_t> alpha;
    };
    std::array<Bitmap, 256> bitmaps;
    std::array<SysFont::Glyph, 256>& glyphs = out->glyphs;

    {
        std::lock_guard<std::mutex> guard(FreeTypeLock());
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0) return out;
        FT_Face face = nullptr;
        if (FT_New_Face(library, facePath.c_str(), 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, pixels) != 0)
        {
            if (face != nullptr) FT_Done_Face(face);
            FT_Done_FreeType(library);
            out->facePath.clear();
            return out;
        }
        const FT_Size_Metrics& metrics = face->size->metrics;
        out->ascent = static_cast<int>((metrics.ascender + 63) >> 6);
        const int descent = static_cast<int>((-metrics.descender + 63) >> 6);
        out->height = out->ascent + descent;
        if (FT_IS_SCALABLE(face))
        {
            long pos = FT_MulFix(face->underline_position, metrics.y_scale);
            long thick = FT_MulFix(face->underline_thickness, metrics.y_scale);
            out->underlinePosition = std::max(1, static_cast<int>(std::lround(-pos / 64.0)));
            out->underlineThickness = std::max(1, static_cast<int>(std::lround(thick / 64.0)));
        }

        for (int c = 1; c < 256; ++c)
        {
            FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
            if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) continue;
            FT_GlyphSlot slot = face->glyph;
            SysFont::Glyph& glyph = glyphs[c];
            glyph.mAdvance = static_cast<int>((slot->advance.x + 32) >> 6);
            glyph.mLeft = slot->bitmap_left;
            glyph.mTop = slot->bitmap_top;
            const FT_Bitmap& bm = slot->bitmap;
            if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) continue;
            Bitmap& bitmap = bitmaps[c];
            bitmap.width = static_cast<int>(bm.width);
            bitmap.rows = static_cast<int>(bm.rows);
            bitmap.alpha.resize(size_t(bitmap.width) * bitmap.rows);
            for (int row = 0; row < bitmap.rows; ++row)
            {
                const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch;
                std::copy(src, src + bitmap.width, bitmap.alpha.begin() + ptrdiff_t(row) * bitmap.width);
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
        glyphs[c].mRect = Rect(x, y, bm.width, bm.rows);
        x += bm.width + 1;
        shelf = std::max(shelf, bm.rows);
    }
    auto atlas = std::make_unique<MemoryImage>(host);
    atlas->Create(atlasWidth, std::max(1, y + shelf));
    uint32_t* bits = atlas->GetBits();
    // A size whose atlas the image refuses (too many pixels) leaves the font unloaded rather than half-written.
    if (bits == nullptr || atlas->GetWidth() != atlasWidth || atlas->GetHeight() != std::max(1, y + shelf))
    {
        out->glyphs = {};
        out->ascent = out->height = 0;
        return out;
    }
    std::fill(bits, bits + size_t(atlas->GetWidth()) * atlas->GetHeight(), 0u);
    for (int c = 0; c < 256; ++c)
    {
        const Bitmap& bm = bitmaps[c];
        const Rect& r = glyphs[c].mRect;
        for (int row = 0; row < bm.rows && !bm.alpha.empty(); ++row)
            for (int col = 0; col < bm.width; ++col)
            {
                uint32_t a = bm.alpha[size_t(row) * bm.width + col];
                bits[size_t(r.mY + row) * size_t(atlasWidth) + size_t(r.mX + col)] =
                    a == 0 ? 0u : (a << 24) | 0x00FFFFFFu;
            }
    }
    atlas->BitsChanged();
    out->atlas = std::move(atlas);
    out->loaded = true;
    return out;
}

// The rendered faces by host, file and pixel size. Fonts hold their atlas; the register keeps small ones for
// later fonts (a dialog opened again finds its fonts made) and only remembers large ones while they are in use.
std::shared_ptr<SysFont::Rendered> SharedRendering(ImageHost* host, bool bold, bool italic, int pixels)
{
    struct Entry
    {
        std::shared_ptr<SysFont::Rendered> kept;
        std::weak_ptr<SysFont::Rendered> used;
    };
    static std::mutex lock;
    static std::map<std::tuple<ImageHost*, bool, bool, int>, Entry> faces;
    // Rendering happens under the register's lock, so that two threads asking for one face render it once.
    std::lock_guard<std::mutex> guard(lock);
    Entry& entry = faces[std::make_tuple(host, bold, italic, pixels)];
    if (entry.kept) return entry.kept;
    if (auto alive = entry.used.lock()) return alive;
    const std::string path = Platform::FindFontFile(kFamily, bold, italic).path;
    auto rendered = Render(host, path, pixels);
    entry.used = rendered;
    const MemoryImage* atlas = rendered->atlas.get();
    if (!atlas || int64_t(atlas->GetWidth()) * atlas->GetHeight() <= kKeptAtlasPixels) entry.kept = rendered;
    return rendered;
}

} // namespace

int SysFont::PixelSizeForPoints(int pointSize)
{
    return static_cast<int>(std::lround(pointSize * 96.0 / 72.0));
}

SysFont::SysFont(ImageHost* host, const std::string& faceName, int pointSize, bool bold, bool italic, bool underline)
    : mFace(faceName), mPointSize(pointSize), mBold(bold), mItalic(italic), mUnderline(underline), mHost(host)
{
    // Whatever face is asked for, the shapes come from DejaVu Sans in the matching style.
    Attach(SharedRendering(mHost, mBold, mItalic, PixelSizeForPoints(mPointSize)));
}

SysFont::SysFont(const SysFont& other)
    : Font(), mFace(other.mFace), mPointSize(other.mPointSize), mBold(other.mBold), mItalic(other.mItalic),
      mUnderline(other.mUnderline), mDrawShadow(other.mDrawShadow), mSimulateBold(other.mSimulateBold),
      mHost(other.mHost)
{
    Attach(other.mRendered);
}

SysFont::~SysFont() = default;

std::unique_ptr<Font> SysFont::Duplicate()
{
    return std::make_unique<SysFont>(*this);
}

void SysFont::Attach(std::shared_ptr<Rendered> rendered)
{
    mRendered = std::move(rendered);
    mAscentPadding = mLineSpacingOffset = 0;
    mAscent = mRendered->ascent;
    mHeight = mRendered->height;
}

bool SysFont::IsLoaded() const
{
    return mRendered->loaded;
}

const std::string& SysFont::GetFacePath() const
{
    return mRendered->facePath;
}

const MemoryImage* SysFont::GetAtlas() const
{
    return mRendered->atlas.get();
}

int SysFont::StringWidth(const std::string& text)
{
    int width = 0;
    for (char c : text) width += mRendered->glyphs[static_cast<unsigned char>(c)].mAdvance;
    return width;
}

int SysFont::CharWidth(char c)
{
    return mRendered->glyphs[static_cast<unsigned char>(c)].mAdvance;
}

void SysFont::DrawGlyphs(Graphics* g, int x, int y, const std::string& text)
{
    int pen = x;
    for (char ch : text)
    {
        const Glyph& glyph = mRendered->glyphs[static_cast<unsigned char>(ch)];
        if (glyph.mRect.mWidth > 0)
            g->DrawImage(mRendered->atlas.get(), pen + glyph.mLeft, y - glyph.mTop, glyph.mRect);
        pen += glyph.mAdvance;
    }
}

void SysFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& textColor, const Rect&)
{
    if (!mRendered->atlas || g == nullptr) return;
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
        if (mUnderline)
            g->FillRect(px, py + mRendered->underlinePosition, width + (mSimulateBold ? 1 : 0),
                        mRendered->underlineThickness);
    };
    if (mDrawShadow) pass(x + 1, y + 1, Color(0, 0, 0, color.mAlpha));
    pass(x, y, color);

    g->SetColor(savedColor);
    g->SetColorizeImages(savedColorize);
}

} // namespace Zest
