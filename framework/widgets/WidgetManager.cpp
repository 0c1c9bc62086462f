// Zest::WidgetManager: input routing, hover, capture, focus, modal layers, frame update and screen drawing.
#include "widgets/WidgetManager.h"

#include <algorithm>

#include "graphics/DDImage.h"
#include "graphics/DrawRecord.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetApp.h"

namespace Zest
{

WidgetManager::WidgetManager(WidgetApp* owner) : app(owner)
{
    widgetManager = this;
}

WidgetManager::~WidgetManager()
{
    RemoveAllWidgets(false, false);
}

WidgetFlags WidgetManager::BaseFlags() const
{
    return hasFocus ? defaultFlags : lostFocusFlagChange.Apply(defaultFlags);
}

void WidgetManager::InitModalFlags(ModalFlags& modalFlags) const
{
    WidgetFlags base = BaseFlags();
    modalFlags.overFlags = base;
    modalFlags.underFlags = belowModalFlagChange.Apply(base);
    modalFlags.isOver = baseModalWidget == nullptr;
}

Widget* WidgetManager::GetWidgetAt(int mx, int my, int* localX, int* localY)
{
    int lx = 0;
    int ly = 0;
    Widget* widget = GetWidgetAtHelper(mx, my, BaseFlags(), &lx, &ly);
    if (widget != nullptr && widget->disabled) widget = nullptr;
    if (localX != nullptr) *localX = lx;
    if (localY != nullptr) *localY = ly;
    return widget;
}

int WidgetManager::ButtonBit(int clickCount)
{
    if (clickCount < 0) return MOUSE_BUTTON_RIGHT;
    if (clickCount == 3) return MOUSE_BUTTON_MIDDLE;
    return MOUSE_BUTTON_LEFT;
}

void WidgetManager::EnterWidget(Widget* widget)
{
    widget->isOver = true;
    widget->MouseEnter();
    if (widget->showHandCursor) widget->SetHandCursor(true);
}

void WidgetManager::LeaveWidget(Widget* widget)
{
    widget->isOver = false;
    widget->MouseLeave();
    if (widget->showHandCursor) widget->SetHandCursor(false);
}

void WidgetManager::ReleaseHeldButtons(Widget* widget, int buttons)
{
    static const int kBits[3] = {MOUSE_BUTTON_LEFT, MOUSE_BUTTON_RIGHT, MOUSE_BUTTON_MIDDLE};
    static const int kCodes[3] = {1, -1, 3};
    for (int i = 0; i < 3; ++i)
    {
        if ((buttons & kBits[i]) == 0) continue;
        widget->isDown = false;
        Point abs = widget->GetAbsolutePosition();
        widget->MouseUp(lastMouseX - abs.mX, lastMouseY - abs.mY, kCodes[i]);
    }
}

void WidgetManager::HoverStep(int mx, int my)
{
    int oldX = lastMouseX;
    int oldY = lastMouseY;
    lastMouseX = mx;
    lastMouseY = my;

    int lx = 0;
    int ly = 0;
    Widget* widget = GetWidgetAt(mx, my, &lx, &ly);
    if (widget == overWidget)
    {
        if ((oldX == mx && oldY == my) || widget == nullptr) return;
    }
    else
    {
        if (overWidget != nullptr)
        {
            Widget* old = overWidget;
            overWidget = nullptr;
            LeaveWidget(old);
        }
        // The leave handler may have taken the new widget out of the tree.
        if (widget != nullptr && widget->widgetManager != this) widget = nullptr;
        overWidget = widget;
        if (widget == nullptr) return;
        EnterWidget(widget);
    }
    widget->MouseMove(lx, ly);
}

void WidgetManager::RefreshMouseOver()
{
    if (capturedWidget == nullptr)
    {
        if (mouseInWindow) HoverStep(lastMouseX, lastMouseY);
        return;
    }
    if (overWidget != nullptr && GetWidgetAt(lastMouseX, lastMouseY, nullptr, nullptr) != capturedWidget)
    {
        Widget* old = overWidget;
        overWidget = nullptr;
        LeaveWidget(old);
    }
}

void WidgetManager::SetMouseRects(const Rect& screen, const Rect& window)
{
    screenRect = screen;
    windowRect = window;
    width = screen.mWidth + 2 * screen.mX;
    height = screen.mHeight + 2 * screen.mY;
}

void WidgetManager::MapMouseCoords(int& mx, int& my) const
{
    if (windowRect.mWidth == 0 || windowRect.mHeight == 0) return;
    mx = static_cast<int>(int64_t(mx - windowRect.mX) * screenRect.mWidth / windowRect.mWidth + screenRect.mX);
    my = static_cast<int>(int64_t(my - windowRect.mY) * screenRect.mHeight / windowRect.mHeight + screenRect.mY);
}

bool WidgetManager::MouseDown(int mx, int my, int clickCount)
{
    lastInputUpdate = updateCount;
    ++mouseEventSerial;
    int bit = ButtonBit(clickCount);
    downButtons |= bit;
    HoverStep(mx, my);

    if (popupWidget != nullptr && !popupWidget->Contains(mx, my))
    {
        Widget* popup = popupWidget;
        popupWidget = nullptr;
        if (popup->parent != nullptr) popup->parent->RemoveWidget(popup);
    }

    int lx = 0;
    int ly = 0;
    Widget* widget = GetWidgetAt(mx, my, &lx, &ly);
    if (capturedWidget != nullptr)
    {
        // The widget that holds the mouse takes every further press, in its own coordinates.
        widget = capturedWidget;
        Point abs = widget->GetAbsolutePosition();
        lx = mx - abs.mX;
        ly = my - abs.mY;
    }
    capturedButtons |= bit;
    capturedWidget = widget;
    if (widget != nullptr)
    {
        if (widget->WantsFocus()) SetFocus(widget);
        widget->isDown = true;
        widget->MouseDown(lx, ly, clickCount);
    }
    return true;
}

bool WidgetManager::MouseUp(int mx, int my, int clickCount)
{
    lastInputUpdate = updateCount;
    const uint32_t serial = ++mouseEventSerial;
    int bit = ButtonBit(clickCount);
    downButtons &= ~bit;
    if (capturedWidget != nullptr && (capturedButtons & bit) != 0)
    {
        capturedButtons &= ~bit;
        Widget* widget = capturedWidget;
        if (capturedButtons == 0) capturedWidget = nullptr;
        widget->isDown = false;
        Point abs = widget->GetAbsolutePosition();
        widget->MouseUp(mx - abs.mX, my - abs.mY, clickCount);
    }
    else
    {
        capturedButtons &= ~bit;
    }
    // When the release handler waited for a dialog, later mouse events have been taken in meanwhile and
    // (mx, my) is where the mouse was, not where it is: the hover is found again at the last position seen.
    if (mouseEventSerial != serial)
        RefreshMouseOver();
    else
        HoverStep(mx, my);
    return true;
}

bool WidgetManager::MouseMove(int mx, int my)
{
    lastInputUpdate = updateCount;
    ++mouseEventSerial;
    mouseInWindow = true;
    if (capturedButtons == 0)
    {
        HoverStep(mx, my);
        return true;
    }

    // A drag: only the widget that holds the mouse hears of it.
    lastMouseX = mx;
    lastMouseY = my;
    if (overWidget != nullptr && overWidget != capturedWidget)
    {
        Widget* old = overWidget;
        overWidget = nullptr;
        LeaveWidget(old);
    }
    if (capturedWidget == nullptr) return true;
    Point abs = capturedWidget->GetAbsolutePosition();
    capturedWidget->MouseDrag(mx - abs.mX, my - abs.mY);
    if (capturedWidget == nullptr) return true;
    if (GetWidgetAt(mx, my, nullptr, nullptr) == capturedWidget)
    {
        if (overWidget == nullptr)
        {
            overWidget = capturedWidget;
            EnterWidget(capturedWidget);
        }
    }
    else if (overWidget != nullptr)
    {
        Widget* old = overWidget;
        overWidget = nullptr;
        LeaveWidget(old);
    }
    return true;
}

bool WidgetManager::MouseExit()
{
    lastInputUpdate = updateCount;
    ++mouseEventSerial;
    mouseInWindow = false;
    if (overWidget != nullptr)
    {
        Widget* old = overWidget;
        overWidget = nullptr;
        LeaveWidget(old);
    }
    return true;
}

void WidgetManager::MouseWheel(int delta)
{
    lastInputUpdate = updateCount;
    if (focusWidget != nullptr) focusWidget->MouseWheel(delta);
}

bool WidgetManager::KeyChar(char chr)
{
    lastInputUpdate = updateCount;
    if (chr == 9 && keyDown[17])
    {
        if (defaultTabWidget != nullptr) defaultTabWidget->KeyChar(9);
        return true;
    }
    if (focusWidget != nullptr) focusWidget->KeyChar(chr);
    return true;
}

bool WidgetManager::KeyDown(int keyCode)
{
    lastInputUpdate = updateCount;
    if (keyCode >= 0 && keyCode < static_cast<int>(keyDown.size())) keyDown[static_cast<size_t>(keyCode)] = true;
    if (focusWidget != nullptr) focusWidget->KeyDown(keyCode);
    return true;
}

bool WidgetManager::KeyUp(int keyCode)
{
    lastInputUpdate = updateCount;
    if (keyCode >= 0 && keyCode < static_cast<int>(keyDown.size())) keyDown[static_cast<size_t>(keyCode)] = false;
    // The release of a Ctrl+Tab belongs to the default tab widget, which only hears the character.
    if (keyCode == 9 && keyDown[17]) return true;
    if (focusWidget != nullptr) focusWidget->KeyUp(keyCode);
    return true;
}

void WidgetManager::GotFocus()
{
    if (hasFocus) return;
    hasFocus = true;
    if (focusWidget != nullptr) focusWidget->GotFocus();
}

void WidgetManager::LostFocus()
{
    if (!hasFocus) return;
    downButtons = 0;
    for (int code = 0; code < static_cast<int>(keyDown.size()); ++code)
    {
        if (keyDown[static_cast<size_t>(code)]) KeyUp(code);
    }
    hasFocus = false;
    if (focusWidget != nullptr) focusWidget->LostFocus();
}

void WidgetManager::ReleaseMouseCapture()
{
    Widget* widget = capturedWidget;
    int buttons = capturedButtons;
    // Buttons pressed over no widget are forgotten too, or every later move would count as a drag.
    capturedWidget = nullptr;
    capturedButtons = 0;
    if (widget != nullptr && buttons != 0) ReleaseHeldButtons(widget, buttons);
}

void WidgetManager::DisableWidget(Widget* widget)
{
    if (widget == nullptr) return;
    if (widget == overWidget)
    {
        overWidget = nullptr;
        LeaveWidget(widget);
    }
    if (widget == capturedWidget)
    {
        int buttons = capturedButtons;
        capturedWidget = nullptr;
        capturedButtons = 0;
        ReleaseHeldButtons(widget, buttons);
    }
    if (widget == focusWidget)
    {
        focusWidget = nullptr;
        widget->LostFocus();
    }
    if (widget == baseModalWidget) baseModalWidget = nullptr;
}

void WidgetManager::ForgetWidget(Widget* widget)
{
    for (ModalLayer& layer : modalLayers)
    {
        if (layer.savedBaseModalWidget == widget) layer.savedBaseModalWidget = nullptr;
        if (layer.savedFocusWidget == widget) layer.savedFocusWidget = nullptr;
    }
    if (defaultTabWidget == widget) defaultTabWidget = nullptr;
    for (OverlayRequest& request : overlays)
    {
        if (request.widget == widget) request.widget = nullptr;
    }
}

void WidgetManager::SetFocus(Widget* widget)
{
    if (widget == focusWidget) return;
    Widget* old = focusWidget;
    if (old != nullptr) old->LostFocus();
    focusWidget = (widget != nullptr && widget->widgetManager == this) ? widget : nullptr;
    if (focusWidget != nullptr && hasFocus) focusWidget->GotFocus();
}

bool WidgetManager::UpdateFrame()
{
    ModalFlags modalFlags;
    InitModalFlags(modalFlags);
    ++updateCount;
    lastUpdateSeen = updateCount;
    UpdateAll(modalFlags);
    return dirty;
}

bool WidgetManager::UpdateFrameSmooth(float fraction)
{
    ModalFlags modalFlags;
    InitModalFlags(modalFlags);
    UpdateSmoothAll(modalFlags, fraction);
    return dirty;
}

void WidgetManager::MarkEverythingDirty()
{
    WidgetContainer::MarkEverythingDirty();
    ForgetDrawnRegions();
}

namespace
{
// The screen image's pixels as bytes, for the region check: the locked surface of a display image, else the bits.
struct ScreenPixels
{
    uint8_t* data = nullptr;
    size_t pitch = 0;
    int rows = 0;
};

ScreenPixels PixelsOf(Image* image)
{
    ScreenPixels p;
    if (auto* surface = dynamic_cast<DDImage*>(image); surface != nullptr && surface->mLockCount > 0)
    {
        p.data = static_cast<uint8_t*>(surface->mLockDesc.lpSurface);
        p.pitch = size_t(surface->mLockDesc.lPitch);
        p.rows = int(surface->mLockDesc.dwHeight);
    }
    else if (auto* memory = dynamic_cast<MemoryImage*>(image); memory != nullptr && memory->mBits)
    {
        p.data = reinterpret_cast<uint8_t*>(memory->GetBits());
        p.pitch = size_t(memory->mWidth) * 4;
        p.rows = memory->mHeight;
    }
    if (p.data == nullptr) p.rows = 0;
    return p;
}

std::vector<uint8_t> CopyPixels(const ScreenPixels& p)
{
    return std::vector<uint8_t>(p.data, p.data + p.pitch * size_t(p.rows));
}
} // namespace

std::vector<DrawNote> WidgetManager::NoteDrawing(Widget* child, const ModalFlags& modalFlags, bool accelerated,
                                                 bool& queuesOverlays)
{
    const int w = screenImage->GetWidth(), h = screenImage->GetHeight();
    if (!drawRecord || drawRecord->GetWidth() != w || drawRecord->GetHeight() != h)
        drawRecord = std::make_unique<DrawRecord>(w, h);
    drawRecord->Clear();
    // Overlays the widget queues belong to its real drawing only.
    const size_t queued = overlays.size();
    const int32_t lowest = lowestOverlayPriority;
    Graphics record(drawRecord.get());
    record.Translate(-screenRect.mX, -screenRect.mY);
    record.SetFastStretch(!accelerated);
    record.SetLinearBlend(accelerated);
    record.Translate(child->x, child->y);
    ModalFlags flags = modalFlags;
    child->DrawAll(flags, &record);
    queuesOverlays = overlays.size() != queued;
    overlays.resize(queued);
    lowestOverlayPriority = lowest;
    return drawRecord->TakeNotes();
}

void WidgetManager::DrawChild(Widget* child, const ModalFlags& modalFlags, const Graphics& base, bool accelerated,
                              const Rect* clip)
{
    Graphics g(base);
    if (clip != nullptr) g.SetBaseClip(*clip);
    g.SetFastStretch(!accelerated);
    g.SetLinearBlend(accelerated);
    g.Translate(child->x, child->y);
    ModalFlags flags = modalFlags;
    child->DrawAll(flags, &g);
}

bool WidgetManager::DrawScreen()
{
    if (!checkRegions) return DrawPass(true);
    // Checked: the pass drawn as usual, then drawn again whole onto the frame as it was before, and the two
    // frames compared.
    auto* surfaceImage = dynamic_cast<DDImage*>(screenImage);
    const bool locked = surfaceImage != nullptr && surfaceImage->LockSurface();
    struct Unlock
    {
        DDImage* image;
        bool locked;
        ~Unlock()
        {
            if (locked) image->UnlockSurface();
        }
    } unlock{surfaceImage, locked};
    const ScreenPixels pixels = PixelsOf(screenImage);
    if (pixels.rows == 0) return DrawPass(true);
    const std::vector<uint8_t> before = CopyPixels(pixels);
    std::vector<std::pair<Widget*, bool>> dirtyFlags;
    for (Widget* child : children) dirtyFlags.emplace_back(child, child->dirty);
    const bool wasDirty = dirty;
    const int regionsBefore = regionPasses;
    const bool drew = DrawPass(true);
    if (regionPasses == regionsBefore) return drew;
    const std::vector<Rect> drawn = drawnRects;
    const std::vector<uint8_t> regional = CopyPixels(pixels);
    std::copy(before.begin(), before.end(), pixels.data);
    for (auto& [child, flag] : dirtyFlags) child->dirty = flag;
    dirty = wasDirty;
    DrawPass(false);
    drawnRects = drawn;
    if (!std::equal(regional.begin(), regional.end(), pixels.data)) ++regionMismatches;
    return drew;
}

bool WidgetManager::DrawPass(bool byRegion)
{
    ModalFlags modalFlags;
    InitModalFlags(modalFlags);
    int dirtyCount = 0;
    for (const Widget* child : children)
    {
        if (child->dirty) ++dirtyCount;
    }
    lowestOverlayPriority = INT32_MAX;
    overlays.clear();
    if (byRegion)
    {
        drawnRects.clear();
        ++drawPass;
        // Another screen image holds none of what the widgets drew.
        if (screenImage != drawnScreen)
        {
            drawnScreen = screenImage;
            ForgetDrawnRegions();
        }
    }

    Graphics screen(screenImage);
    currentGraphics = &screen;
    // The screen surface stays locked for the whole pass: every surface routine below then only counts the lock
    // instead of locking and unlocking the surface for each rectangle, line and image.
    auto* surfaceImage = dynamic_cast<DDImage*>(screenImage);
    const bool locked = surfaceImage != nullptr && surfaceImage->LockSurface();

    const Rect whole(0, 0, screen.mDestImage->GetWidth(), screen.mDestImage->GetHeight());
    auto screenPart = [&](const Widget* child) {
        return Rect(child->x - screenRect.mX, child->y - screenRect.mY, child->width, child->height)
            .Intersection(whole);
    };
    bool drewAny = false;
    // Where each widget drew this pass, in drawing order; a widget left as it was on the screen (drawnNow false)
    // still covers what lies beneath it.
    struct PassDraw
    {
        const Widget* widget;
        std::vector<Rect> rects;
        bool drawnNow;
    };
    std::vector<PassDraw> passDraws;
    if (dirtyCount > 0)
    {
        Graphics base(screen);
        base.Translate(-screenRect.mX, -screenRect.mY);
        const bool accelerated = app != nullptr && app->Is3DAccelerated();
        bool regions = byRegion && !accelerated && screenImage != nullptr;
        if (regions)
        {
            regions = false;
            for (const Widget* child : children) regions = regions || (child->drawsByRegion && child->visible);
        }
        // With a widget drawn by region among them, every dirty widget's drawing is noted first: the region
        // widget then redraws beneath what the others draw, and no more.
        std::vector<std::vector<Rect>> noted;
        std::vector<std::vector<DrawNote>> notes;
        std::vector<bool> byRegionNow;
        std::vector<Widget*> notedWidgets;
        std::vector<bool> queued;
        // Widgets above the one region widget that draw what they drew last pass, where nothing beneath them is
        // redrawn: their pixels on the screen are already this frame's, so they are not drawn again.
        std::vector<bool> keep;
        std::vector<Rect> others;
        std::vector<Rect> regionRects;
        size_t regionAt = SIZE_MAX;
        if (regions)
        {
            ModalFlags flags = modalFlags;
            for (Widget* child : children)
            {
                if (child == baseModalWidget) flags.isOver = true;
                if (!child->dirty || !child->visible) continue;
                bool queuesOverlays = false;
                notes.push_back(NoteDrawing(child, flags, accelerated, queuesOverlays));
                const bool region = child->drawsByRegion && !queuesOverlays;
                byRegionNow.push_back(region);
                notedWidgets.push_back(child);
                queued.push_back(queuesOverlays);
                // Where it draws, as a few rectangles; a widget drawn by region needs them only when it is drawn
                // whole after all.
                if (queuesOverlays)
                    noted.push_back({screenPart(child)});
                else
                    noted.push_back(region ? std::vector<Rect>() : DrawRecord::Changes({}, notes.back(), 4));
            }
            const size_t count = notedWidgets.size();
            keep.assign(count, false);
            if (std::count(byRegionNow.begin(), byRegionNow.end(), true) == 1)
            {
                regionAt = size_t(std::find(byRegionNow.begin(), byRegionNow.end(), true) - byRegionNow.begin());
                for (size_t k = regionAt + 1; k < count; ++k)
                    keep[k] = !queued[k] && !notedWidgets[k]->drawsByRegion && SameDrawing(notedWidgets[k], notes[k]);
            }
            for (size_t k = 0; k < count; ++k)
                if (!byRegionNow[k] && !keep[k]) others.insert(others.end(), noted[k].begin(), noted[k].end());
            if (regionAt != SIZE_MAX)
            {
                // A kept widget that a redrawn part reaches is drawn after all, beneath it redrawn too; again until
                // none is reached.
                for (bool dropped = true; dropped;)
                {
                    std::vector<const Widget*> kept;
                    for (size_t k = 0; k < count; ++k)
                        if (keep[k]) kept.push_back(notedWidgets[k]);
                    regionRects = RegionRects(notedWidgets[regionAt], notes[regionAt], others, kept);
                    dropped = false;
                    for (size_t k = 0; k < count; ++k)
                    {
                        if (!keep[k]) continue;
                        const bool reached =
                            std::any_of(noted[k].begin(), noted[k].end(),
                                        [&](const Rect& r) {
                                            return std::any_of(regionRects.begin(), regionRects.end(),
                                                               [&](const Rect& q) { return q.Intersects(r); });
                                        });
                        if (!reached) continue;
                        keep[k] = false;
                        others.insert(others.end(), noted[k].begin(), noted[k].end());
                        dropped = true;
                    }
                }
            }
        }
        size_t index = 0;
        bool regionDrawn = false;
        for (Widget* child : children)
        {
            if (child == baseModalWidget) modalFlags.isOver = true;
            if (!child->dirty || !child->visible) continue;
            std::vector<Rect> drawn;
            bool drawnNow = true;
            // An overlay queued by a widget before it would be drawn from inside its drawing, between regions.
            if (regions && byRegionNow[index] && overlays.empty())
            {
                std::vector<Rect> rects =
                    index == regionAt ? std::move(regionRects) : RegionRects(child, notes[index], others, {});
                DrawByRegion(child, modalFlags, base, std::move(notes[index]), std::move(rects), drawn);
                regionDrawn = regionDrawn || index == regionAt;
            }
            else if (regions && keep[index] && regionDrawn)
            {
                drawn = noted[index];
                drawnNow = false;
            }
            else
            {
                DrawChild(child, modalFlags, base, accelerated, nullptr);
                // Unnoted, a widget may have drawn anywhere (the play screen's widgets draw outside their
                // rectangles).
                if (regions)
                    drawn = byRegionNow[index] ? DrawRecord::Changes({}, notes[index], 4) : noted[index];
                else
                    drawn.push_back(whole);
            }
            if (regions)
            {
                // The notes of what a widget above the region widget shows now, for the next pass to compare with.
                if (!child->drawsByRegion)
                {
                    const bool above = regionAt != SIZE_MAX && index > regionAt;
                    child->regionNotes = above ? std::move(notes[index]) : std::vector<DrawNote>();
                    child->regionPass = above ? drawPass : 0;
                }
                ++index;
            }
            passDraws.push_back({child, std::move(drawn), drawnNow});
            child->dirty = false;
            drewAny = true;
        }
    }
    // Overlays go anywhere: a region widget beneath redraws whole next time.
    if (!overlays.empty()) passDraws.push_back({nullptr, std::vector<Rect>{whole}, true});
    DrawQueuedOverlays(INT32_MAX);

    if (locked) surfaceImage->UnlockSurface();
    currentGraphics = nullptr;
    // Everything that asked for a redraw has had it.
    dirty = false;
    if (!byRegion) return drewAny;

    // Each region widget learns what was drawn over it after its own drawing (or this whole pass, when it did not
    // draw), and by which widget; one that was not shown keeps no record.
    for (Widget* child : children)
    {
        if (!child->drawsByRegion) continue;
        if (!child->visible || child->regionPass + 1 < drawPass)
        {
            child->regionPass = 0;
            child->regionNotes.clear();
            child->regionOverdrawn.clear();
            continue;
        }
        const Rect& part = whole;
        bool after = child->regionPass != drawPass;
        for (const PassDraw& draw : passDraws)
        {
            if (draw.widget == child)
            {
                after = true;
                continue;
            }
            if (!after) continue;
            for (const Rect& r : draw.rects)
                if (const Rect cut = r.Intersection(part); !cut.IsEmpty())
                    child->regionOverdrawn.emplace_back(draw.widget, cut);
        }
        // A long list of small parts is kept as the one box around them, drawn over by no widget in particular.
        if (child->regionOverdrawn.size() > 16)
        {
            Rect box = child->regionOverdrawn.front().second;
            for (const auto& [by, r] : child->regionOverdrawn)
            {
                const int left = std::min(box.mX, r.mX), top = std::min(box.mY, r.mY);
                const int right = std::max(box.mX + box.mWidth, r.mX + r.mWidth);
                const int bottom = std::max(box.mY + box.mHeight, r.mY + r.mHeight);
                box = Rect(left, top, right - left, bottom - top);
            }
            child->regionOverdrawn.assign(1, {nullptr, box});
        }
        child->regionPass = drawPass;
    }
    drawnEpoch = regionEpoch;
    for (const PassDraw& draw : passDraws)
        if (draw.drawnNow) drawnRects.insert(drawnRects.end(), draw.rects.begin(), draw.rects.end());
    return drewAny;
}

bool WidgetManager::SameDrawing(const Widget* child, const std::vector<DrawNote>& notes) const
{
    if (child->regionPass == 0 || child->regionPass + 1 != drawPass || drawnEpoch != regionEpoch) return false;
    if (notes.empty() || child->regionNotes.size() != notes.size()) return false;
    for (size_t i = 0; i < notes.size(); ++i)
        if (child->regionNotes[i].id != notes[i].id) return false;
    return true;
}

std::vector<Rect> WidgetManager::RegionRects(const Widget* child, const std::vector<DrawNote>& notes,
                                             const std::vector<Rect>& others, const std::vector<const Widget*>& kept)
{
    // The widget paints the whole screen (a widget of the play screen may draw outside its own rectangle).
    const Rect area(0, 0, screenImage->GetWidth(), screenImage->GetHeight());
    // The parts that can differ from what the screen holds: the calls that changed, what others drew over the
    // widget since it last drew (but for widgets still there and drawing the same), and what they draw over it
    // now (they draw after it onto fresh pixels). Without an unbroken record of the last frame, all of it.
    std::vector<Rect> rects;
    const bool unbroken = child->regionPass + 1 == drawPass && drawnEpoch == regionEpoch;
    if (unbroken)
    {
        rects = DrawRecord::Changes(child->regionNotes, notes, 4);
        for (const auto& [by, r] : child->regionOverdrawn)
            if (by == nullptr || std::find(kept.begin(), kept.end(), by) == kept.end()) rects.push_back(r);
        for (const Rect& r : others) rects.push_back(r);
    }
    else
        rects.push_back(area);
    for (Rect& r : rects) r = r.Intersection(area);
    std::erase_if(rects, [](const Rect& r) { return r.IsEmpty(); });
    DrawRecord::TakeWhole(rects, notes);
    return rects;
}

void WidgetManager::DrawByRegion(Widget* child, const ModalFlags& modalFlags, const Graphics& base,
                                 std::vector<DrawNote> notes, std::vector<Rect> rects, std::vector<Rect>& drawn)
{
    if (child->regionPass + 1 == drawPass && drawnEpoch == regionEpoch) ++regionPasses;
    const bool accelerated = false;
    for (const Rect& r : rects) DrawChild(child, modalFlags, base, accelerated, &r);
    child->regionNotes = std::move(notes);
    child->regionPass = drawPass;
    child->regionOverdrawn.clear();
    drawn.insert(drawn.end(), rects.begin(), rects.end());
}

void WidgetManager::DrawQueuedOverlays(int32_t belowPriority)
{
    if (currentGraphics == nullptr) return;
    while (lowestOverlayPriority < belowPriority)
    {
        int32_t drawPriority = lowestOverlayPriority;
        int32_t nextLowest = INT32_MAX;
        bool anyLeft = false;
        for (size_t i = 0; i < overlays.size(); ++i)
        {
            OverlayRequest request = overlays[i];
            if (request.widget == nullptr) continue;
            if (request.priority == drawPriority)
            {
                overlays[i].widget = nullptr;
                Graphics overlay(*currentGraphics);
                overlay.Translate(-screenRect.mX, -screenRect.mY);
                Point abs = request.widget->GetAbsolutePosition();
                overlay.Translate(abs.mX, abs.mY);
                request.widget->DrawOverlay(&overlay, request.priority);
            }
            else
            {
                anyLeft = true;
                nextLowest = std::min(nextLowest, request.priority);
            }
        }
        lowestOverlayPriority = nextLowest;
        if (!anyLeft)
        {
            overlays.clear();
            break;
        }
    }
}

void WidgetManager::ApplyModalLayer(Widget* widget, const WidgetFlagChange& change)
{
    baseModalWidget = widget;
    belowModalFlagChange = change;
    if (widget == nullptr) return;
    if (change.remove & WIDGETFLAGS_ALLOW_MOUSE)
    {
        if (overWidget != nullptr && IsBehind(overWidget, widget))
        {
            Widget* old = overWidget;
            overWidget = nullptr;
            LeaveWidget(old);
        }
        if (capturedWidget != nullptr && IsBehind(capturedWidget, widget))
        {
            Widget* held = capturedWidget;
            int buttons = capturedButtons;
            capturedWidget = nullptr;
            capturedButtons = 0;
            ReleaseHeldButtons(held, buttons);
        }
    }
    if ((change.remove & WIDGETFLAGS_ALLOW_FOCUS) && focusWidget != nullptr && IsBehind(focusWidget, widget))
    {
        Widget* old = focusWidget;
        focusWidget = nullptr;
        old->LostFocus();
    }
}

void WidgetManager::PushModalLayer(Widget* widget, const WidgetFlagChange& change)
{
    modalLayers.push_back(ModalLayer{widget, baseModalWidget, focusWidget, belowModalFlagChange});
    ApplyModalLayer(widget, change);
}

void WidgetManager::PushModalLayer(Widget* widget)
{
    PushModalLayer(widget, defaultBelowModalFlagChange);
}

void WidgetManager::PopModalLayer(Widget* widget)
{
    if (modalLayers.empty() || modalLayers.back().widget != widget) return;
    for (;;)
    {
        ModalLayer layer = modalLayers.back();
        // A layer whose earlier modal widget has gone takes the layer below it along.
        bool cascade = layer.savedBaseModalWidget == nullptr && modalLayers.size() > 1;
        ApplyModalLayer(layer.savedBaseModalWidget, layer.savedFlagChange);
        if (focusWidget == nullptr)
        {
            focusWidget = layer.savedFocusWidget;
            if (focusWidget != nullptr) focusWidget->GotFocus();
        }
        modalLayers.pop_back();
        if (!cascade || modalLayers.empty()) break;
    }
}

} // namespace Zest
