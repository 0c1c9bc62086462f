// The widget tree: z-ordered children, dirty marking with cover tests, and the update, draw and hit traversals.
#include "widgets/WidgetContainer.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

enum ReorderMode
{
    REORDER_FRONT,
    REORDER_BACK,
    REORDER_BEHIND,
    REORDER_IN_FRONT_OF,
};

} // namespace

WidgetContainer::WidgetContainer() : updateIterator(children.end()) {}

WidgetContainer::~WidgetContainer()
{
    for (Widget* child : children)
    {
        if (child->parent == this) child->parent = nullptr;
    }
}

Rect WidgetContainer::GetRect() const
{
    return Rect(x, y, width, height);
}

bool WidgetContainer::Intersects(const WidgetContainer* other) const
{
    Rect a = GetRect();
    Rect b = other->GetRect();
    return int64_t(a.mX) < int64_t(b.mX) + b.mWidth && int64_t(b.mX) < int64_t(a.mX) + a.mWidth &&
           int64_t(a.mY) < int64_t(b.mY) + b.mHeight && int64_t(b.mY) < int64_t(a.mY) + a.mHeight;
}

void WidgetContainer::InsertByZOrder(WidgetList::iterator hint, Widget* widget)
{
    // Move from the hint to the nearest place that keeps the list sorted; only one of the two loops can run.
    WidgetList::iterator pos = hint;
    while (pos != children.begin() && (*std::prev(pos))->zOrder > widget->zOrder) --pos;
    while (pos != children.end() && (*pos)->zOrder < widget->zOrder) ++pos;
    children.insert(pos, widget);
}

void WidgetContainer::UnlinkChild(WidgetList::iterator it)
{
    if (it == updateIterator)
    {
        ++updateIterator;
        updateIteratorModified = true;
    }
    children.erase(it);
}

void WidgetContainer::AddWidget(Widget* widget)
{
    if (widget == nullptr || HasWidget(widget)) return;
    InsertByZOrder(children.end(), widget);
    widget->widgetManager = widgetManager;
    widget->parent = this;
    if (widgetManager != nullptr)
    {
        widget->AddedToManager(widgetManager);
        widget->MarkDirtyDeep();
        widgetManager->RefreshMouseOver();
    }
    MarkDirty();
}

void WidgetContainer::DetachFromManager(Widget* widget)
{
    WidgetManager* manager = widget->widgetManager;
    if (manager == nullptr) return;
    for (Widget* child : widget->children) DetachFromManager(child);
    manager->DisableWidget(widget);
    manager->ForgetWidget(widget);
    widget->RemovedFromManager(manager);
    widget->MarkDirtyDeep();
    widget->widgetManager = nullptr;
}

void WidgetContainer::RemoveWidget(Widget* widget)
{
    auto it = std::find(children.begin(), children.end(), widget);
    if (it == children.end()) return;
    DetachFromManager(widget);
    widget->parent = nullptr;
    // A removal made while the widget was being detached may already have taken it out.
    it = std::find(children.begin(), children.end(), widget);
    if (it != children.end()) UnlinkChild(it);
}

bool WidgetContainer::HasWidget(const Widget* widget) const
{
    return std::find(children.begin(), children.end(), widget) != children.end();
}

void WidgetContainer::DisableWidget(Widget* widget)
{
    (void)widget;
}

void WidgetContainer::RemoveAllWidgets(bool doDelete, bool recursive)
{
    while (!children.empty())
    {
        Widget* child = children.front();
        RemoveWidget(child);
        if (recursive) child->RemoveAllWidgets(doDelete, recursive);
        if (doDelete) delete child;
    }
}

void WidgetContainer::SetFocus(Widget* widget)
{
    (void)widget;
}

namespace
{

// Depth-first in list order; returns 1 when `a` is met first, 2 when `b` is, 0 when neither.
int FindFirstOf(const WidgetContainer* container, const Widget* a, const Widget* b)
{
    for (const Widget* child : container->children)
    {
        if (child == a) return 1;
        if (child == b) return 2;
        int found = FindFirstOf(child, a, b);
        if (found != 0) return found;
    }
    return 0;
}

} // namespace

bool WidgetContainer::IsBehind(const Widget* a, const Widget* b) const
{
    return FindFirstOf(this, a, b) == 1;
}

void WidgetContainer::MarkEverythingDirty()
{
    MarkDirty();
    for (Widget* child : children)
    {
        child->dirty = true;
        child->MarkEverythingDirty();
    }
}

