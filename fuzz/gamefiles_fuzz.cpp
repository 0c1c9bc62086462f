// Fuzz target: the players file, its companion and the high-score file, as the game reads them from the home folder.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/Buffer.h"
#include "game/core/Highscores.h"
#include "game/core/ProfileFile.h"

using namespace Zest;

namespace
{

Buffer Wrap(const uint8_t* data, size_t size)
{
    Buffer buffer;
    buffer.SetData(data, static_cast<int>(size));
    return buffer;
}

} // namespace

// The first byte chooses the reader; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (1u << 20)) return 0;
    const uint8_t which = data[0] % 3;
    Buffer file = Wrap(data + 1, size - 1);
    if (which == 0)
    {
        PlayerList players;
        int32_t current = -1;
        if (!DecodePlayers(file, current, players)) return 0;
        // What was read is always in range and saves to a file that reads back the same.
        if (current < -1 || current >= static_cast<int32_t>(players.size())) std::abort();
        Buffer again;
        EncodePlayers(again, current, players);
        PlayerList back;
        int32_t backCurrent = -1;
        if (!DecodePlayers(again, backCurrent, back) || back.size() != players.size() || backCurrent != current)
            std::abort();
    }
    else if (which == 1)
    {
        // A companion beside two profiles, one of them with the name the seeds use.
        PlayerList players;
        for (const char* name : {"Kim", "Ann"})
        {
            players.push_back(std::make_unique<PlayerProfile>());
            players.back()->name = name;
        }
        const uint32_t sum = 12345;
        DecodePlayersExt(file, players, &sum);
        Buffer again;
        ExtBlock previous{sum, EncodeExtEntries(players)};
        EncodePlayersExt(again, players, sum + 1, &previous);
        if (!DecodePlayersExt(again, players, &sum)) std::abort();
    }
    else
    {
        std::vector<HighscoreEntry> table;
        DecodeHighscores(file, table);
        if (table.size() != static_cast<size_t>(kNumHighscores)) std::abort();
    }
    return 0;
}
