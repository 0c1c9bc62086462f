// Zest::ButtonListener: what a push button reports to the window that holds it, told apart by button id.
#pragma once

namespace Zest
{

// Every operation has an empty default, so a window overrides only what it handles (most only
// ButtonReleased, the click). Listeners are never owned by the controls that call them.
class ButtonListener
{
public:
    virtual ~ButtonListener() = default;

    // The two-argument form lets a window see the click count; by default it forwards to the one-argument form.
    virtual void ButtonPress(int id, int clickCount)
    {
        (void)clickCount;
        ButtonPress(id);
    }
    virtual void ButtonPress(int id) { (void)id; }
    virtual void ButtonReleased(int id) { (void)id; }
    virtual void ButtonDownTick(int id) { (void)id; }
    virtual void ButtonMouseEnter(int id) { (void)id; }
    virtual void ButtonMouseLeave(int id) { (void)id; }
    virtual void ButtonMouseMove(int id, int x, int y)
    {
        (void)id;
        (void)x;
        (void)y;
    }
};

} // namespace Zest