bool WidgetContainer::Reorder(Widget* widget, int mode, Widget* reference)
{
    auto it = std::find(children.begin(), children.end(), widget);
    if (it == children.end()) return false;
    if (mode == REORDER_BEHIND || mode == REORDER_IN_FRONT_OF)
    {
        if (reference == widget || !HasWidget(reference)) return false;
    }
    UnlinkChild(it);
    switch (mode)
    {
    case REORDER_FRONT:
        InsertByZOrder(children.end(), widget);
        break;
    case REORDER_BACK:
        InsertByZOrder(children.begin(), widget);
        break;
    case REORDER_BEHIND:
        InsertByZOrder(std::find(children.begin(), children.end(), reference), widget);
        break;
    default:
        InsertByZOrder(std::next(std::find(children.begin(), children.end(), reference)), widget);
        break;
    }
    widget->OnZOrderChanged();
    return true;
}

void WidgetContainer::BringToFront(Widget* widget)
{
    Reorder(widget, REORDER_FRONT, nullptr);
}

void WidgetContainer::BringToBack(Widget* widget)
{
    Reorder(widget, REORDER_BACK, nullptr);
}

void WidgetContainer::MoveBehind(Widget* widget, Widget* reference)
{
    Reorder(widget, REORDER_BEHIND, reference);
}

void WidgetContainer::MoveInFrontOf(Widget* widget, Widget* reference)
{
    Reorder(widget, REORDER_IN_FRONT_OF, reference);
}

Point WidgetContainer::GetAbsolutePosition() const
{
    if (parent == nullptr) return Point(x, y);
    Point p = parent->GetAbsolutePosition();
    return Point(p.mX + x, p.mY + y);
}

void WidgetContainer::MarkDirty(Widget* child)
{
    if (child->dirty) return;
    MarkDirty();
    child->dirty = true;
    if (parent != nullptr) return;
    // Top level: what overlaps the child must be redrawn with it.
    if (child->seeThrough)
    {
        MarkDirtyDeep(child);
        return;
    }
    auto it = std::find(children.begin(), children.end(), child);
    if (it == children.end()) return;
    for (++it; it != children.end(); ++it)
    {
        Widget* sibling = *it;
        if (sibling->visible && sibling->Intersects(child)) MarkDirty(sibling);
    }
}

void WidgetContainer::MarkDirty()
{
    if (parent != nullptr)
        parent->MarkDirty(static_cast<Widget*>(this));
    else
        dirty = true;
}

void WidgetContainer::MarkDirtyDeep(Widget* child)
{
    MarkDirtyDeep();
    child->dirty = true;
    if (parent != nullptr) return;
    auto self = std::find(children.begin(), children.end(), child);
    if (self == children.end()) return;

    // The part of the child that lies on this container, and its two corner pixels.
    Rect visiblePart = child->GetRect().Intersection(Rect(0, 0, width, height));
    bool hasVisiblePart = !visiblePart.IsEmpty();
    int left = visiblePart.mX;
    int top = visiblePart.mY;
    int right = visiblePart.mX + visiblePart.mWidth - 1;
    int bottom = visiblePart.mY + visiblePart.mHeight - 1;

    // Behind it, down to the first opaque sibling that covers it whole.
    for (auto it = self; it != children.begin();)
    {
        --it;
        Widget* sibling = *it;
        if (!sibling->visible) continue;
        if (hasVisiblePart && !sibling->seeThrough && !sibling->translucent && sibling->Contains(left, top) &&
            sibling->Contains(right, bottom))
        {
            MarkDirty(sibling);
            break;
        }
        if (sibling->Intersects(child)) MarkDirty(sibling);
    }
    // In front of it.
    for (auto it = self; it != children.end(); ++it)
    {
        Widget* sibling = *it;
        if (sibling->visible && sibling->Intersects(child)) MarkDirty(sibling);
    }
}

void WidgetContainer::MarkDirtyDeep()
{
    if (parent != nullptr)
        parent->MarkDirtyDeep(static_cast<Widget*>(this));
    else
        dirty = true;
}

void WidgetContainer::AddedToManager(WidgetManager* manager)
{
    for (Widget* child : children)
    {
        child->widgetManager = manager;
        child->AddedToManager(manager);
        MarkDirty();
    }
}

void WidgetContainer::RemovedFromManager(WidgetManager* manager)
{
    for (Widget* child : children)
    {
        // Children taken out already (a removal detaches the subtree first) are not told twice.
        if (child->widgetManager == nullptr) continue;
        manager->DisableWidget(child);
        child->RemovedFromManager(manager);
        child->widgetManager = nullptr;
    }
    if (manager->popupWidget == this) manager->popupWidget = nullptr;
}

