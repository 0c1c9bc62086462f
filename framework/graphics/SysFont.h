// Zest::SysFont: a system font drawn from a DejaVu Sans face rendered with FreeType into an alpha atlas, one atlas
// shared by every font of the same face, size and style.
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
    // Every face name is drawn with DejaVu Sans (its Bold, Oblique or Bold Oblique form when asked), found through
    // the desktop's font lookup; the pixel size is round(pointSize x 96 / 72).
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
    bool IsLoaded() const;
    // The path of the face file used (empty when none was found).
    const std::string& GetFacePath() const;
    static int PixelSizeForPoints(int pointSize);
    // The atlas this font draws from; fonts of one face, size and style (and image host) share it.
    const MemoryImage* GetAtlas() const;

    std::string mFace;
    int mPointSize = 0;
    bool mBold = false;
    bool mItalic = false;
    bool mUnderline = false;
    bool mDrawShadow = false;
    bool mSimulateBold = false;

    struct Glyph
    {
        Rect mRect;       // in the atlas; empty for a glyph with no pixels
        int mLeft = 0;    // from the pen to the bitmap's left edge
        int mTop = 0;     // from the baseline up to the bitmap's top edge
        int mAdvance = 0; // 0 when the face has no glyph
    };
    struct Rendered;

private:
    void Attach(std::shared_ptr<Rendered> rendered);
    void DrawGlyphs(Graphics* g, int x, int y, const std::string& text);

    ImageHost* mHost = nullptr;
    std::shared_ptr<Rendered> mRendered;
};

} // namespace Zest
