// Zest::ResourceManager: the resource manifest parsed into records, and the images, sounds and fonts loaded from
// them group by group and handed out by id.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "graphics/Font.h"
#include "graphics/Image.h"

namespace Zest
{

class DDImage;
class ResourceApp;
class XMLElement;
class XMLParser;

// Raised by the throwing lookups; carries the manager's error text at the time (the first error since the last
// clearing, which need not be the failed lookup's own).
class ResourceManagerException : public std::exception
{
public:
    explicit ResourceManagerException(std::string text) : mWhat(std::move(text)) {}
    const char* what() const noexcept override { return mWhat.c_str(); }

    std::string mWhat;
};

// One reference into the application's shared-image table, given back when the holder lets go of it.
class SharedImageRef
{
public:
    SharedImageRef() = default;
    // Adopts a reference FindSharedImage took.
    SharedImageRef(ResourceApp* app, DDImage* image) : mApp(app), mImage(image) {}
    SharedImageRef(SharedImageRef&& other) noexcept;
    SharedImageRef& operator=(SharedImageRef&& other) noexcept;
    SharedImageRef(const SharedImageRef&) = delete;
    SharedImageRef& operator=(const SharedImageRef&) = delete;
    ~SharedImageRef() { Release(); }

    void Release();
    DDImage* Get() const { return mImage; }
    DDImage* operator->() const { return mImage; }
    explicit operator bool() const { return mImage != nullptr; }

private:
    ResourceApp* mApp = nullptr;
    DDImage* mImage = nullptr;
};

class ResourceManager
{
public:
    enum ResType : int
    {
        ResType_Image = 0,
        ResType_Sound = 1,
        ResType_Font = 2,
    };

    using XMLParamMap = std::map<std::string, std::string>;

    class BaseRes
    {
    public:
        explicit BaseRes(ResType type, ResourceApp* app) : mType(type), mApp(app) {}
        BaseRes(const BaseRes&) = delete;
        BaseRes& operator=(const BaseRes&) = delete;
        virtual ~BaseRes() = default;
        // Frees the loaded object; the record stays and can be loaded again.
        virtual void DeleteResource() {}
        virtual bool IsLoaded() const = 0;

        ResType mType;
        std::string mId;       // with the id prefix
        std::string mResGroup; // the group it was declared in
        std::string mPath;     // with the default path
        XMLParamMap mXMLAttributes;
        bool mFromProgram = false;
        ResourceApp* mApp = nullptr;
    };

    class ImageRes : public BaseRes
    {
    public:
        explicit ImageRes(ResourceApp* app) : BaseRes(ResType_Image, app) {}
        void DeleteResource() override { mImage.Release(); }
        bool IsLoaded() const override { return static_cast<bool>(mImage); }

        SharedImageRef mImage;
        std::string mAlphaImage;
        std::string mAlphaGridImage;
        std::string mVariant;
        bool mAlphaAllowed = true;
        bool mPalletize = true;
        bool mA4R4G4B4 = false;
        bool mA8R8G8B8 = false;
        bool mDDSurface = false;
        bool mPurgeBits = false;
        bool mMinimizeSubdivisions = false;
        int mRows = 1;
        int mCols = 1;
        uint32_t mAlphaColor = 0xFFFFFF;
        AnimInfo mAnimInfo;
    };

    class SoundRes : public BaseRes
    {
    public:
        explicit SoundRes(ResourceApp* app) : BaseRes(ResType_Sound, app) {}
        void DeleteResource() override;
        bool IsLoaded() const override { return mSoundId != -1; }

        int mSoundId = -1;
        double mVolume = -1.0; // below 0: not given
        int mPanning = 0;
    };

    class FontRes : public BaseRes
    {
    public:
        explicit FontRes(ResourceApp* app) : BaseRes(ResType_Font, app) {}
        void DeleteResource() override;
        bool IsLoaded() const override { return mFont != nullptr; }

        std::unique_ptr<Font> mFont;
        // The image a font made from an image and a widths file is cut from. Shared with the font's glyph layer,
        // so a copy of the font made through "!ref:" stays drawable after this record is freed.
        std::shared_ptr<DDImage> mImage;
        std::string mImagePath;
        std::string mTags;
        bool mSysFont = false;
        bool mBold = false;
        bool mItalic = false;
        bool mUnderline = false;
        bool mShadow = false;
        int mSize = -1;
    };

    using ResMap = std::map<std::string, std::unique_ptr<BaseRes>>;
    using ResList = std::vector<BaseRes*>;

    // Bounds put on manifest numbers so that no value can make a record unreasonably large.
    static constexpr int kMaxCels = 4096;       // rows and cols are clamped to 1..kMaxCels
    static constexpr int kMaxListLength = 4096; // perframedelay and framemap entries beyond this are ignored
    // Frame delays (updates) are clamped to -kMaxDelay..kMaxDelay, so that a whole animation time fits an int.
    static constexpr int kMaxDelay = 100000;
    static constexpr int kMaxFontSize = 128; // system font sizes (points) are clamped to this
    static constexpr int kMaxPan = 10000;    // pan values are clamped to -kMaxPan..kMaxPan

