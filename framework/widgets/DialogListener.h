// Zest::DialogListener: what a dialog reports about its yes/OK (1000) and no/cancel (1001) buttons.
#pragma once

namespace Zest
{

class DialogListener
{
public:
    virtual ~DialogListener() = default;
    virtual void DialogButtonPress(int dialogId, int buttonId)
    {
        (void)dialogId;
        (void)buttonId;
    }
    virtual void DialogButtonReleased(int dialogId, int buttonId)
    {
        (void)dialogId;
        (void)buttonId;
    }
};

} // namespace Zest
