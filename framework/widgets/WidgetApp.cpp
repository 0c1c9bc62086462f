// The default dialog-button mapping of the application seam, and the process-wide application pointer.
#include "widgets/WidgetApp.h"

namespace Zest
{

namespace
{
WidgetApp* gWidgetApp = nullptr;
}

int WidgetApp::DialogButtonId(int dialogId, int buttonId)
{
    if (buttonId == 1000) return dialogId + 2000;
    if (buttonId == 1001) return dialogId + 3000;
    return -1;
}

void WidgetApp::DialogButtonPress(int dialogId, int buttonId)
{
    int appId = DialogButtonId(dialogId, buttonId);
    if (appId >= 0) ButtonPress(appId);
}

void WidgetApp::DialogButtonReleased(int dialogId, int buttonId)
{
    int appId = DialogButtonId(dialogId, buttonId);
    if (appId >= 0) ButtonReleased(appId);
}

WidgetApp* GetWidgetApp()
{
    return gWidgetApp;
}

void SetWidgetApp(WidgetApp* app)
{
    gWidgetApp = app;
}

} // namespace Zest
