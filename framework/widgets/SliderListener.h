// Zest::SliderListener: what a slider reports when the user moves it.
#pragma once

namespace Zest
{

class SliderListener
{
public:
    virtual ~SliderListener() = default;
    // value runs from 0.0 to 1.0.
    virtual void SliderVal(int id, double value)
    {
        (void)id;
        (void)value;
    }
};

} // namespace Zest