void WidgetContainer::Update()
{
    ++updateCount;
}

void WidgetContainer::UpdateAll(ModalFlags& modalFlags)
{
    ModalFlagsScope scope(modalFlags, flagChange);
    WidgetFlags flags = modalFlags.GetFlags();
    if (flags & WIDGETFLAGS_MARK_DIRTY) MarkDirty();
    WidgetManager* manager = widgetManager;
    if (manager == nullptr) return;
    if ((flags & WIDGETFLAGS_UPDATE) && lastUpdateSeen != manager->updateCount)
    {
        lastUpdateSeen = manager->updateCount;
        Update();
    }
    updateIterator = children.begin();
    while (updateIterator != children.end())
    {
        updateIteratorModified = false;
        Widget* child = *updateIterator;
        if (child == manager->baseModalWidget) modalFlags.isOver = true;
        child->UpdateAll(modalFlags);
        if (!updateIteratorModified) ++updateIterator;
    }
    updateIteratorModified = false;
    updateIterator = children.end();
}

void WidgetContainer::UpdateSmooth(float fraction)
{
    (void)fraction;
}

void WidgetContainer::UpdateSmoothAll(ModalFlags& modalFlags, float fraction)
{
    ModalFlagsScope scope(modalFlags, flagChange);
    if (modalFlags.GetFlags() & WIDGETFLAGS_UPDATE) UpdateSmooth(fraction);
    const Widget* baseModal = widgetManager != nullptr ? widgetManager->baseModalWidget : nullptr;
    updateIterator = children.begin();
    while (updateIterator != children.end())
    {
        updateIteratorModified = false;
        Widget* child = *updateIterator;
        if (child == baseModal) modalFlags.isOver = true;
        child->UpdateSmoothAll(modalFlags, fraction);
        if (!updateIteratorModified) ++updateIterator;
    }
    updateIteratorModified = false;
    updateIterator = children.end();
}

void WidgetContainer::Draw(Graphics* g)
{
    (void)g;
}

void WidgetContainer::DrawAll(ModalFlags& modalFlags, Graphics* g)
{
    WidgetManager* manager = widgetManager;
    if (manager != nullptr && manager->lowestOverlayPriority < priority) manager->DrawQueuedOverlays(priority);

    ModalFlagsScope scope(modalFlags, flagChange);
    WidgetFlags flags = modalFlags.GetFlags();
    if (clips && (flags & WIDGETFLAGS_CLIP)) g->ClipRect(0, 0, width, height);

    if (children.empty())
    {
        if (flags & WIDGETFLAGS_DRAW) Draw(g);
        return;
    }
    if (flags & WIDGETFLAGS_DRAW)
    {
        g->PushState();
        Draw(g);
        g->PopState();
    }
    const Widget* baseModal = manager != nullptr ? manager->baseModalWidget : nullptr;
    for (Widget* child : children)
    {
        if (!child->visible) continue;
        if (child == baseModal) modalFlags.isOver = true;
        Graphics childGraphics(*g);
        childGraphics.Translate(child->x, child->y);
        child->DrawAll(modalFlags, &childGraphics);
        child->dirty = false;
    }
}

void WidgetContainer::NotifyTree()
{
    OnNotifyTree();
    for (Widget* child : children) child->NotifyTree();
}

void WidgetContainer::OnNotifyTree() {}

Widget* WidgetContainer::GetWidgetAtHelper(int px, int py, WidgetFlags flags, int* localX, int* localY)
{
    WidgetFlags ownFlags = flagChange.Apply(flags);
    const Widget* baseModal = widgetManager != nullptr ? widgetManager->baseModalWidget : nullptr;
    bool behindModal = false;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
    {
        Widget* child = *it;
        WidgetFlags childFlags = child->flagChange.Apply(ownFlags);
        if (behindModal && widgetManager != nullptr) childFlags = widgetManager->belowModalFlagChange.Apply(childFlags);
        if ((childFlags & WIDGETFLAGS_ALLOW_MOUSE) && child->visible)
        {
            int childX = px - child->x;
            int childY = py - child->y;
            Widget* hit = child->GetWidgetAtHelper(childX, childY, childFlags, localX, localY);
            if (hit != nullptr) return hit;
            if (child->mouseVisible && child->GetInsetRect().Contains(px, py) && child->HitTest(childX, childY))
            {
                *localX = childX;
                *localY = childY;
                return child;
            }
        }
        if (child == baseModal) behindModal = true;
    }
    return nullptr;
}

} // namespace Zest
