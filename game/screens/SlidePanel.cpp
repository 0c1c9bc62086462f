// The sliding panel: motion, dimming and the button set-up the game's windows share.
#include "SlidePanel.h"

#include "GameApp.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

#include <algorithm>

namespace Zest
{

int ImageWidth(Image* image)
{
    return image ? image->GetWidth() : 0;
}

int ImageHeight(Image* image)
{
    return image ? image->GetHeight() : 0;
}

SlidePanel::SlidePanel(GameApp* gameApp, Image* frameImage, Image* buttonImage, int dialogId, const std::string& header,
                       const std::string& lines)
    : Dialog(frameImage, buttonImage, dialogId, true, header, lines, "", DIALOG_BUTTONS_NONE), app(gameApp)
{
    // Animating windows are drawn again on every update.
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
}

bool SlidePanel::SlideStep()
{
    if (closing)
    {
        Move(x, y + kStep);
        return y > kScreenBottom;
    }
    const int rest = RestY();
    if (y > rest) Move(x, y - kStep < rest ? rest : y - kStep);
    return false;
}

float SlidePanel::ShareBelowRest() const
{
    const int travel = kScreenBottom - RestY();
    if (travel <= 0) return 0.0f;
    return static_cast<float>(y - RestY()) / static_cast<float>(travel);
}

int SlidePanel::DimAlpha(int maxAlpha) const
{
    // Past the bottom edge, in the update that closes it, the share would go below 0.
    return std::clamp(static_cast<int>((1.0f - ShareBelowRest()) * static_cast<float>(maxAlpha)), 0, maxAlpha);
}

void SlidePanel::FillScreen(Graphics* g, int alpha)
{
    g->ClearClipRect();
    g->SetColor(Color(0, 0, 0, alpha));
    g->FillRect(-x, -y, 800, 600);
}

void SlidePanel::SetUpButton(ButtonWidget& button, const std::string& label, Image* normal, Image* over, Image* down,
                             Image* disabledImage, Font* font, int bx, int by)
{
    button.label = label;
    button.buttonImage = normal;
    button.overImage = over;
    button.downImage = down;
    button.disabledImage = disabledImage;
    if (font) button.SetFont(font);
    for (int c : {0, 1, 2}) button.SetColor(c, Color(255, 255, 255));
    button.showHandCursor = true;
    button.Resize(bx, by, ImageWidth(normal), ImageHeight(normal));
    AddWidget(&button);
}

} // namespace Zest
