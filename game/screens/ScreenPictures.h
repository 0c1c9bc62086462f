// The big pictures a single screen or window shows, held only while it is open.
#pragma once

#include <string>

namespace Zest
{

class Image;
class ShellResources;

// The pictures load with the rest of the group "Game" in the loading screen; once that is done, each lives only
// while a screen or window showing it is open: freed when the last one closes (its handle then null), loaded
// again when one opens. A played day holds none of them. Before Activate and after Deactivate nothing is loaded
// or freed: the handles keep what binding gave them.
class ScreenPictures
{
public:
    enum Picture : int
    {
        Title,
        Map,
        MapBottom,
        Shop,
        LevelComplete,
        GameOver,
        HelpPage1,
        Count,
    };

    // Starts holding through the resources: pictures with no open holder except the first screen's are freed.
    static void Activate(ShellResources* resources);
    // Stops freeing and loading (the group is going as a whole) and forgets the holders.
    static void Deactivate();
    static bool Active();

    // A screen showing the picture opens: loaded again when it was freed. Returns the handle's value.
    static Image* Acquire(Picture picture);
    // One that showed it closes: freed when no other holder is left.
    static void Release(Picture picture);

    static const char* Id(Picture picture);
    static int Holders(Picture picture);
};

} // namespace Zest
