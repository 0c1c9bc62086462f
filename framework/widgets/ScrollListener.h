// Zest::ScrollListener: what a scroll bar reports when its position changes.
#pragma once

namespace Zest
{

class ScrollListener
{
public:
    virtual ~ScrollListener() = default;
    virtual void ScrollPosition(int id, double position)
    {
        (void)id;
        (void)position;
    }
};

} // namespace Zest
