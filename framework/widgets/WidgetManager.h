// Zest::WidgetManager: the root of the widget tree, where input enters it: routing to the held, hovered or
// focused widget, capture, focus, modal layers, the frame update and the drawing of dirty top-level widgets.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/DrawRecord.h"
#include "graphics/Rect.h"
#include "widgets/Widget.h"
#include "widgets/WidgetContainer.h"

namespace Zest
{

class Graphics;
class Image;
class WidgetApp;

// One pushed modal layer: its widget and the manager's state from before the push.
struct ModalLayer
{
    Widget* widget = nullptr;
    Widget* savedBaseModalWidget = nullptr;
    Widget* savedFocusWidget = nullptr;
    WidgetFlagChange savedFlagChange;
};

struct OverlayRequest
{
    Widget* widget = nullptr;
    int32_t priority = 0;
};

// Mouse button bits of capturedButtons and downButtons.
inline constexpr int MOUSE_BUTTON_LEFT = 0x1;
inline constexpr int MOUSE_BUTTON_RIGHT = 0x2;
inline constexpr int MOUSE_BUTTON_MIDDLE = 0x4;

class WidgetManager : public WidgetContainer
{
public:
    Widget* defaultTabWidget = nullptr;
    Graphics* currentGraphics = nullptr;
    WidgetApp* app = nullptr;
    Image* screenImage = nullptr;
    Widget* popupWidget = nullptr;
    std::vector<OverlayRequest> overlays;
    int32_t lowestOverlayPriority = INT32_MAX;
    bool hasFocus = true;
    Widget* focusWidget = nullptr;
    Widget* capturedWidget = nullptr;
    Widget* overWidget = nullptr;
    Widget* baseModalWidget = nullptr;
    WidgetFlagChange lostFocusFlagChange;
    WidgetFlagChange belowModalFlagChange;
    WidgetFlagChange defaultBelowModalFlagChange{0, WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS};
    std::vector<ModalLayer> modalLayers;
    Rect screenRect;
    Rect windowRect;
    bool mouseInWindow = false;
    int32_t lastMouseX = 0;
    int32_t lastMouseY = 0;
    int capturedButtons = 0;
    int downButtons = 0;
    int32_t lastInputUpdate = 0;
    // +1 per mouse event taken in. A handler that ran a loop of its own (a dialog waited for) returns with a
    // different value: the mouse may have moved on meanwhile.
    uint32_t mouseEventSerial = 0;
    // Indexed by key code 0..254 (16 Shift, 17 Ctrl); codes outside are passed on but not recorded.
    std::array<bool, 255> keyDown{};
    WidgetFlags defaultFlags =
        WIDGETFLAGS_UPDATE | WIDGETFLAGS_DRAW | WIDGETFLAGS_CLIP | WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS;

    explicit WidgetManager(WidgetApp* owner);
    // Takes every widget out of the tree (none is deleted).
    ~WidgetManager() override;

    void DisableWidget(Widget* widget) override;
    void SetFocus(Widget* widget) override;

    // Driven by the application.
    void SetMouseRects(const Rect& screen, const Rect& window);
    // Window position -> logical screen position; a window of zero size leaves the point as it is.
    void MapMouseCoords(int& mx, int& my) const;
    // Click codes: 1 left, 2 left double, -1 right, -2 right double, 3 middle.
    bool MouseDown(int mx, int my, int clickCount);
    bool MouseUp(int mx, int my, int clickCount);
    bool MouseMove(int mx, int my);
    bool MouseExit();
    void MouseWheel(int delta);
    bool KeyChar(char chr);
    bool KeyDown(int keyCode);
    bool KeyUp(int keyCode);
    void GotFocus();
    void LostFocus();
    void ReleaseMouseCapture();
    bool UpdateFrame();
    bool UpdateFrameSmooth(float fraction);
    // Draws each dirty, visible top-level widget with all its children; true when anything was drawn. A widget
    // that draws by region is drawn only where its drawing changed (and where others drew over it), with the
    // same pixels as a whole redraw.
    bool DrawScreen();
    // The screen rectangles the last DrawScreen wrote to (merged; all pixels elsewhere are as before it).
    const std::vector<Rect>& DrawnRects() const { return drawnRects; }
    // The screen no longer holds what the widgets drew last (lost, or drawn over from outside): the next pass
    // redraws region widgets whole.
    void ForgetDrawnRegions() { ++regionEpoch; }
    // Tests: after each pass that drew a widget by region, the same pass is drawn again whole onto the frame as
    // it was before and both frames compared; passes drawn by region and mismatching ones are counted here.
    bool checkRegions = false;
    int regionMismatches = 0;
    int regionPasses = 0;
    void MarkEverythingDirty() override;
    void PushModalLayer(Widget* widget, const WidgetFlagChange& change);
    void PushModalLayer(Widget* widget);
    void PopModalLayer(Widget* widget);

    // Used by widgets.
    void InitModalFlags(ModalFlags& modalFlags) const;
    // The enabled widget under a screen point and the point in its coordinates, or null.
    Widget* GetWidgetAt(int mx, int my, int* localX, int* localY);
    // Recomputes the widget under the last mouse position after the tree changed.
    void RefreshMouseOver();
    // Moves the hover to the widget under (mx, my) and passes it the move.
    void HoverStep(int mx, int my);
    void DrawQueuedOverlays(int32_t belowPriority);
    // Drops the references a leaving widget may still have in the modal layers and the default tab target.
    void ForgetWidget(Widget* widget);

private:
    static int ButtonBit(int clickCount);
    void EnterWidget(Widget* widget);
    void LeaveWidget(Widget* widget);
    // MouseUp for each button of `buttons`, at the last mouse position made relative to the widget.
    void ReleaseHeldButtons(Widget* widget, int buttons);
    void ApplyModalLayer(Widget* widget, const WidgetFlagChange& change);
    WidgetFlags BaseFlags() const;
    // One pass over the dirty top-level widgets; whole widgets only when not byRegion (then no record is kept).
    bool DrawPass(bool byRegion);
    // What a widget would draw, noted without drawing; queuesOverlays tells that it asked for overlays.
    std::vector<DrawNote> NoteDrawing(Widget* child, const ModalFlags& modalFlags, bool accelerated,
                                      bool& queuesOverlays);
    void DrawChild(Widget* child, const ModalFlags& modalFlags, const Graphics& base, bool accelerated,
                   const Rect* clip);
    // The parts of a region widget to redraw given its new notes and what others draw over it now; what the
    // widgets in `kept` drew over it before stays as it is.
    std::vector<Rect> RegionRects(const Widget* child, const std::vector<DrawNote>& notes,
                                  const std::vector<Rect>& others, const std::vector<const Widget*>& kept);
    // One dirty top-level widget drawn by region from its new notes in those parts, added to `drawn`.
    void DrawByRegion(Widget* child, const ModalFlags& modalFlags, const Graphics& base, std::vector<DrawNote> notes,
                      std::vector<Rect> rects, std::vector<Rect>& drawn);
    // Whether a widget noted last pass, still shown as then, notes the same drawing now.
    bool SameDrawing(const Widget* child, const std::vector<DrawNote>& notes) const;

    std::vector<Rect> drawnRects;
    std::unique_ptr<DrawRecord> drawRecord;
    uint64_t drawPass = 0;
    uint64_t regionEpoch = 0;
    uint64_t drawnEpoch = 0;
    const Image* drawnScreen = nullptr;
};

} // namespace Zest
