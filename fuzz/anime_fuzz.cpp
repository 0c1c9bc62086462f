// Fuzz target: any bytes as a customer animation file, loaded with the other characters, then every state of the
// character entered, animated and drawn. Nothing may crash or read outside the lists.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "game/board/BoardModel.h"
#include "game/board/BoardView.h"
#include "game/board/QuietBoardHost.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace
{

using namespace Zest;

struct FuzzHost : QuietBoardHost
{
    FuzzHost()
    {
        player.hintsShown.fill(1);
        mouseX = mouseY = 0;
    }
    int problems = 0;
    void DataFileProblem(const std::string&) override { ++problems; }
    // Every second picture loads, so both the drawn and the missing paths run.
    std::unique_ptr<Image> LoadImage(const std::string&) override
    {
        if (++loads % 2) return nullptr;
        auto img = std::make_unique<MemoryImage>();
        img->Create(16, 20);
        return img;
    }

    int loads = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One folder per process: parallel fuzzing runs must not read each other's file.
    static const std::filesystem::path dir = []
    {
        std::random_device rd;
        auto d = std::filesystem::temp_directory_path() / ("ember_anime_fuzz_" + std::to_string(rd()));
        std::filesystem::create_directories(d);
        return d;
    }();
    {
        std::ofstream out(dir / "cowboy_anime.xml", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    FuzzHost host;
    BoardModel model(host);
    model.CharacterFolder = dir.string() + "/";
    // Only the fuzzed type has a file: the other types are reported missing (false), and the drawing below runs
    // with whatever was read.
    [[maybe_unused]] const bool allRead = model.LoadCharacters();
    BoardView view(model, nullptr);
    MemoryImage screen;
    screen.Create(320, 240);
    Graphics g(&screen);
    Person p(0, 1);
    p.character = 0;
    p.slotX = 10, p.slotY = 10;
    for (int state = 0; state < 5; ++state)
    {
        p.SetState(model, state);
        for (int update = 0; update < 60; ++update)
        {
            ++host.count;
            p.Update(model);
            p.gone = false, p.leaving = false;
            if (update % 7 == 0) view.DrawPerson(g, p);
            (void)p.GetCenterX(model);
        }
    }
    return 0;
}
