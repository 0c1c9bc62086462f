// Zest::FontData: the parsed bitmap-font descriptor (layers of glyph rectangles, widths, kerning and colours),
// shared by reference count between the image fonts drawn from it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "data/DescParser.h"
#include "graphics/Color.h"
#include "graphics/Rect.h"

namespace Zest
{

class Image;
class ImageHost;
class FontData;

struct CharData
{
    Rect mImageRect;
    Point mOffset;
    std::array<int8_t, 256> mKerningOffsets{}; // indexed by the character that follows
    int mWidth = 0;
    int mOrder = 0;
};

class FontLayer
{
public:
    std::string mLayerName;
    std::vector<std::string> mRequiredTags; // upper case
    std::vector<std::string> mExcludedTags; // upper case
    std::array<CharData, 256> mCharData;
    Color mColorMult{255, 255, 255, 255};
    Color mColorAdd{0, 0, 0, 0};
    std::shared_ptr<Image> mImage;
    int mDrawMode = -1; // -1 leaves the context's mode as it is
    int mOffsetX = 0;
    int mOffsetY = 0;
    int mSpacing = 0;
    int mMinPointSize = -1; // -1: no lower bound
    int mMaxPointSize = -1; // -1: no upper bound
    int mPointSize = 0;     // 0: drawn unscaled at every point size
    int mAscent = 0;
    int mAscentPadding = 0;
    int mHeight = 0;
    int mDefaultHeight = 0; // the tallest glyph rectangle
    int mLineSpacingOffset = 0;
    int mBaseOrder = 0;
};

class FontData : public DescParser
{
public:
    FontData();
    ~FontData() override;

    void AddRef() { ++mRefCount; }
    // Deletes the data when the last reference goes.
    void Release();
    int GetRefCount() const { return mRefCount; }

    // Reads a descriptor file; loaded when the whole file was handled and some layer has an image.
    [[nodiscard]] bool Load(ImageHost* host, const std::string& fileName);
    // The same from text in memory; images named in it are looked up relative to baseDir.
    [[nodiscard]] bool LoadText(ImageHost* host, const std::string& text, const std::string& baseDir = std::string());
    // One layer cut left to right from an image strip: the widths file holds the first character's code, then
    // one width per character. The image stays its owner's.
    [[nodiscard]] bool LoadLegacy(ImageHost* host, Image* image, const std::string& widthsFile);

    // The definition of name as text: a value unquoted, a list in its written form; "" when undefined.
    std::string LookupDefinition(const std::string& name);

    bool Error(const std::string& message) override;
    bool HandleCommand(const ListDataElement& params) override;

    bool mInitialized = false;
    int mDefaultPointSize = 0;
    std::array<uint8_t, 256> mCharMap;
    std::list<FontLayer> mFontLayerList; // a list: active layers point into it
    std::string mSourceFile;
    std::string mBaseDir;
    ImageHost* mHost = nullptr;

private:
    FontLayer* CurrentLayer(const std::string& command);
    bool GetInt(const DataElement* element, int& out);
    bool GetString(const DataElement* element, std::string& out);
    bool GetInts(const DataElement* element, std::vector<int>& out, size_t count);
    bool GetCharCode(const DataElement* element, int& out);
    bool PerCharLists(const ListDataElement& params, const std::string& command, size_t valueCount,
                      const std::function<void(CharData&, const std::vector<int>&)>& apply);
    bool LoadImage(FontLayer* layer, const std::string& path);

    int mRefCount = 0;
    FontLayer* mCurrentLayer = nullptr;
};

} // namespace Zest
