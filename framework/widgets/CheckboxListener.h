// Zest::CheckboxListener: what a check box reports when it is toggled.
#pragma once

namespace Zest
{

class CheckboxListener
{
public:
    virtual ~CheckboxListener() = default;
    virtual void CheckboxChecked(int id, bool checked)
    {
        (void)id;
        (void)checked;
    }
};

} // namespace Zest
