// The game's images and font that controls take when they are made: filled in by the game once its resources
// are loaded, empty otherwise (a control without them draws a plain look of its own).
#pragma once

namespace Zest
{

class Font;
class Image;

// None of these is owned here: they belong to the resource manager that loaded them.
struct WidgetDefaults
{
    Image* checkboxImage = nullptr;    // a new check box's checked and unchecked image
    Image* sliderTrackImage = nullptr; // a new slider's track: start cap, middle, end cap in three equal cells
    Image* sliderThumbImage = nullptr; // a new slider's thumb
    Font* listFont = nullptr;          // a new list widget's font
};

// The one table of the process. Controls read it in their constructors, so it is filled before the first
// window is built; clearing it later leaves existing controls as they are.
WidgetDefaults& GetWidgetDefaults();

} // namespace Zest
