// Zest::TipWnd: the window that introduces a new kind of customer: its picture, name and what it wants.
#pragma once

#include "game/screens/ShellServices.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"

#include <memory>

namespace Zest
{

class GameApp;

class TipWnd : public Dialog
{
public:
    static constexpr int kOkId = 0;

    TipWnd(GameApp* app, int customerType);
    ~TipWnd() override;

    // Fade-in opacity: 0 to 255 over the first 50 updates.
    int Alpha() const;
    // Language texts of the heading, the customer's name and its description.
    int NameText() const { return 168 + customerType; }
    int DescriptionText() const { return 180 + customerType; }

    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;

    GameApp* app;
    std::unique_ptr<ButtonWidget> okButton;
    int customerType;
    std::unique_ptr<TipCustomer> customer;
    int32_t shownUpdates = 0;
};

} // namespace Zest
