// Zest::SysFont: a system font, rendered once with FreeType from the DejaVu Sans faces into an alpha atlas.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "graphics/Font.h"

namespace Zest
{

class ImageHost;
class MemoryImage;

class SysFont : public Font
{
public:
    // Every face name is drawn with DejaVu Sans (its Bold, Oblique or Bold Oblique form when asked); the pixel
    // size is round(pointSize x 96 / 72).
    SysFont(ImageHost* host, const std::string& faceName, int pointSize, bool bold = false, bool italic = false,
            bool underline = false);
    SysFont(const SysFont& other);
    SysFont& operator=(const SysFont&) = delete;
    ~SysFont() override;

    int StringWidth(const std::string& text) override;
    int CharWidth(char c) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip) override;
    std::unique_ptr<Font> Duplicate() override;

    // True when a face file was found and rendered.
    bool IsLoaded() const { return mLoaded; }
    // The path of the face file used (empty when none was found).
    const std::string& GetFacePath() const { return mFacePath; }
    static int PixelSizeForPoints(int pointSize);

    std::string mFace;
    int mPointSize = 0;
    bool mBold = false;
    bool mItalic = false;
    bool mUnderline = false;
    bool mDrawShadow = false;
    bool mSimulateBold = false;

private:
    struct Glyph
    {
        Rect mRect;       // in the atlas; empty for a glyph with no pixels
        int mLeft = 0;    // from the pen to the bitmap's left edge
        int mTop = 0;     // from the baseline up to the bitmap's top edge
        int mAdvance = 0; // 0 when the face has no glyph
    };

    void Render();
    void DrawGlyphs(Graphics* g, int x, int y, const std::string& text);

    ImageHost* mHost = nullptr;
    std::string mFacePath;
    bool mLoaded = false;
    int mUnderlinePosition = 1; // below the baseline
    int mUnderlineThickness = 1;
    std::array<Glyph, 256> mGlyphs;
    std::unique_ptr<MemoryImage> mAtlas;
};

} // namespace Zest
