// Fuzz target: any bytes read as the resource manifest, then every group loaded against a small fixed file set;
// the parse ends with one known error text or none, the records stay within their bounds, nothing is leaked.
#include "data/ImageLib.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "platform/Files.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"
#include "resources/ResourceApp.h"
#include "resources/ResourceManager.h"
#include "sound/SoundServices.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace
{

namespace fs = std::filesystem;

// A folder holding the files a manifest may name (the working folder while an input runs): a.png (8x8), w.png
// (16x8), g.png (4x4, a grid cell of w.png at 4 columns and 2 rows), f.txt (a descriptor font over a.png), s.wav.
struct Fixture
{
    Fixture()
    {
        std::random_device rd;
        folder = fs::temp_directory_path() / ("zest_manifest_fuzz_" + std::to_string(rd()));
        fs::create_directories(folder);
        auto image = [this](const char* name, int w, int h)
        {
            auto img = ImageLib::Image::Create(w, h);
            for (int i = 0; i < w * h; ++i) img->GetBits()[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
            ImageLib::WritePNGImage((folder / name).string(), *img);
        };
        image("a.png", 8, 8);
        image("w.png", 16, 8);
        image("g.png", 4, 4);
        std::ofstream(folder / "f.txt")
            << "Layer Main; Image 'a.png'; Glyphs 'ab' ((0 0 4 8) (4 0 4 8)); Advances 'ab' (4 4);"
               "Metrics 8 0 8 0; Layer Glow; Require glow; Image 'a.png'; Glyphs 'a' ((0 0 4 8));";
        std::ofstream(folder / "s.wav") << "RIFF";

        Platform::SetVideoBackend(Platform::VideoBackend::Headless);
        displayApp.mWidth = 64;
        displayApp.mHeight = 48;
        window = Platform::Window::Create("fuzz", 0, 0, 64, 48);
        display = std::make_unique<Zest::DDInterface>(&displayApp);
        display->Init(window.get(), true);
    }
    ~Fixture()
    {
        display.reset();
        window.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    Zest::DisplayApp displayApp;
    std::unique_ptr<Platform::Window> window;
    std::unique_ptr<Zest::DDInterface> display;
};

// The names a manifest gives are relative to the working folder: it is the fixture's folder while one input runs,
// and the caller's again in between, where the fuzzer reads and writes its corpus by the paths it was given.
class InFolder
{
public:
    explicit InFolder(const fs::path& folder) : mOld(fs::current_path())
    {
        fs::current_path(folder);
        Platform::InvalidateFileNameCache();
    }
    ~InFolder()
    {
        std::error_code ignored;
        fs::current_path(mOld, ignored);
        Platform::InvalidateFileNameCache();
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    fs::path mOld;
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

class FuzzApp : public Zest::ResourceApp
{
public:
    ~FuzzApp() override
    {
        for (const auto& [key, entry] : shared)
            if (entry.refs != 0)
            {
                std::fprintf(stderr, "manifest_fuzz: %d references to %s left\n", entry.refs, key.first.c_str());
                std::abort();
            }
    }
    Zest::DDImage* FindSharedImage(const std::string& path, const std::string& variant, bool* loadedNow) override
    {
        if (loadedNow) *loadedNow = false;
        Entry& entry = shared[{path, variant}];
        if (!entry.image)
        {
            entry.image = GetImage(path, true);
            if (!entry.image)
            {
                shared.erase({path, variant});
                return nullptr;
            }
            if (loadedNow) *loadedNow = true;
        }
        ++entry.refs;
        return entry.image.get();
    }
    void ReleaseSharedImage(Zest::DDImage* image) override
    {
        for (auto& [key, entry] : shared)
            if (entry.image.get() == image) --entry.refs;
    }
    std::unique_ptr<Zest::DDImage> GetImage(const std::string& fileName, bool commitBits) override
    {
        std::unique_ptr<ImageLib::Image> loaded = ImageLib::GetImage(fileName);
        if (!loaded) return nullptr;
        auto image = std::make_unique<Zest::DDImage>(TheFixture().display.get());
        image->SetBits(loaded->GetBits(), loaded->GetWidth(), loaded->GetHeight(), commitBits);
        return image;
    }
    bool Is3DAccelerated() const override { return false; }
    Zest::SoundManager* GetSoundManager() override { return &sounds; }

    struct Entry
    {
        std::unique_ptr<Zest::DDImage> image;
        int refs = 0;
    };
    std::map<std::pair<std::string, std::string>, Entry> shared;
    Zest::SoundManager sounds; // silent; keeps track of the ids
};

[[noreturn]] void Fault(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "manifest_fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool StartsWithAny(const std::string& text, std::initializer_list<const char*> prefixes)
{
    for (const char* p : prefixes)
        if (text.rfind(p, 0) == 0) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fixture& fixture = TheFixture();
    const std::string path = (fixture.folder / "m.xml").string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    InFolder inside(fixture.folder);
    FuzzApp app;
    {
        Zest::ResourceManager manager(&app);
        const bool parsed = manager.ParseResourcesFile(path);
        const std::string error = manager.GetErrorText();
        if (parsed == manager.HadError()) Fault("result and error flag disagree", error);
        if (!parsed)
        {
            static const std::initializer_list<const char*> known = {"Expecting ResourceManifest tag",
                                                                     "No id specified.",
                                                                     "Invalid Section '",
                                                                     "Element Not Expected '",
                                                                     "Unexpected element found.",
                                                                     "No path specified.",
                                                                     "Resource already defined.",
                                                                     "Invalid animation type.",
                                                                     "SysFont needs point size",
                                                                     "Illegal Character",
                                                                     "Unexpected End",
                                                                     "Unexpected '<'",
                                                                     "Unexpected '>'",
                                                                     "Nesting Too Deep",
                                                                     "End '"};
            if (!StartsWithAny(error, known)) Fault("unknown error text", error);
            if (error.find(" in File '" + path + "'") == std::string::npos) Fault("error without its file", error);
        }

        // Records: bounded, each in exactly one group list, counted consistently.
        size_t records = 0;
        for (const auto* map : {&manager.GetImageMap(), &manager.GetSoundMap(), &manager.GetFontMap()})
            records += map->size();
        for (const auto& [id, res] : manager.GetImageMap())
        {
            const auto* image = static_cast<const Zest::ResourceManager::ImageRes*>(res.get());
            using RM = Zest::ResourceManager;
            if (image->mRows < 1 || image->mRows > RM::kMaxCels || image->mCols < 1 || image->mCols > RM::kMaxCels)
                Fault("cell layout out of bounds", id);
            const Zest::AnimInfo& anim = image->mAnimInfo;
            if (anim.mPerFrameDelay.size() > size_t(2 * RM::kMaxCels) ||
                anim.mFrameMap.size() > size_t(2 * RM::kMaxCels) || anim.mTotalAnimTime < 0)
                Fault("animation out of bounds", id);
        }
        if (manager.GetNumResources("") != int(records)) Fault("count of every record", std::to_string(records));

        // Load every group: failures are allowed, crashes and leaks are not.
        std::map<std::string, int> groups;
        for (const auto* map : {&manager.GetImageMap(), &manager.GetSoundMap(), &manager.GetFontMap()})
            for (const auto& [id, res] : *map) ++groups[res->mResGroup];
        size_t listed = 0;
        for (const auto& [group, count] : groups)
        {
            const auto* list = manager.GetGroup(group);
            if (!list || list->size() != size_t(count)) Fault("group list and maps disagree", group);
            listed += list->size();
            manager.LoadResources(group);
            manager.LoadResources(group);
        }
        if (listed != records) Fault("records outside every group", std::to_string(records));
        manager.DeleteResources(groups.empty() ? std::string() : groups.begin()->first);
    }
    return 0;
}
