// The screen-change fade: two seconds from the old screen through black to the new one.
#include "BoardTransition.h"

#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

BoardTransition::BoardTransition()
{
    // Redrawn every update while it runs.
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
}

BoardTransition::~BoardTransition()
{
    Reset();
}

void BoardTransition::Reset()
{
    counter = 0;
    addList.clear();
    removeList.clear();
    focusTarget = nullptr;
}

int BoardTransition::Alpha(int c)
{
    if (c <= kMidpoint) return c * 255 / kMidpoint;
    return 255 + (kMidpoint - c) * 255 / kMidpoint;
}

void BoardTransition::Update()
{
    Widget::Update();
    ++counter;
    WidgetManager* manager = widgetManager;
    if (manager == nullptr) return;
    if (counter == kMidpoint)
    {
        for (Widget* w : removeList) manager->RemoveWidget(w);
        for (Widget* w : addList) manager->AddWidget(w);
        // The fade holds the focus while the new screen brightens, so nothing under it takes input yet.
        manager->BringToFront(this);
        manager->SetFocus(this);
    }
    else if (counter == kEnd)
    {
        manager->RemoveWidget(this);
        if (focusTarget != nullptr) manager->SetFocus(focusTarget);
        if (onDone) onDone();
    }
}

void BoardTransition::Draw(Graphics* g)
{
    g->SetColorizeImages(false);
    g->SetColor(Color(0, 0, 0, Alpha(counter)));
    g->FillRect(0, 0, 800, 600);
}

} // namespace Zest
