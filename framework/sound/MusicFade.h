// The volume and fade of one song, shared by the music back ends: a fade moves the volume one step per update
// between silence and the song's ceiling.
#pragma once

namespace Zest
{

struct MusicFade
{
    double volume = 0.0;
    double fadeStep = 0.0;
    double maxVolume = 1.0;
    bool stopWhenSilent = false;

    enum class Step
    {
        None,  // no fade is running
        Moved, // the volume changed
        Stop,  // the volume reached silence and the song is to stop
    };

    // One update's step; a fade ends at the ceiling or at silence.
    Step Advance()
    {
        if (fadeStep == 0) return Step::None;
        volume += fadeStep;
        if (volume > maxVolume)
        {
            volume = maxVolume;
            fadeStep = 0;
        }
        else if (volume < 0)
        {
            volume = 0;
            fadeStep = 0;
            if (stopWhenSilent) return Step::Stop;
        }
        return Step::Moved;
    }
};

} // namespace Zest
