// The screen-change fade: darkens to black, swaps the listed screens, brightens, then hands the focus on.
#pragma once

#include "widgets/Widget.h"

#include <functional>
#include <vector>

namespace Zest
{

class BoardTransition : public Widget
{
public:
    static constexpr int kMidpoint = 100;
    static constexpr int kEnd = 200;

    BoardTransition();
    ~BoardTransition() override;

    // Back to the start with empty lists and no focus target; callers fill the lists after it.
    void Reset();

    void Update() override;
    void Draw(Graphics* g) override;

    // Veil opacity for a counter value: up to 255 at the midpoint, back to 0 at the end.
    static int Alpha(int counter);

    int32_t counter = 0;
    std::vector<Widget*> addList;
    std::vector<Widget*> removeList;
    Widget* focusTarget = nullptr;
    // Called when the fade ends: the play field's dim counter goes back to 0.
    std::function<void()> onDone;
};

} // namespace Zest
