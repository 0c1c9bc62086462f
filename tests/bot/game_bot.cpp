// The game bot's program: starts the real game in the current folder (its content), plays a new profile day after
// day through the application's input queue and prints a line per day, then a summary; exit code 0 when it got as
// far as it was asked to.
//
//   game_bot [--days N] [--seed S] [--game-minutes M] [--name NAME] [--hashes FILE] [--tries N] [--paced]
//            [--record DEMO | --replay DEMO] [--pause-file FILE --pause-at-result --pause-at-shop]
//            [--draw-every N] [--updates N] [--quiet] [--from-day N (debugging: not through input)] [--tour]
//            [--check-regions]
//
// Unpaced by default: the clock is stepped by the program, so updates run as fast as the machine allows, the
// screen is still drawn. --replay plays a demo recorded with --record and does not play itself. --check-regions
// draws every frame that is redrawn only where it changed a second time whole and fails the run when the two differ.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "GameBot.h"
#include "platform/Clock.h"
#include "platform/System.h"
#include "widgets/WidgetManager.h"

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage: game_bot [--days N] [--seed S] [--game-minutes M] [--name NAME] [--hashes FILE]\n"
                         "                [--tries N] [--paced] [--record DEMO | --replay DEMO]\n"
                         "                [--pause-file FILE] [--pause-at-result] [--pause-at-shop] [--quiet]\n"
                         "                [--draw-every N] [--updates N] [--from-day N] [--tour]\n"
                         "                [--check-regions]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Zest::Bot::BotOptions options;
    uint32_t seed = 1;
    bool paced = false;
    bool checkRegions = false;
    std::string record, replay;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        const auto value = [&]() -> std::string
        {
            if (i + 1 >= argc) std::exit(Usage());
            return argv[++i];
        };
        if (a == "--days")
            options.lastDay = std::atoi(value().c_str());
        else if (a == "--seed")
            seed = static_cast<uint32_t>(std::strtoul(value().c_str(), nullptr, 10));
        else if (a == "--game-minutes")
            options.maxUpdates = std::atoi(value().c_str()) * 6000;
        else if (a == "--updates")
            options.maxUpdates = std::atoi(value().c_str());
        else if (a == "--name")
            options.name = value();
        else if (a == "--hashes")
            options.hashFile = value();
        else if (a == "--tries")
            options.maxTries = std::atoi(value().c_str());
        else if (a == "--paced")
            paced = true;
        else if (a == "--record")
            record = value();
        else if (a == "--replay")
            replay = value();
        else if (a == "--pause-file")
            options.pauseFile = value();
        else if (a == "--pause-at-result")
            options.pauseAtResult = true;
        else if (a == "--pause-at-shop")
            options.pauseAtShop = true;
        else if (a == "--draw-every")
            options.drawEvery = std::max(1, std::atoi(value().c_str()));
        else if (a == "--from-day")
            options.fromDay = std::atoi(value().c_str());
        else if (a == "--tour")
            options.tour = true;
        else if (a == "--quiet")
            options.quiet = true;
        else if (a == "--check-regions")
            checkRegions = true;
        else
            return Usage();
    }
    if (options.maxUpdates > 0 && options.lastDay == 70) options.lastDay = 1000; // the time limit ends the run
    if (options.tour) options.lastDay = 1000;                                    // the tour ends at the title
    if (!paced)
    {
        options.holdForLoading = replay.empty();
        // The program's own clock: every wait of the main loop passes at once. The seed sets where it starts, and
        // the game seeds its generator from it.
        Platform::SetManualClock(true);
        Platform::SetManualClockTime(Platform::kClockStartMs + seed * 7919u);
    }
    auto app = std::make_unique<Zest::Bot::BotApp>(options);
    if (!record.empty()) app->mCommandLine = {"-record", "-demofile=" + record};
    if (!replay.empty()) app->mCommandLine = {"-play", "-demofile=" + replay};
    app->Init();
    if (checkRegions) app->mWidgetManager->checkRegions = true;
    app->Start();
    const auto& results = app->Results();
    int won = 0, lost = 0, updates = 0;
    double wall = 0;
    for (const auto& r : results)
    {
        (r.won ? won : lost) += 1;
        updates += r.updates;
        wall += r.wallMs;
    }
    uint64_t peak = 0, rss = 0;
    Platform::GetProcessMemory(peak, rss);
    char hash[64] = "no state hash taken (--hashes takes one)";
    if (!options.hashFile.empty())
        std::snprintf(hash, sizeof hash, "final state hash %016llx", static_cast<unsigned long long>(app->LastHash()));
    std::printf("bot: %s; %d days won, %d lost; %d updates in days (%.1f min game), %.1f s wall in days; "
                "%d purchases; peak %llu kB, now %llu kB; %s\n",
                replay.empty() ? app->GiveUpReason().c_str() : "replayed", won, lost, updates, updates / 6000.0,
                wall / 1000.0, app->Purchases(), static_cast<unsigned long long>(peak),
                static_cast<unsigned long long>(rss), hash);
    bool ok = !replay.empty() || (!app->GaveUp() && app->Finished());
    if (checkRegions)
    {
        const int passes = app->mWidgetManager->regionPasses, mismatches = app->mWidgetManager->regionMismatches;
        std::printf("bot: %d frames drawn by region, %d of them differ from a whole redraw\n", passes, mismatches);
        ok = ok && passes > 0 && mismatches == 0;
    }
    app.reset();
    return ok ? 0 : 1;
}
