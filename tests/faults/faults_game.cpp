// The real game started headless for the crash-safety checks: it reaches its title, then saves one kind of file
// over and over until it is killed, or writes every version a save can leave, or checks the files a run left.
//
// faults_game run [--save=profile|highscores|settings|cache] [--refs=DIR] [--save-all=0|1] [-- game arguments]
//     Starts the game in the working directory (the content, plus faults/probe.ogg) with the environment's
//     folders, clicks through to the title and prints one TITLE line of what it loaded. --save then prints READY
//     and saves that kind for ever, switching between two versions; --refs instead saves every kind in both
//     versions and keeps a copy of each file after each save under DIR/<folder>/<path>/<n>; --save-all saves
//     every kind once in the version given and ends. Exit code 0 once the title was reached, 3 when it never came.
// faults_game verify --refs=DIR --home=DIR [--no-temp]
//     Every file under DIR/config, DIR/data and DIR/cache must be one of the versions kept under --refs and read
//     with the game's own readers; temporary files of cut saves are counted (and refused with --no-temp). Prints
//     one line per file and exits 1 on any fault.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Buffer.h"
#include "game/core/GameFiles.h"
#include "game/core/Highscores.h"
#include "game/core/ProfileFile.h"
#include "game/screens/GameApp.h"
#include "game/screens/TitleScreen.h"
#include "game/screens/TitleWnd.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "sound/SoundReaders.h"
#include "sound/SoundServices.h"
#include "widgets/Dialog.h"
#include "widgets/WidgetManager.h"

namespace fs = std::filesystem;

namespace
{

using namespace Zest;

constexpr const char* kProbe = "faults/probe";
constexpr int kMaxUpdatesToTitle = 6000; // a minute of updates
std::string gScratch;                    // verify's own folder for copies

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Option(int argc, char** argv, const std::string& name)
{
    const std::string prefix = "--" + name + "=";
    for (int i = 2; i < argc; ++i)
        if (std::string(argv[i]).rfind(prefix, 0) == 0) return std::string(argv[i]).substr(prefix.size());
    return std::string();
}

bool Flag(int argc, char** argv, const std::string& name)
{
    for (int i = 2; i < argc; ++i)
        if (argv[i] == "--" + name) return true;
    return false;
}

// The game with the dialogs it would wait on answered at once (the new-player prompt is declined) and a hook
// after every update.
class DriverApp : public GameApp
{
public:
    std::function<void()> afterUpdate;
    int WaitForDialog(Dialog*) override { return DIALOG_BUTTON_NO; }
    void RunUpdate() override
    {
        GameApp::RunUpdate();
        if (afterUpdate) afterUpdate();
    }
};

class Driver
{
public:
    Driver(DriverApp& app, std::string save, std::string refs, int saveAll)
        : mApp(app), mSave(std::move(save)), mRefs(std::move(refs)), mSaveAll(saveAll)
    {
    }

    void AfterUpdate()
    {
        if (mDone) return;
        if (++mUpdates > kMaxUpdatesToTitle)
        {
            std::printf("NO TITLE after %d updates\n", kMaxUpdatesToTitle);
            Finish(false);
            return;
        }
        // The loading screen's continue link, clicked as soon as it shows.
        if (mApp.titleScreen && mApp.titleScreen->continueLink && mApp.titleScreen->continueLink->visible)
        {
            mApp.titleScreen->ButtonReleased(1);
            return;
        }
        if (!mApp.titleWnd || !mApp.mWidgetManager->HasWidget(mApp.titleWnd.get())) return;
        ReportTitle();
        if (!mRefs.empty()) WriteReferences();
        if (mSaveAll >= 0)
        {
            EnsurePlayer();
            for (const std::string kind : {"profile", "highscores", "settings", "cache"}) SaveKind(kind, mSaveAll);
        }
        if (!mSave.empty()) SaveForEver();
        Finish(true);
    }

    bool ReachedTitle() const { return mReached; }

private:
    void Finish(bool reached)
    {
        mDone = true;
        mReached = reached;
        std::fflush(stdout);
        mApp.Shutdown();
    }

