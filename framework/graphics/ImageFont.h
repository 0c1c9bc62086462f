// Zest::ImageFont: the bitmap font drawn from glyph images, with layers chosen by point size and tags.
#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/Font.h"
#include "graphics/FontData.h"

namespace Zest
{

class Image;
class ImageHost;

class ActiveFontLayer
{
public:
    FontLayer* mBaseFontLayer = nullptr;
    Image* mScaledImage = nullptr;
    bool mOwnsImage = false;
    std::array<Rect, 256> mScaledCharImageRects;

    ActiveFontLayer() = default;
    ActiveFontLayer(const ActiveFontLayer&) = delete;
    ActiveFontLayer& operator=(const ActiveFontLayer&) = delete;
    virtual ~ActiveFontLayer();
};

class ImageFont : public Font
{
public:
    // Glyph records one DrawStringEx call may use (characters x active layers).
    static constexpr int kMaxGlyphRecords = 4096;

    ImageFont(ImageHost* host, const std::string& descriptorPath);
    // The legacy form: one layer cut from an image strip by a widths file; the image stays the caller's.
    ImageFont(ImageHost* host, Image* image, const std::string& widthsFile);
    // A font over data already loaded or built in code; takes a reference.
    explicit ImageFont(FontData* data);
    ImageFont(const ImageFont& other);
    ImageFont& operator=(const ImageFont&) = delete;
    ~ImageFont() override;

    int StringWidth(const std::string& text) override;
    int CharWidth(char c) override;
    int CharAdvanceKerned(char c, char prev) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip) override;
    std::unique_ptr<Font> Duplicate() override;
    bool TextInk(int x, int y, const std::string& text, Rect& box, uint64_t& stamp) override;

    virtual void BuildActiveLayers();
    // y is the baseline; glyphRects receives each glyph's destination rectangle; both outputs may be null.
    virtual void DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip,
                              std::list<Rect>* glyphRects, int* outWidth);
    virtual void SetPointSize(int pointSize);
    virtual int GetPointSize() const { return mPointSize; }
    virtual void SetScale(double scale);
    virtual int GetDefaultPointSize() const;
    virtual bool AddTag(const std::string& tag);
    virtual bool RemoveTag(const std::string& tag);
    virtual bool HasTag(const std::string& tag) const;
    virtual std::string LookupDefinition(const std::string& name);
    // Rebuilds the active layers when they are stale.
    virtual void Prepare();

    bool IsLoaded() const { return mFontData != nullptr && mFontData->mInitialized; }

    // One lock for every image font's drawing: the glyph pool and draw buckets are shared.
    static std::recursive_mutex& FontLock();

    FontData* mFontData = nullptr;
    int mPointSize = 0;
    std::vector<std::string> mTagVector; // upper case
    bool mActiveListValid = false;
    std::list<ActiveFontLayer> mActiveLayerList;
    double mScale = 1.0;
    bool mForceScaledImagesWhite = false;
    ImageHost* mHost = nullptr;
};

} // namespace Zest
