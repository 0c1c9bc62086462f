// Zest::WidgetContainer: the root class of the widget tree: children in z-order, a rectangle, dirty marking,
// and the update, draw and hit-test traversals.
#pragma once

#include <cstdint>
#include <list>

#include "graphics/Rect.h"

namespace Zest
{

class Graphics;
class Widget;
class WidgetManager;

// Traversal flags. They are never stored on a widget: each traversal starts from the manager's defaults and
// every container on the way down changes them with its WidgetFlagChange.
using WidgetFlags = uint32_t;
inline constexpr WidgetFlags WIDGETFLAGS_UPDATE = 0x01;
inline constexpr WidgetFlags WIDGETFLAGS_MARK_DIRTY = 0x02;
inline constexpr WidgetFlags WIDGETFLAGS_DRAW = 0x04;
inline constexpr WidgetFlags WIDGETFLAGS_CLIP = 0x08;
inline constexpr WidgetFlags WIDGETFLAGS_ALLOW_MOUSE = 0x10;
inline constexpr WidgetFlags WIDGETFLAGS_ALLOW_FOCUS = 0x20;

struct WidgetFlagChange
{
    WidgetFlags add = 0;
    WidgetFlags remove = 0;

    constexpr WidgetFlags Apply(WidgetFlags flags) const { return (flags | add) & ~remove; }
};

// The flags carried through one traversal: those in force for the base modal widget and everything in front
// of it, those in force behind it, and whether the walk has reached it yet (true when there is none).
struct ModalFlags
{
    WidgetFlags overFlags = 0;
    WidgetFlags underFlags = 0;
    bool isOver = true;

    constexpr WidgetFlags GetFlags() const { return isOver ? overFlags : underFlags; }
};

class WidgetContainer
{
public:
    using WidgetList = std::list<Widget*>;

    // Sorted by zOrder ascending, back to front. Not owned.
    WidgetList children;
    WidgetManager* widgetManager = nullptr;
    WidgetContainer* parent = nullptr;
    // Where a running UpdateAll/UpdateSmoothAll of this container stands, and whether a removal moved it on.
    bool updateIteratorModified = false;
    WidgetList::iterator updateIterator;
    int32_t lastUpdateSeen = 0;
    int32_t updateCount = 0;
    bool dirty = false;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool seeThrough = false;
    bool clips = true;
    WidgetFlagChange flagChange;
    int32_t priority = 0;
    int32_t zOrder = 0;

    WidgetContainer();
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;
    // Children are not deleted; they are only told they have no parent any more.
    virtual ~WidgetContainer();

    virtual Rect GetRect() const;
    virtual bool Intersects(const WidgetContainer* other) const;
    virtual void AddWidget(Widget* widget);
    virtual void RemoveWidget(Widget* widget);
    virtual bool HasWidget(const Widget* widget) const;
    virtual void DisableWidget(Widget* widget);
    virtual void RemoveAllWidgets(bool doDelete = false, bool recursive = false);
    virtual void SetFocus(Widget* widget);
    // True when a depth-first walk of this subtree in list order meets `a` before `b`.
    virtual bool IsBehind(const Widget* a, const Widget* b) const;
    virtual void MarkEverythingDirty();
    virtual void BringToFront(Widget* widget);
    virtual void BringToBack(Widget* widget);
    virtual void MoveBehind(Widget* widget, Widget* reference);
    virtual void MoveInFrontOf(Widget* widget, Widget* reference);
    virtual Point GetAbsolutePosition() const;
    virtual void MarkDirty(Widget* child);
    virtual void MarkDirty();
    virtual void MarkDirtyDeep(Widget* child);
    virtual void MarkDirtyDeep();
    virtual void AddedToManager(WidgetManager* manager);
    virtual void RemovedFromManager(WidgetManager* manager);
    virtual void Update();
    virtual void UpdateAll(ModalFlags& modalFlags);
    virtual void UpdateSmooth(float fraction);
    virtual void UpdateSmoothAll(ModalFlags& modalFlags, float fraction);
    virtual void Draw(Graphics* g);
    virtual void DrawAll(ModalFlags& modalFlags, Graphics* g);
    virtual void NotifyTree();
    virtual void OnNotifyTree();

    // Front-to-back hit test of the children at (px, py) in this container's coordinates under `flags`.
    // Returns the hit widget and the point in its coordinates, or null.
    Widget* GetWidgetAtHelper(int px, int py, WidgetFlags flags, int* localX, int* localY);

protected:
    // Inserts a widget at the nearest place from `hint` (an insert-before position) that keeps the list sorted.
    void InsertByZOrder(WidgetList::iterator hint, Widget* widget);
    // Unlinks a child and inserts it again by one of the reorder rules; false (and nothing done) when the widget,
    // or the reference the rule needs, is not a child.
    bool Reorder(Widget* widget, int mode, Widget* reference);
    // Unlinks a child, moving a running traversal on when it stands at it.
    void UnlinkChild(WidgetList::iterator it);
    // Takes a widget and its subtree out of its manager, children first.
    static void DetachFromManager(Widget* widget);
};

// Applies a container's flag change to both flag sets for the length of a traversal step; isOver is kept.
class ModalFlagsScope
{
public:
    ModalFlagsScope(ModalFlags& flags, const WidgetFlagChange& change)
        : flags_(flags), savedOver_(flags.overFlags), savedUnder_(flags.underFlags)
    {
        flags.overFlags = change.Apply(flags.overFlags);
        flags.underFlags = change.Apply(flags.underFlags);
    }
    ~ModalFlagsScope()
    {
        flags_.overFlags = savedOver_;
        flags_.underFlags = savedUnder_;
    }
    ModalFlagsScope(const ModalFlagsScope&) = delete;
    ModalFlagsScope& operator=(const ModalFlagsScope&) = delete;

private:
    ModalFlags& flags_;
    WidgetFlags savedOver_;
    WidgetFlags savedUnder_;
};

} // namespace Zest