    bool LoadProbe()
    {
        SoundManager* sounds = mApp.GetSoundManager();
        if (!sounds) return false;
        if (mProbeId < 0) mProbeId = sounds->GetFreeSoundId();
        return mProbeId >= 0 && sounds->LoadSound(mProbeId, kProbe);
    }

    void ReportTitle()
    {
        const PlayerProfile* p = mApp.CurrentPlayer();
        const HighscoreEntry top = mApp.highscores.empty() ? HighscoreEntry{} : mApp.highscores[0];
        const bool probe = LoadProbe();
        std::printf("TITLE players=%zu current=%d money=%d profit66=%d top=%s:%d music=%d probe=%s\n",
                    mApp.players.size(), mApp.currentPlayer, p ? p->money : -1, p ? p->dayProfits[65] : -1,
                    top.name.c_str(), top.score, static_cast<int>(mApp.GetMusicVolume() * 100 + 0.5),
                    probe ? "ok" : "failed");
        std::fflush(stdout);
    }

    void EnsurePlayer()
    {
        if (mApp.CurrentPlayer()) return;
        auto profile = std::make_unique<PlayerProfile>();
        profile->name = "Kim";
        mApp.players.push_back(std::move(profile));
        mApp.currentPlayer = static_cast<int32_t>(mApp.players.size()) - 1;
        mApp.SavePlayers();
    }

    // Version 0 or 1 of each kind of file. Only the first row / the current player changes, so the file is one of
    // exactly two texts whatever the loop was at.
    void SaveProfile(int version)
    {
        PlayerProfile* p = mApp.CurrentPlayer();
        p->money = version ? 2000 : 1000;
        p->dayProfits[65] = version ? 222 : 111; // kept in the companion file
        mApp.SavePlayers();
    }
    void SaveHighscores(int version)
    {
        mApp.highscores[0] = {version ? "Kim B" : "Kim A", version ? 234567 : 123456, {1, 2, 3, 4, 5, version}};
        mApp.SaveHighscores();
    }
    void SaveSettings(int version)
    {
        mApp.SetMusicVolume(version ? 0.7 : 0.3);
        mApp.WriteToRegistry();
    }
    // The cache holds the probe's decoded sound from an older source (same sound, older source time): the game
    // finds it stale, decodes the source again and writes the entry anew.
    void SaveCache()
    {
        if (mStaleEntry.empty())
        {
            SoundData data;
            const std::string source = std::string(kProbe) + ".ogg";
            if (!ReadOggSound(OpenPakSoundFile(source), data)) return;
            mStaleEntry = BuildCacheWav(data, source, SoundSourceTime(source) - 10'000'000);
        }
        const std::string entry = SoundCacheFolder() + kProbe + ".wav";
        Platform::WriteFileAtomically(entry, mStaleEntry.data(), mStaleEntry.size());
        if (!mRefs.empty()) KeepVersions();
        LoadProbe();
    }
    void SaveKind(const std::string& kind, int version)
    {
        if (kind == "profile") SaveProfile(version);
        if (kind == "highscores") SaveHighscores(version);
        if (kind == "settings") SaveSettings(version);
        if (kind == "cache") SaveCache();
    }

    [[noreturn]] void SaveForEver()
    {
        if (mSave == "profile") EnsurePlayer();
        std::printf("READY\n");
        std::fflush(stdout);
        for (int version = 0;; version ^= 1) SaveKind(mSave, version);
    }

    // Copies every file under the three folders whose text is not kept yet, as the next version of its path.
    void KeepVersions()
    {
        for (const auto& [folder, root] : {std::pair<std::string, std::string>{"config", Platform::ConfigFolder()},
                                           {"data", Platform::DataFolder()},
                                           {"cache", Platform::CacheFolder()}})
        {
            std::error_code error;
            for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::end(it);
                 it.increment(error))
            {
                if (!it->is_regular_file()) continue;
                const std::string text = ReadFile(it->path().string());
                const fs::path kept = fs::path(mRefs) / folder / fs::relative(it->path(), root);
                fs::create_directories(kept);
                int n = 0;
                bool known = false;
                for (; fs::exists(kept / std::to_string(n)); ++n)
                    known = known || ReadFile(kept / std::to_string(n)) == text;
                if (!known) std::ofstream(kept / std::to_string(n), std::ios::binary) << text;
            }
        }
    }

