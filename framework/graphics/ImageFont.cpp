// The bitmap font: choosing and rescaling layers, measuring with kerning, and drawing glyphs in order buckets.
#include "graphics/ImageFont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/Common.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Zest
{

namespace
{

// Widths, offsets and metrics come from font files and may be anything an int holds: sums and scaled values
// saturate at the ends of the int range instead of overflowing.
int Saturate(int64_t v)
{
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int Trunc(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int>(std::trunc(v));
}

int Clamp8(int64_t v)
{
    return static_cast<int>(std::clamp<int64_t>(v, 0, 255));
}

// The shared glyph pool and order buckets of DrawStringEx; used only under the font lock.
struct GlyphRecord
{
    Image* mImage;
    int mX;
    int mY;
    Rect mSrc;
    int mDrawMode;
    Color mColor;
    int mNext;
};

struct GlyphPool
{
    GlyphRecord mRecords[ImageFont::kMaxGlyphRecords];
    int mHeads[256];
    int mTails[256];
};

GlyphPool& SharedGlyphPool()
{
    static GlyphPool pool;
    return pool;
}

// Lays the glyphs of a string out as DrawStringEx draws them, pen x and baseline y, at most maxRecords glyph
// records: glyph(active, layer, charData, mapped character, glyph x, glyph y) for each record in order. The pen
// after the last character.
template <typename Glyph>
int LayOut(ImageFont& font, int x, int y, const std::string& text, int maxRecords, Glyph&& glyph)
{
    const auto& map = font.mFontData->mCharMap;
    int pen = x;
    int used = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n && used < maxRecords; ++i)
    {
        const unsigned char c = map[static_cast<unsigned char>(text[i])];
        const unsigned char next = i + 1 < n ? map[static_cast<unsigned char>(text[i + 1])] : 0;
        int bestPen = pen;
        bool anyCandidate = false;
        for (const ActiveFontLayer& active : font.mActiveLayerList)
        {
            if (used >= maxRecords) break;
            const FontLayer& layer = *active.mBaseFontLayer;
            const CharData& cd = layer.mCharData[c];
            // The same floating ratio as measuring and layer building, so drawn and measured widths agree.
            const double s = layer.mPointSize == 0 ? font.mScale : font.mScale * font.mPointSize / layer.mPointSize;
            int gx, gy, advance, kern = 0;
            if (s == 1.0)
            {
                gx = Saturate(int64_t(pen) + cd.mOffset.mX + layer.mOffsetX);
                gy = Saturate(int64_t(y) + cd.mOffset.mY - layer.mAscent + layer.mOffsetY);
                advance = cd.mWidth;
                if (next != 0) kern = Saturate(int64_t(cd.mKerningOffsets[next]) + layer.mSpacing);
            }
            else
            {
                gx = Saturate(int64_t(pen) + Trunc((int64_t(cd.mOffset.mX) + layer.mOffsetX) * s));
                gy = Saturate(int64_t(y) - Trunc((int64_t(layer.mAscent) - cd.mOffset.mY - layer.mOffsetY) * s));
                advance = Trunc(cd.mWidth * s);
                if (next != 0) kern = Trunc((int64_t(cd.mKerningOffsets[next]) + layer.mSpacing) * s);
            }
            ++used;
            glyph(active, layer, cd, c, gx, gy);
            const int candidate = Saturate(int64_t(pen) + advance + kern);
            bestPen = anyCandidate ? std::max(bestPen, candidate) : candidate;
            anyCandidate = true;
        }
        if (anyCandidate) pen = bestPen;
    }
    return pen;
}

} // namespace

ActiveFontLayer::~ActiveFontLayer()
{
    if (mOwnsImage) delete mScaledImage;
}

ImageFont::ImageFont(ImageHost* host, const std::string& descriptorPath) : mHost(host)
{
    mFontData = new FontData();
    mFontData->AddRef();
    // A font that does not load keeps its error text and draws nothing; the resource manager reports it.
    [[maybe_unused]] const bool loaded = mFontData->Load(host, descriptorPath);
    mPointSize = mFontData->mDefaultPointSize;
    BuildActiveLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(ImageHost* host, Image* image, const std::string& widthsFile) : mHost(host)
{
    mFontData = new FontData();
    mFontData->AddRef();
    // A font that does not load keeps its error text and draws nothing; the resource manager reports it.
    [[maybe_unused]] const bool loaded = mFontData->LoadLegacy(host, image, widthsFile);
    mPointSize = mFontData->mDefaultPointSize;
    BuildActiveLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(FontData* data) : mFontData(data)
{
    mFontData->AddRef();
    mHost = mFontData->mHost;
    mPointSize = mFontData->mDefaultPointSize;
    BuildActiveLayers();
    mActiveListValid = true;
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other), mFontData(other.mFontData), mPointSize(other.mPointSize), mTagVector(other.mTagVector),
      mScale(other.mScale), mForceScaledImagesWhite(other.mForceScaledImagesWhite), mHost(other.mHost)
{
    mFontData->AddRef();
    // Layers that only point into the font data can be shared; a rescaled image belongs to one font, so a copy
    // of such a font rebuilds its own on first use.
    bool anyOwned = std::any_of(other.mActiveLayerList.begin(), other.mActiveLayerList.end(),
                                [](const ActiveFontLayer& l) { return l.mOwnsImage; });
    mActiveListValid = other.mActiveListValid && !anyOwned;
    if (mActiveListValid)
    {
        for (const ActiveFontLayer& l : other.mActiveLayerList)
        {
            ActiveFontLayer& copy = mActiveLayerList.emplace_back();
            copy.mBaseFontLayer = l.mBaseFontLayer;
            copy.mScaledImage = l.mScaledImage;
            copy.mScaledCharImageRects = l.mScaledCharImageRects;
        }
    }
}

ImageFont::~ImageFont()
{
    mActiveLayerList.clear();
    if (mFontData != nullptr) mFontData->Release();
}

std::recursive_mutex& ImageFont::FontLock()
{
    static std::recursive_mutex lock;
    return lock;
}

std::unique_ptr<Font> ImageFont::Duplicate()
{
    return std::make_unique<ImageFont>(*this);
}

void ImageFont::Prepare()
{
    std::lock_guard<std::recursive_mutex> guard(FontLock());
    if (!mActiveListValid)
    {
        BuildActiveLayers();
        mActiveListValid = true;
    }
}

void ImageFont::BuildActiveLayers()
{
    mStamp.Renew();
    mActiveLayerList.clear();
    mAscent = mAscentPadding = mHeight = mLineSpacingOffset = 0;
    bool first = true;
    for (FontLayer& layer : mFontData->mFontLayerList)
    {
        if (layer.mMinPointSize != -1 && layer.mMinPointSize > mPointSize) continue;
        if (layer.mMaxPointSize != -1 && mPointSize > layer.mMaxPointSize) continue;
        bool tagsOk = std::all_of(layer.mRequiredTags.begin(), layer.mRequiredTags.end(),
                                  [&](const std::string& t)
                                  { return std::find(mTagVector.begin(), mTagVector.end(), t) != mTagVector.end(); });
        tagsOk = tagsOk && std::none_of(mTagVector.begin(), mTagVector.end(),
                                        [&](const std::string& t) {
                                            return std::find(layer.mExcludedTags.begin(), layer.mExcludedTags.end(),
                                                             t) != layer.mExcludedTags.end();
                                        });
        if (!tagsOk) continue;

        double m = mScale;
        double d = 1.0;
        if (layer.mPointSize != 0)
        {
            m = mPointSize * mScale;
            d = layer.mPointSize;
        }
        auto scaled = [&](int v) { return Trunc(v * m / d); };

        ActiveFontLayer& active = mActiveLayerList.emplace_back();
        active.mBaseFontLayer = &layer;
        if (mScale == 1.0 && (layer.mPointSize == 0 || layer.mPointSize == mPointSize))
        {
            active.mScaledImage = layer.mImage.get();
            for (int c = 0; c < 256; ++c) active.mScaledCharImageRects[c] = layer.mCharData[c].mImageRect;
        }
        else
        {
            int64_t totalWidth = 0;
            int maxHeight = 0;
            for (int c = 0; c < 256; ++c)
            {
                const Rect& src = layer.mCharData[c].mImageRect;
                int w = std::max(0, scaled(src.mWidth));
                int h = std::max(0, scaled(src.mHeight));
                active.mScaledCharImageRects[c] =
                    Rect(static_cast<int>(std::min<int64_t>(totalWidth, INT32_MAX)), 0, w, h);
                totalWidth += w;
                maxHeight = std::max(maxHeight, h);
            }
            auto image = std::make_unique<MemoryImage>(mHost);
            // An impossible size leaves the image empty (0x0); its glyphs then draw nothing.
            image->Create(static_cast<int>(std::min<int64_t>(totalWidth, INT32_MAX)), maxHeight);
            if (layer.mImage && image->GetWidth() > 0 && image->GetHeight() > 0)
            {
                image->GetBits();
                Graphics g(image.get());
                for (int c = 0; c < 256; ++c)
                {
                    const Rect& src = layer.mCharData[c].mImageRect;
                    if (src.mWidth > 0 && src.mHeight > 0)
                        g.DrawImage(layer.mImage.get(), active.mScaledCharImageRects[c], src);
                }
                if (mForceScaledImagesWhite)
                {
                    uint32_t* bits = image->GetBits();
                    int64_t count = int64_t(image->GetWidth()) * image->GetHeight();
                    for (int64_t i = 0; i < count; ++i) bits[i] |= 0x00FFFFFF;
                    image->BitsChanged();
                }
                image->ConvertToPalette();
            }
            active.mScaledImage = image.release();
            active.mOwnsImage = true;
        }

        int height = layer.mHeight != 0 ? layer.mHeight : layer.mDefaultHeight;
        int ascent = scaled(layer.mAscent);
        int padding = scaled(layer.mAscentPadding);
        int lineOffset = scaled(layer.mLineSpacingOffset);
        mAscent = first ? ascent : std::max(mAscent, ascent);
        mHeight = first ? scaled(height) : std::max(mHeight, scaled(height));
        mAscentPadding = first ? padding : std::min(mAscentPadding, padding);
        mLineSpacingOffset = first ? lineOffset : std::max(mLineSpacingOffset, lineOffset);
        first = false;
    }
}

namespace
{
// The advance of a character after another (0: none) at the active layers: the widest layer's.
int Advance(const ImageFont& font, char c, char prev)
{
    const auto& map = font.mFontData->mCharMap;
    const unsigned char mc = map[static_cast<unsigned char>(c)];
    const unsigned char mp = prev == 0 ? 0 : map[static_cast<unsigned char>(prev)];
    int best = 0;
    bool any = false;
    for (const ActiveFontLayer& active : font.mActiveLayerList)
    {
        const FontLayer& layer = *active.mBaseFontLayer;
        double p = font.mPointSize * font.mScale;
        double L = layer.mPointSize;
        if (layer.mPointSize == 0)
        {
            p = font.mScale;
            L = 1.0;
        }
        int width, kern = 0;
        if (p == L && std::fabs(L) < double(1 << 20))
        {
            // Unscaled: v * p / L is v exactly for every v of a font file (the product needs under 53 bits).
            width = layer.mCharData[mc].mWidth;
            if (mp != 0) kern = Saturate(int64_t(layer.mCharData[mp].mKerningOffsets[mc]) + layer.mSpacing);
        }
        else
        {
            width = Trunc(layer.mCharData[mc].mWidth * p / L);
            if (mp != 0) kern = Trunc((int64_t(layer.mCharData[mp].mKerningOffsets[mc]) + layer.mSpacing) * p / L);
        }
        const int advance = Saturate(int64_t(width) + kern);
        best = any ? std::max(best, advance) : advance;
        any = true;
    }
    return best;
}
} // namespace

int ImageFont::StringWidth(const std::string& text)
{
    Prepare();
    int64_t width = 0;
    char prev = 0;
    for (char c : text)
    {
        width += Advance(*this, c, prev);
        prev = c;
    }
    return Saturate(width);
}

int ImageFont::CharWidth(char c)
{
    return CharAdvanceKerned(c, 0);
}

int ImageFont::CharAdvanceKerned(char c, char prev)
{
    Prepare();
    return Advance(*this, c, prev);
}

void ImageFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip)
{
    DrawStringEx(g, x, y, text, color, clip, nullptr, nullptr);
}

void ImageFont::DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&,
                             std::list<Rect>* glyphRects, int* outWidth)
{
    std::lock_guard<std::recursive_mutex> guard(FontLock());
    GlyphPool& pool = SharedGlyphPool();
    std::fill(std::begin(pool.mHeads), std::end(pool.mHeads), -1);
    std::fill(std::begin(pool.mTails), std::end(pool.mTails), -1);
    if (glyphRects != nullptr) glyphRects->clear();

    if (!IsLoaded())
    {
        if (outWidth != nullptr) *outWidth = 0;
        return;
    }

    Prepare();
    const Color savedColor = g->GetColor();
    const bool savedColorize = g->GetColorizeImages();
    g->SetColorizeImages(true);
    const Color base = color.Clamped();

    int used = 0;
    const int pen = LayOut(
        *this, x, y, text, kMaxGlyphRecords,
        [&](const ActiveFontLayer& active, const FontLayer& layer, const CharData& cd, unsigned char c, int gx, int gy)
        {
            const Color& mult = layer.mColorMult;
            const Color& add = layer.mColorAdd;
            Color glyphColor(Clamp8(int64_t(mult.mRed) * base.mRed / 255 + add.mRed),
                             Clamp8(int64_t(mult.mGreen) * base.mGreen / 255 + add.mGreen),
                             Clamp8(int64_t(mult.mBlue) * base.mBlue / 255 + add.mBlue),
                             Clamp8(int64_t(mult.mAlpha) * base.mAlpha / 255 + add.mAlpha));

            const int index = used++;
            GlyphRecord& rec = pool.mRecords[index];
            rec = GlyphRecord{active.mScaledImage, gx,         gy, active.mScaledCharImageRects[c],
                              layer.mDrawMode,     glyphColor, -1};
            const int bucket =
                static_cast<int>(std::clamp<int64_t>(int64_t(cd.mOrder) + layer.mBaseOrder + 128, 0, 255));
            if (pool.mTails[bucket] < 0)
                pool.mHeads[bucket] = index;
            else
                pool.mRecords[pool.mTails[bucket]].mNext = index;
            pool.mTails[bucket] = index;

            if (glyphRects != nullptr) glyphRects->push_back(Rect(gx, gy, rec.mSrc.mWidth, rec.mSrc.mHeight));
        });
    if (outWidth != nullptr) *outWidth = Saturate(int64_t(pen) - x);

    for (int bucket = 0; bucket < 256; ++bucket)
    {
        for (int r = pool.mHeads[bucket]; r >= 0; r = pool.mRecords[r].mNext)
        {
            const GlyphRecord& rec = pool.mRecords[r];
            const int oldMode = g->GetDrawMode();
            if (rec.mDrawMode != -1) g->SetDrawMode(rec.mDrawMode);
            g->SetColor(rec.mColor);
            if (rec.mImage != nullptr) g->DrawImage(rec.mImage, rec.mX, rec.mY, rec.mSrc);
            g->SetDrawMode(oldMode);
        }
    }

    g->SetColor(savedColor);
    g->SetColorizeImages(savedColorize);
}

bool ImageFont::TextInk(int x, int y, const std::string& text, Rect& box, uint64_t& stamp)
{
    std::lock_guard<std::recursive_mutex> guard(FontLock());
    box = Rect();
    if (!IsLoaded())
    {
        stamp = mStamp.Value();
        return true;
    }
    Prepare();
    // The glyph pictures as they are now: each picture's change count joins the stamp. One whose pixels change
    // without counting (on a display surface) or of an unknown kind leaves the text to be noted glyph by glyph.
    uint64_t mixed = mStamp.Value();
    for (const ActiveFontLayer& active : mActiveLayerList)
    {
        if (active.mScaledImage == nullptr) continue;
        auto* memory = dynamic_cast<MemoryImage*>(active.mScaledImage);
        if (memory == nullptr || memory->PixelsOnSurface()) return false;
        mixed = (mixed ^ memory->mChangeCount) * 0x9e3779b97f4a7c15ULL;
        mixed ^= mixed >> 29;
    }
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    LayOut(*this, x, y, text, kMaxGlyphRecords,
           [&](const ActiveFontLayer& active, const FontLayer&, const CharData&, unsigned char c, int gx, int gy)
           {
               const Rect& src = active.mScaledCharImageRects[c];
               if (active.mScaledImage == nullptr || src.mWidth <= 0 || src.mHeight <= 0) return;
               left = std::min<int64_t>(left, gx);
               top = std::min<int64_t>(top, gy);
               right = std::max<int64_t>(right, int64_t(gx) + src.mWidth);
               bottom = std::max<int64_t>(bottom, int64_t(gy) + src.mHeight);
           });
    stamp = mixed;
    if (left >= right) return true;
    // Far off the screen: left to the glyph by glyph notes, which need no care for the int range.
    constexpr int64_t kFar = int64_t(1) << 24;
    if (left < -kFar || top < -kFar || right > kFar || bottom > kFar) return false;
    box = Rect(int(left), int(top), int(right - left), int(bottom - top));
    return true;
}

void ImageFont::SetPointSize(int pointSize)
{
    mPointSize = pointSize;
    mActiveListValid = false;
}

void ImageFont::SetScale(double scale)
{
    mScale = scale;
    mActiveListValid = false;
}

int ImageFont::GetDefaultPointSize() const
{
    return mFontData->mDefaultPointSize;
}

bool ImageFont::AddTag(const std::string& tag)
{
    mTagVector.push_back(StringToUpper(tag));
    mActiveListValid = false;
    return true;
}

bool ImageFont::RemoveTag(const std::string& tag)
{
    auto it = std::find(mTagVector.begin(), mTagVector.end(), StringToUpper(tag));
    if (it == mTagVector.end()) return false;
    mTagVector.erase(it);
    mActiveListValid = false;
    return true;
}

bool ImageFont::HasTag(const std::string& tag) const
{
    return std::find(mTagVector.begin(), mTagVector.end(), StringToUpper(tag)) != mTagVector.end();
}

std::string ImageFont::LookupDefinition(const std::string& name)
{
    return mFontData->LookupDefinition(name);
}

} // namespace Zest
