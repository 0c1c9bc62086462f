// The sliding panel shared by the game's windows: it rises from below the screen, rests, sinks away again when
// closed, and darkens the screen behind it in step with its position.
#pragma once

#include "widgets/Dialog.h"

#include <string>

namespace Zest
{

class Color;
class Font;
class GameApp;
class Graphics;
class Image;

// Width and height of a picture, 0 for a missing one.
int ImageWidth(Image* image);
int ImageHeight(Image* image);

class SlidePanel : public Dialog
{
public:
    static constexpr int kStep = 12;
    static constexpr int kScreenBottom = 600;

    SlidePanel(GameApp* app, Image* frameImage, Image* buttonImage, int dialogId, const std::string& header = "",
               const std::string& lines = "");

    // Where the panel rests: on the bottom edge of the screen unless a window says otherwise.
    virtual int RestY() const { return kScreenBottom - height; }

    // One update of the motion: rises by 12 towards its rest while open, sinks by 12 while closing. True in the
    // update in which a closing panel first passes the bottom of the screen (the caller then closes it).
    bool SlideStep();

    // Alpha of the dimming: 0 at y = 600, `maxAlpha` at rest, following the position in single precision.
    int DimAlpha(int maxAlpha) const;
    // The share of the way left to the bottom of the screen: 0 at rest, 1 at y = 600 (single precision).
    float ShareBelowRest() const;
    // Black over the whole 800 x 600 screen at that alpha, drawn from the panel's own coordinates.
    void FillScreen(Graphics* g, int alpha);

    // Puts a button of the window's look in place: images normal, over, down (disabled optional), font, white
    // label colours, hand cursor. Added as a child.
    void SetUpButton(ButtonWidget& button, const std::string& label, Image* normal, Image* over, Image* down,
                     Image* disabledImage, Font* font, int bx, int by);

    GameApp* app;
    bool closing = false;
};

} // namespace Zest