    void WriteReferences()
    {
        EnsurePlayer();
        KeepVersions();
        for (const std::string kind : {"profile", "highscores", "settings", "cache"})
        {
            // Each version twice: a save of what is already on disk differs too (the companion then holds one
            // block, not two).
            for (int version : {0, 0, 1, 1})
            {
                SaveKind(kind, version);
                KeepVersions();
                if (kind == "settings")
                {
                    // What the next start writes first: the same settings marked as in progress.
                    mApp.RegistryWriteInteger("InProgress", 1);
                    KeepVersions();
                }
            }
        }
    }

    DriverApp& mApp;
    std::string mSave;
    std::string mRefs;
    int mSaveAll = -1;
    int mUpdates = 0;
    int mProbeId = -1;
    bool mDone = false;
    bool mReached = false;
    std::vector<uint8_t> mStaleEntry;
};

int Run(int argc, char** argv)
{
    auto app = std::make_unique<DriverApp>();
    const std::string saveAll = Option(argc, argv, "save-all");
    Driver driver(*app, Option(argc, argv, "save"), Option(argc, argv, "refs"),
                  saveAll.empty() ? -1 : std::atoi(saveAll.c_str()));
    // Whatever follows "--" is the game's own command line.
    for (int i = 2; i < argc; ++i)
        if (std::string(argv[i]) == "--") app->mCommandLine.assign(argv + i + 1, argv + argc);
    app->afterUpdate = [&] { driver.AfterUpdate(); };
    app->Init();
    app->Start();
    const bool reached = driver.ReachedTitle();
    app.reset();
    return reached ? 0 : 3;
}

// ---- verify ----

// ".<name>.tmp-<pid>-<n>", as the atomic writer names its temporary files.
bool IsTemporaryName(const std::string& name)
{
    const size_t mark = name.rfind(".tmp-");
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos || mark < 2) return false;
    const size_t dash = name.find('-', mark + 5);
    auto digits = [&](size_t from, size_t to) { return to > from && name.find_first_not_of("0123456789", from) >= to; };
    return dash != std::string::npos && digits(mark + 5, dash) && digits(dash + 1, name.size());
}

// A file is read by the game's own reader for its kind; the text says why not.
std::string ReaderFault(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    Buffer buffer;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dat") == 0 && !LoadBufferFromDisk(path, buffer))
        return "cannot be read";
    if (name == kPlayersFileName)
    {
        PlayerList players;
        int32_t current = -1;
        if (!DecodePlayers(buffer, current, players)) return "wrong magic";
        if (players.size() != 1 || current != 0 || players[0]->name != "Kim") return "not the one player Kim";
    }
    else if (name == kPlayersExtFileName)
    {
        PlayerList players;
        players.push_back(std::make_unique<PlayerProfile>());
        players[0]->name = "Kim";
        if (!DecodePlayersExt(buffer, players)) return "wrong magic or version";
    }
    else if (name == kHighscoresFileName)
    {
        std::vector<HighscoreEntry> table;
        DecodeHighscores(buffer, table);
        Buffer again;
        EncodeHighscores(again, table);
        if (again.GetDataLen() != buffer.GetDataLen()) return "not ten whole records";
    }
    else if (name == "settings.ini")
    {
        // Read from a copy: the store tidies its folder and keeps a damaged file aside, and the files under
        // test must stay as the run left them.
        const fs::path copy = fs::path(gScratch) / "settings.ini";
        fs::create_directories(gScratch);
        fs::remove(fs::path(gScratch) / "settings.ini.damaged");
        fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
        Platform::SetSettingsFile(copy.string());
        Platform::HKEY key = nullptr;
        uint8_t value[4];
        uint32_t length = 4, type = 0;
        const bool ok =
            Platform::RegOpenKeyEx(Platform::HKEY_CURRENT_USER, "SOFTWARE\\Quillbrook\\CookEmber", 0,
                                   Platform::KEY_READ, &key) == Platform::ERROR_SUCCESS &&
            Platform::RegQueryValueEx(key, "MusicVolume", nullptr, &type, value, &length) == Platform::ERROR_SUCCESS;
        if (key) Platform::RegCloseKey(key);
        Platform::SetSettingsFile("");
        if (Platform::PathExists(copy.string() + ".damaged")) return "read as damaged";
        if (!ok) return "no music volume";
    }
    else if (name == "probe.wav")
    {
        // The current entry reads with the source's time; the stale one (an older source) only with that time.
        const std::string source = std::string(kProbe) + ".ogg";
        const uint64_t now = SoundSourceTime(source);
        bool whole = false;
        for (uint64_t time : {now, now - 10'000'000})
        {
            SoundData data;
            auto file = OpenPakSoundFile(path);
            whole = whole || (file && ReadWavSound(*file, data, [time](const std::string&) { return time; }));
        }
        if (!whole) return "not a whole cache entry";
    }
    return std::string();
}

