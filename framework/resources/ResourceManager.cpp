// The resource manifest parser, the group loader and the lookups of Zest::ResourceManager.
#include "resources/ResourceManager.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/Common.h"
#include "data/ImageLib.h"
#include "data/XMLParser.h"
#include "graphics/DDImage.h"
#include "graphics/Font.h"
#include "graphics/ImageFont.h"
#include "graphics/ImageHost.h"
#include "graphics/SysFont.h"
#include "resources/ResourceApp.h"
#include "sound/SoundServices.h"

namespace Zest
{

namespace
{

// atoi's reading (leading blanks, a sign, digits up to the first other character, 0 when there are none) without
// its undefined overflow: out-of-range values are clamped to lo..hi.
int ReadInt(const std::string& text, int lo, int hi)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(begin, &end, 10);
    if (end == begin) value = 0;
    return static_cast<int>(std::clamp<long long>(value, lo, hi));
}

// "%x": blanks, an optional "0x", hex digits; 0 when there are none. Wider values keep their low 32 bits, as the
// manifest's colours are 24-bit.
uint32_t ReadHex(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    unsigned long long value = std::strtoull(begin, &end, 16);
    if (end == begin) return 0;
    return static_cast<uint32_t>(value);
}

// A list such as "10,20,30": the number at the start and just after every ','.
std::vector<int> ReadIntList(const std::string& text, int lo, int hi)
{
    std::vector<int> values;
    size_t pos = 0;
    while (values.size() < size_t(ResourceManager::kMaxListLength))
    {
        values.push_back(ReadInt(text.substr(pos, 24), lo, hi));
        pos = text.find(',', pos);
        if (pos == std::string::npos) break;
        ++pos;
    }
    return values;
}

bool Has(const XMLElement& element, const char* name)
{
    return element.mAttributes.find(name) != element.mAttributes.end();
}

// The attribute's value, or null when it is not given.
const std::string* Find(const XMLElement& element, const char* name)
{
    auto it = element.mAttributes.find(name);
    return it == element.mAttributes.end() ? nullptr : &it->second;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

} // namespace

// ---- SharedImageRef ----

SharedImageRef::SharedImageRef(SharedImageRef&& other) noexcept : mApp(other.mApp), mImage(other.mImage)
{
    other.mApp = nullptr;
    other.mImage = nullptr;
}

SharedImageRef& SharedImageRef::operator=(SharedImageRef&& other) noexcept
{
    if (this != &other)
    {
        Release();
        mApp = other.mApp;
        mImage = other.mImage;
        other.mApp = nullptr;
        other.mImage = nullptr;
    }
    return *this;
}

void SharedImageRef::Release()
{
    if (mImage && mApp) mApp->ReleaseSharedImage(mImage);
    mImage = nullptr;
    mApp = nullptr;
}

// ---- records ----

void ResourceManager::SoundRes::DeleteResource()
{
    if (mSoundId >= 0 && mApp)
        if (SoundManager* sounds = mApp->GetSoundManager()) sounds->ReleaseSound(mSoundId);
    mSoundId = -1;
}

void ResourceManager::FontRes::DeleteResource()
{
    mFont.reset();
    mImage.reset();
}

// ---- the manager ----

ResourceManager::ResourceManager(ResourceApp* app) : mApp(app) {}

ResourceManager::~ResourceManager()
{
    DeleteResources(std::string());
}

bool ResourceManager::HadError() const
{
    std::lock_guard<std::mutex> lock(mErrorLock);
    return mHasFailed || mLookupFailed;
}

std::string ResourceManager::GetErrorText() const
{
    std::lock_guard<std::mutex> lock(mErrorLock);
    return mHasFailed ? mError : mLookupError;
}

bool ResourceManager::HadOwnError() const
{
    std::lock_guard<std::mutex> lock(mErrorLock);
    return mHasFailed;
}

void ResourceManager::FailLookup(const std::string& message)
{
    std::lock_guard<std::mutex> lock(mErrorLock);
    if (mHasFailed || mLookupFailed) return;
    mLookupFailed = true;
    mLookupError = message;
}

bool ResourceManager::Fail(const std::string& message)
{
    std::lock_guard<std::mutex> lock(mErrorLock);
    if (mHasFailed) return false;
    mHasFailed = true;
    mError = message;
    if (mXMLParser)
    {
        if (mXMLParser->GetLineNumber() > 0) mError += " on Line " + std::to_string(mXMLParser->GetLineNumber());
        if (!mXMLParser->GetFileName().empty()) mError += " in File '" + mXMLParser->GetFileName() + "'";
    }
    return false;
}

void ResourceManager::ClearError()
{
    std::lock_guard<std::mutex> lock(mErrorLock);
    mHasFailed = false;
    mError.clear();
    mLookupFailed = false;
    mLookupError.clear();
}

// ---- parsing ----

bool ResourceManager::ParseResourcesFile(const std::string& fileName)
{
    XMLParser parser;
    if (!parser.OpenFile(fileName)) return Fail("Resource file not found: " + fileName);
    mXMLParser = &parser;

    XMLElement element;
    bool rootFound = false;
    while (parser.ReadNextElement(element))
    {
        if (element.mType == XMLElement::TypeStartTag)
        {
            rootFound = element.mValue == "ResourceManifest";
            break;
        }
    }
    if (!rootFound)
        Fail("Expecting ResourceManifest tag");
    else
        DoParseResources();

    if (parser.HasFailed()) Fail(parser.GetErrorText());
    mXMLParser = nullptr;
    return !HadOwnError();
}

bool ResourceManager::DoParseResources()
{
    XMLElement element;
    while (!mXMLParser->HasFailed() && mXMLParser->ReadNextElement(element))
    {
        if (element.mType == XMLElement::TypeStartTag)
        {
            if (element.mValue != "Resources") return Fail("Invalid Section '" + element.mValue + "'");
            const std::string* id = Find(element, "id");
            if (!id || id->empty()) return Fail("No id specified.");
            mCurResGroup = *id;
            mCurResGroupList = &mResGroupMap[mCurResGroup];
            if (!ParseResources()) return false;
        }
        else if (element.mType == XMLElement::TypeText)
        {
            return Fail("Element Not Expected '" + element.mValue + "'");
        }
    }
    return !HadOwnError();
}

bool ResourceManager::ParseResources()
{
    XMLElement element;
    while (mXMLParser->ReadNextElement(element))
    {
        if (element.mType == XMLElement::TypeStartTag)
        {
            bool ok;
            if (element.mValue == "Image")
                ok = ParseImageResource(element);
            else if (element.mValue == "Sound")
                ok = ParseSoundResource(element);
            else if (element.mValue == "Font")
                ok = ParseFontResource(element);
            else if (element.mValue == "SetDefaults")
                ok = ParseSetDefaults(element);
            else
                return Fail("Invalid Section '" + element.mValue + "'");
            if (!ok) return false;

            // A declaration holds nothing: its end tag must come next.
            if (!mXMLParser->ReadNextElement(element)) return false;
            if (element.mType != XMLElement::TypeEndTag) return Fail("Unexpected element found.");
        }
        else if (element.mType == XMLElement::TypeText)
        {
            return Fail("Element Not Expected '" + element.mValue + "'");
        }
        else if (element.mType == XMLElement::TypeEndTag)
        {
            return true;
        }
    }
    // The end of the file ends the group too; a reader failure is taken up by the caller.
    return !mXMLParser->HasFailed();
}

bool ResourceManager::ParseCommonResource(XMLElement& element, BaseRes* res, ResMap& map)
{
    const std::string* path = Find(element, "path");
    if (!path || path->empty()) return Fail("No path specified.");

    res->mXMLAttributes = element.mAttributes;
    res->mFromProgram = false;
    if ((*path)[0] == '!')
    {
        res->mPath = *path;
        res->mFromProgram = *path == "!program";
    }
    else
    {
        res->mPath = mDefaultPath + *path;
    }

    const std::string* id = Find(element, "id");
    res->mId = mDefaultIdPrefix + (id && !id->empty() ? *id : GetFileBaseName(res->mPath));
    res->mResGroup = mCurResGroup;

    if (map.count(res->mId)) return Fail("Resource already defined.");
    map[res->mId].reset(res);
    if (mCurResGroupList) mCurResGroupList->push_back(res);
    return true;
}

bool ResourceManager::ParseSoundResource(XMLElement& element)
{
    auto owned = std::make_unique<SoundRes>(mApp);
    SoundRes* res = owned.get();
    if (!ParseCommonResource(element, res, mSoundMap)) return false;
    owned.release(); // the map holds it now

    if (const std::string* volume = Find(element, "volume"))
    {
        char* end = nullptr;
        double value = std::strtod(volume->c_str(), &end);
        // Not a number, or not a finite one, counts as not given.
        res->mVolume = (end != volume->c_str() && std::isfinite(value)) ? value : -1.0;
    }
    if (const std::string* pan = Find(element, "pan")) res->mPanning = ReadInt(*pan, -kMaxPan, kMaxPan);
    return true;
}

void ResourceManager::ParseAnimation(XMLElement& element, ImageRes* res)
{
    AnimInfo& anim = res->mAnimInfo;
    if (const std::string* delay = Find(element, "framedelay"))
        anim.mFrameDelay = ReadInt(*delay, -kMaxDelay, kMaxDelay);
    int beginDelay = 0;
    int endDelay = 0;
    if (const std::string* delay = Find(element, "begindelay")) beginDelay = ReadInt(*delay, -kMaxDelay, kMaxDelay);
    if (const std::string* delay = Find(element, "enddelay")) endDelay = ReadInt(*delay, -kMaxDelay, kMaxDelay);
    if (const std::string* list = Find(element, "perframedelay"))
        anim.mPerFrameDelay = ReadIntList(*list, -kMaxDelay, kMaxDelay);
    if (const std::string* list = Find(element, "framemap"))
        anim.mFrameMap = ReadIntList(*list, 0, kMaxCels * kMaxCels);
    anim.Compute(std::max(res->mRows, res->mCols), beginDelay, endDelay);
}

bool ResourceManager::ParseImageResource(XMLElement& element)
{
    auto owned = std::make_unique<ImageRes>(mApp);
    ImageRes* res = owned.get();
    if (!ParseCommonResource(element, res, mImageMap)) return false;
    owned.release(); // the map holds it now

    res->mPalletize = !Has(element, "nopal");
    res->mA4R4G4B4 = Has(element, "a4r4g4b4");
    res->mA8R8G8B8 = Has(element, "a8r8g8b8");
    res->mDDSurface = Has(element, "ddsurface");
    res->mMinimizeSubdivisions = Has(element, "minsubdivide");
    res->mAlphaAllowed = !Has(element, "noalpha");
    const bool is3D = mApp && mApp->Is3DAccelerated();
    res->mPurgeBits =
        Has(element, "nobits") || (Has(element, "nobits3d") && is3D) || (Has(element, "nobits2d") && !is3D);

    if (const std::string* alpha = Find(element, "alphaimage"); alpha && !alpha->empty())
        res->mAlphaImage = mDefaultPath + *alpha;
    if (const std::string* grid = Find(element, "alphagrid"); grid && !grid->empty())
        res->mAlphaGridImage = mDefaultPath + *grid;
    if (const std::string* color = Find(element, "alphacolor")) res->mAlphaColor = ReadHex(*color);
    if (const std::string* variant = Find(element, "variant")) res->mVariant = *variant;
    // Below 1 a cell layout means nothing and would divide by zero; far above, it only costs memory.
    if (const std::string* rows = Find(element, "rows")) res->mRows = ReadInt(*rows, 1, kMaxCels);
    if (const std::string* cols = Find(element, "cols")) res->mCols = ReadInt(*cols, 1, kMaxCels);

    int animType = AnimType_None;
    if (const std::string* anim = Find(element, "anim"))
    {
        const std::string type = StringToLower(*anim);
        if (type == "none")
            animType = AnimType_None;
        else if (type == "once")
            animType = AnimType_Once;
        else if (type == "pingpong")
            animType = AnimType_PingPong;
        else if (type == "loop")
            animType = AnimType_Loop;
        else
            return Fail("Invalid animation type.");
    }
    res->mAnimInfo.mAnimType = animType;
    if (animType != AnimType_None) ParseAnimation(element, res);
    return true;
}

bool ResourceManager::ParseFontResource(XMLElement& element)
{
    auto owned = std::make_unique<FontRes>(mApp);
    FontRes* res = owned.get();
    if (!ParseCommonResource(element, res, mFontMap)) return false;
    owned.release(); // the map holds it now

    if (const std::string* image = Find(element, "image")) res->mImagePath = *image;
    if (const std::string* tags = Find(element, "tags")) res->mTags = *tags;
    if (const std::string* size = Find(element, "size")) res->mSize = ReadInt(*size, INT_MIN, kMaxFontSize);

    if (StartsWith(res->mPath, "!sys:"))
    {
        res->mSysFont = true;
        if (res->mSize <= 0) return Fail("SysFont needs point size");
        res->mBold = Has(element, "bold");
        res->mItalic = Has(element, "italic");
        res->mShadow = Has(element, "shadow");
        res->mUnderline = Has(element, "underline");
    }
    return true;
}

bool ResourceManager::ParseSetDefaults(XMLElement& element)
{
    // An empty path means "no folder": a lone '/' would make every path absolute.
    if (const std::string* path = Find(element, "path"))
        mDefaultPath = path->empty() ? std::string() : RemoveTrailingSlash(*path) + "/";
    if (const std::string* prefix = Find(element, "idprefix")) mDefaultIdPrefix = RemoveTrailingSlash(*prefix);
    return true;
}

// ---- loading ----

void ResourceManager::StartLoadResources(const std::string& group)
{
    ClearError();
    mCurResGroup = group;
    mCurResGroupList = &mResGroupMap[group];
    mCurResGroupPos = 0;
}

bool ResourceManager::LoadNextResource()
{
    if (HadOwnError() || !mCurResGroupList) return false;
    while (mCurResGroupPos < mCurResGroupList->size())
    {
        BaseRes* res = (*mCurResGroupList)[mCurResGroupPos++];
        if (res->mFromProgram || res->IsLoaded()) continue;
        switch (res->mType)
        {
        case ResType_Image:
            return DoLoadImage(static_cast<ImageRes*>(res));
        case ResType_Sound:
            return DoLoadSound(static_cast<SoundRes*>(res));
        case ResType_Font:
            return DoLoadFont(static_cast<FontRes*>(res));
        }
    }
    return false;
}

bool ResourceManager::LoadResources(const std::string& group)
{
    ClearError();
    StartLoadResources(group);
    while (LoadNextResource())
    {
    }
    if (HadOwnError()) return false;
    mLoadedGroups.insert(group);
    return true;
}

void ResourceManager::ResourceLoadedHook(BaseRes* res)
{
    (void)res;
}

bool ResourceManager::LoadAlphaImage(ImageRes* res, DDImage* image)
{
    std::unique_ptr<ImageLib::Image> alpha = ImageLib::GetImage(res->mAlphaImage, true);
    if (!alpha) return Fail(FormatString("Failed to load image: %s", res->mAlphaImage.c_str()));
    if (alpha->GetWidth() != image->GetWidth() || alpha->GetHeight() != image->GetHeight())
        return Fail(
            FormatString("AlphaImage size mismatch between %s and %s", res->mPath.c_str(), res->mAlphaImage.c_str()));

    uint32_t* bits = image->GetBits();
    const uint32_t* alphaBits = alpha->GetBits();
    const size_t count = size_t(image->GetWidth()) * size_t(image->GetHeight());
    for (size_t i = 0; i < count; ++i) bits[i] = (bits[i] & 0x00FFFFFF) | ((alphaBits[i] & 0xFF) << 24);
    image->BitsChanged();
    return true;
}

bool ResourceManager::LoadAlphaGridImage(ImageRes* res, DDImage* image)
{
    std::unique_ptr<ImageLib::Image> grid = ImageLib::GetImage(res->mAlphaGridImage, true);
    if (!grid) return Fail(FormatString("Failed to load image: %s", res->mAlphaGridImage.c_str()));
    const int rows = std::max(res->mRows, 1);
    const int cols = std::max(res->mCols, 1);
    const int cellWidth = image->GetWidth() / cols;
    const int cellHeight = image->GetHeight() / rows;
    if (grid->GetWidth() != cellWidth || grid->GetHeight() != cellHeight)
        return Fail(FormatString("GridAlphaImage size mismatch between %s and %s", res->mPath.c_str(),
                                 res->mAlphaGridImage.c_str()));

    uint32_t* bits = image->GetBits();
    const uint32_t* gridBits = grid->GetBits();
    const size_t width = size_t(image->GetWidth());
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            for (int y = 0; y < cellHeight; ++y)
            {
                uint32_t* dest = bits + (size_t(row) * cellHeight + y) * width + size_t(col) * cellWidth;
                const uint32_t* src = gridBits + size_t(y) * cellWidth;
                for (int x = 0; x < cellWidth; ++x) dest[x] = (dest[x] & 0x00FFFFFF) | ((src[x] & 0xFF) << 24);
            }
    image->BitsChanged();
    return true;
}

bool ResourceManager::DoLoadImage(ImageRes* res)
{
    bool loadedNow = false;
    ImageLib::gAlphaComposeColor = res->mAlphaColor;
    DDImage* found = mApp ? mApp->FindSharedImage(res->mPath, res->mVariant, &loadedNow) : nullptr;
    ImageLib::gAlphaComposeColor = 0xFFFFFF;
    if (!found) return Fail(FormatString("Failed to load image: %s", res->mPath.c_str()));
    // Held here until the image is complete, so the record is published only in its finished state.
    SharedImageRef ref(mApp, found);
    DDImage* image = ref.Get();

    const std::pair<std::string, std::string> key(res->mPath, res->mVariant);
    if (loadedNow || mUnmergedImages.count(key))
    {
        // Both merges overwrite the alpha bytes, so making them again over a partly merged image is harmless.
        if ((!res->mAlphaImage.empty() && !LoadAlphaImage(res, image)) ||
            (!res->mAlphaGridImage.empty() && !LoadAlphaGridImage(res, image)))
        {
            mUnmergedImages.insert(key);
            return false;
        }
        mUnmergedImages.erase(key);
    }

    image->UpdateAlphaFlags();
    image->mPurgeable = res->mPurgeBits;
    if (res->mDDSurface)
    {
        image->UpdateAlphaFlags();
        if (!image->mHasAlpha)
        {
            image->mSurfaceWanted = true;
            image->mPurgeable = true;
        }
    }
    if (res->mPalletize)
    {
        if (!image->mSurface)
            image->ConvertToPalette();
        else
            image->mWantsPalette = true;
    }
    if (res->mA4R4G4B4) image->mHintFlags |= MemoryImage::Hint_Texture4444;
    if (res->mA8R8G8B8) image->mHintFlags |= MemoryImage::Hint_Texture8888;
    if (res->mMinimizeSubdivisions) image->mHintFlags |= MemoryImage::Hint_MinimalSubdivision;
    if (res->mAnimInfo.mAnimType != AnimType_None) image->mAnimInfo = std::make_unique<AnimInfo>(res->mAnimInfo);
    image->mNumRows = res->mRows;
    image->mNumCols = res->mCols;
    if (image->mPurgeable) image->ReleaseBits();

    res->mImage = std::move(ref);
    ResourceLoadedHook(res);
    return true;
}

bool ResourceManager::DoLoadSound(SoundRes* res)
{
    SoundManager* sounds = mApp ? mApp->GetSoundManager() : nullptr;
    if (!sounds) return Fail(FormatString("Failed to load sound: %s", res->mPath.c_str()));
    const int id = sounds->GetFreeSoundId();
    if (id < 0) return Fail("Out of free sound ids");
    if (!sounds->LoadSound(id, res->mPath)) return Fail(FormatString("Failed to load sound: %s", res->mPath.c_str()));
    if (res->mVolume >= 0) sounds->SetBaseVolume(id, res->mVolume);
    if (res->mPanning != 0) sounds->SetBasePan(id, res->mPanning);
    res->mSoundId = id;
    ResourceLoadedHook(res);
    return true;
}

bool ResourceManager::DoLoadFont(FontRes* res)
{
    std::unique_ptr<Font> font;
    std::shared_ptr<DDImage> fontImage;
    if (res->mSysFont)
    {
        // Old systems draw bold badly, so there the font thickens its strokes itself.
        const bool simulateBold = res->mBold && IsWin9x();
        auto sysFont = std::make_unique<SysFont>(GetImageHost(), res->mPath.substr(5), res->mSize,
                                                 res->mBold && !simulateBold, res->mItalic, res->mUnderline);
        sysFont->mSimulateBold = simulateBold;
        sysFont->mDrawShadow = res->mShadow;
        font = std::move(sysFont);
    }
    else if (!res->mImagePath.empty())
    {
        std::unique_ptr<DDImage> image = mApp ? mApp->GetImage(res->mImagePath, true) : nullptr;
        if (!image) return Fail(FormatString("Failed to load image: %s", res->mImagePath.c_str()));
        fontImage = std::shared_ptr<DDImage>(std::move(image));
        auto imageFont = std::make_unique<ImageFont>(GetImageHost(), fontImage.get(), res->mPath);
        // The glyph layer shares the image rather than borrowing it: copies of this font may outlive the record.
        if (imageFont->mFontData)
            for (FontLayer& layer : imageFont->mFontData->mFontLayerList)
                if (layer.mImage.get() == fontImage.get()) layer.mImage = fontImage;
        font = std::move(imageFont);
    }
    else if (StartsWith(res->mPath, "!ref:"))
    {
        const std::string refId = res->mPath.substr(5);
        Font* refFont = GetFont(refId);
        if (!refFont) return Fail("Ref font not found: " + refId);
        font = refFont->Duplicate();
    }
    else
    {
        font = std::make_unique<ImageFont>(GetImageHost(), res->mPath);
    }

    // Tags and preparing belong to image fonts; a system font has neither.
    auto* imageFont = dynamic_cast<ImageFont*>(font.get());
    if (imageFont && !imageFont->IsLoaded()) return Fail(FormatString("Failed to load font: %s", res->mPath.c_str()));
    if (imageFont && !res->mTags.empty())
    {
        size_t pos = 0;
        while (pos < res->mTags.size())
        {
            const size_t end = std::min(res->mTags.find_first_of(" ,\r\n\t", pos), res->mTags.size());
            if (end > pos) imageFont->AddTag(res->mTags.substr(pos, end - pos));
            pos = end + 1;
        }
        imageFont->Prepare();
    }

    res->mImage = std::move(fontImage);
    res->mFont = std::move(font);
    ResourceLoadedHook(res);
    return true;
}

// ---- counting, freeing, lookups ----

int ResourceManager::GetNumResources(const std::string& group)
{
    if (group.empty()) return static_cast<int>(mImageMap.size() + mSoundMap.size() + mFontMap.size());
    int count = 0;
    for (const ResMap* map : {&mImageMap, &mSoundMap, &mFontMap})
        for (const auto& entry : *map)
            if (entry.second->mResGroup == group && !entry.second->mFromProgram) ++count;
    return count;
}

void ResourceManager::DeleteMap(ResMap& map, const std::string& group)
{
    for (auto& entry : map)
        if (group.empty() || entry.second->mResGroup == group) entry.second->DeleteResource();
}

void ResourceManager::DeleteResources(const std::string& group)
{
    DeleteMap(mImageMap, group);
    DeleteMap(mSoundMap, group);
    DeleteMap(mFontMap, group);
    if (group.empty())
        mLoadedGroups.clear();
    else
        mLoadedGroups.erase(group);
}

bool ResourceManager::IsGroupLoaded(const std::string& group) const
{
    return mLoadedGroups.count(group) != 0;
}

const ResourceManager::ResList* ResourceManager::GetGroup(const std::string& group) const
{
    auto it = mResGroupMap.find(group);
    return it == mResGroupMap.end() ? nullptr : &it->second;
}

DDImage* ResourceManager::LoadImage(const std::string& id)
{
    auto it = mImageMap.find(id);
    if (it == mImageMap.end())
    {
        Fail(FormatString("Image resource not found: %s", id.c_str()));
        return nullptr;
    }
    auto* res = static_cast<ImageRes*>(it->second.get());
    if (!res->IsLoaded() && !DoLoadImage(res)) return nullptr;
    return res->mImage.Get();
}

void ResourceManager::DeleteImage(const std::string& id)
{
    auto it = mImageMap.find(id);
    if (it == mImageMap.end() || !it->second->IsLoaded()) return;
    it->second->DeleteResource();
    // The group is no longer whole.
    mLoadedGroups.erase(it->second->mResGroup);
}

DDImage* ResourceManager::GetImageThrow(const std::string& id)
{
    auto it = mImageMap.find(id);
    if (it != mImageMap.end() && it->second->IsLoaded()) return static_cast<ImageRes*>(it->second.get())->mImage.Get();
    FailLookup(FormatString("Image resource not found: %s", id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

int ResourceManager::GetSoundThrow(const std::string& id)
{
    auto it = mSoundMap.find(id);
    if (it != mSoundMap.end() && it->second->IsLoaded()) return static_cast<SoundRes*>(it->second.get())->mSoundId;
    FailLookup(FormatString("Sound resource not found: %s", id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

Font* ResourceManager::GetFontThrow(const std::string& id)
{
    if (Font* font = GetFont(id)) return font;
    FailLookup(FormatString("Font resource not found: %s", id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

Font* ResourceManager::GetFont(const std::string& id)
{
    auto it = mFontMap.find(id);
    if (it == mFontMap.end()) return nullptr;
    return static_cast<FontRes*>(it->second.get())->mFont.get();
}

} // namespace Zest