    explicit ResourceManager(ResourceApp* app);
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;
    virtual ~ResourceManager();

    // ---- the manifest ----
    // Parses a whole manifest into records; false after any error, with the error text set.
    bool ParseResourcesFile(const std::string& fileName);
    // Whether an error was recorded: of the manifest, of a load, or of a lookup.
    bool HadError() const;
    // The first error of the manifest or of a load; without one, the first failed lookup's.
    std::string GetErrorText() const;
    // Records the message when it is the first error since the last clearing (with the line and file while a
    // manifest is being parsed); always false.
    bool Fail(const std::string& message);

    // The part every declaration shares. On true the map owns the record; on false the caller still does.
    virtual bool ParseCommonResource(XMLElement& element, BaseRes* res, ResMap& map);
    virtual bool ParseSoundResource(XMLElement& element);
    virtual bool ParseImageResource(XMLElement& element);
    virtual bool ParseFontResource(XMLElement& element);
    virtual bool ParseSetDefaults(XMLElement& element);
    virtual bool ParseResources();

    // ---- loading and lookups ----
    // Frees the loaded objects of the group's records (of every record when the name is empty); the records stay.
    virtual void DeleteResources(const std::string& group);
    virtual void DeleteMap(ResMap& map, const std::string& group);
    virtual bool DoLoadImage(ImageRes* res);
    virtual bool DoLoadFont(FontRes* res);
    virtual bool DoLoadSound(SoundRes* res);
    // Loads the next record of the current group that is not loaded yet; false when none is left, after an error
    // or when the load failed.
    virtual bool LoadNextResource();
    // Called after every successful load; does nothing here.
    virtual void ResourceLoadedHook(BaseRes* res);
    // Clears the error and makes the group current (an unknown group is empty), from its first record.
    virtual void StartLoadResources(const std::string& group);
    // Loads every record of the group not loaded yet; true (and the group counted as loaded) without an error.
    virtual bool LoadResources(const std::string& group);
    // Loads the image record of the id when it is not loaded (after DeleteImage) and returns its image; null, with
    // the error recorded, when the id is unknown or the load fails.
    virtual DDImage* LoadImage(const std::string& id);
    // Frees the loaded image of one record; the record stays and LoadImage loads it again. The shared image goes
    // with the next purge of unused shared images unless another holder keeps it.
    virtual void DeleteImage(const std::string& id);
    // Each throws ResourceManagerException when the id is unknown or its resource is not loaded.
    virtual DDImage* GetImageThrow(const std::string& id);
    virtual int GetSoundThrow(const std::string& id);
    virtual Font* GetFontThrow(const std::string& id);

    // The records of the group that load from files (every record of every group when the name is empty).
    int GetNumResources(const std::string& group);
    // The loaded font of the id, or null; records no error.
    Font* GetFont(const std::string& id);
    // Whether LoadResources last completed the group (and it was not deleted since).
    bool IsGroupLoaded(const std::string& group) const;

    // Read access to the records, for tests and content checks.
    const ResMap& GetImageMap() const { return mImageMap; }
    const ResMap& GetSoundMap() const { return mSoundMap; }
    const ResMap& GetFontMap() const { return mFontMap; }
    // The group's records in manifest order; null for an unknown group.
    const ResList* GetGroup(const std::string& group) const;

protected:
    bool DoParseResources();
    void ParseAnimation(XMLElement& element, ImageRes* res);
    bool LoadAlphaImage(ImageRes* res, DDImage* image);
    bool LoadAlphaGridImage(ImageRes* res, DDImage* image);

    std::set<std::string> mLoadedGroups;
    ResMap mImageMap;
    ResMap mSoundMap;
    ResMap mFontMap;
    XMLParser* mXMLParser = nullptr;
    ResourceApp* mApp = nullptr;
    std::string mCurResGroup;
    std::string mDefaultPath;
    std::string mDefaultIdPrefix;
    std::map<std::string, ResList> mResGroupMap;
    // Shared images (path, variant) whose alpha merge failed after they were loaded: the table may hand the same
    // image back later as already loaded, and the merges must then still be made.
    std::set<std::pair<std::string, std::string>> mUnmergedImages;
    ResList* mCurResGroupList = nullptr;
    size_t mCurResGroupPos = 0;

    void ClearError();

private:
    // Whether the manifest or a load met an error: what stops a load; a failed lookup does not.
    bool HadOwnError() const;
    // Records a lookup's failure when nothing failed before it.
    void FailLookup(const std::string& message);

    // The error is set by the loading thread and by lookups on the main thread. A lookup that fails while another
    // thread loads a group has no part in that load, so its failure is kept apart from the load's: it neither
    // stops the load nor takes the place of the load's own message.
    mutable std::mutex mErrorLock;
    std::string mError;
    bool mHasFailed = false;
    std::string mLookupError;
    bool mLookupFailed = false;
};

} // namespace Zest