int Verify(int argc, char** argv)
{
    const std::string refs = Option(argc, argv, "refs");
    const std::string home = Option(argc, argv, "home");
    const bool noTemp = Flag(argc, argv, "no-temp");
    gScratch = (fs::path(refs) / "scratch").string();
    int faults = 0;
    for (const std::string folder : {"config", "data", "cache"})
    {
        const fs::path root = fs::path(home) / folder;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::end(it); it.increment(error))
        {
            if (it->is_directory()) continue;
            const fs::path rel = fs::relative(it->path(), root);
            const std::string shown = folder + "/" + rel.string();
            if (IsTemporaryName(rel.filename().string()))
            {
                std::printf("%s temporary\n", shown.c_str());
                if (noTemp) ++faults;
                continue;
            }
            const fs::path kept = fs::path(refs) / folder / rel;
            const std::string text = ReadFile(it->path().string());
            int version = -1;
            for (int n = 0; version < 0 && fs::exists(kept / std::to_string(n)); ++n)
                if (ReadFile(kept / std::to_string(n)) == text) version = n;
            const std::string fault = ReaderFault(it->path().string());
            if (version < 0 || !fault.empty())
            {
                std::printf("%s FAULT: %s (%zu bytes)\n", shown.c_str(),
                            version < 0 ? "matches no saved version" : fault.c_str(), text.size());
                ++faults;
                continue;
            }
            std::printf("%s version %d\n", shown.c_str(), version);
        }
    }
    // The pair: the companion gives the players.dat beside it the results saved with it, whichever of the two
    // files a kill cut off between their writes.
    const fs::path data = fs::path(home) / "data" / "Quillbrook" / "CookEmber";
    Buffer main, ext;
    if (LoadBufferFromDisk((data / kPlayersFileName).string(), main) &&
        LoadBufferFromDisk((data / kPlayersExtFileName).string(), ext))
    {
        PlayerList players;
        int32_t current = -1;
        const uint32_t sum = PlayersChecksum(main);
        if (DecodePlayers(main, current, players) && DecodePlayersExt(ext, players, &sum) && !players.empty())
        {
            const int32_t money = players[0]->money, profit = players[0]->dayProfits[65];
            const bool matching =
                (money == 0 && profit == 0) || (money == 1000 && profit == 111) || (money == 2000 && profit == 222);
            std::printf("players pair %s: money %d with day 66 profit %d\n", matching ? "matches" : "FAULT", money,
                        profit);
            if (!matching) ++faults;
        }
    }
    return faults == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run") return Run(argc, argv);
    if (mode == "verify") return Verify(argc, argv);
    std::fprintf(stderr, "usage: faults_game run [--save=KIND] [--refs=DIR] | verify --refs=DIR --home=DIR\n");
    return 2;
}
