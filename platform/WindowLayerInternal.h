// Shared internals of the window layer: the pump's side the SDL event source calls, and the SDL pieces the pump
// calls (not for use outside platform/).
#pragma once

#include <cstdint>

#include "platform/Events.h"
#include "platform/Messages.h"

namespace Platform
{

// ---- Pump side (MessagePump.cpp) ----

// The first live window that is not a pure message target; null when there is none.
HWND MainWindowHandle();
// The window owning an SDL window; null when none does.
HWND WindowFromNative(void* native);
// Whether the window's class turns second clicks into double clicks.
bool ClassWantsDoubleClicks(HWND window);
// Letterbox offset and scale of the window's last present.
MouseMapping MappingOf(HWND window);
// Takes a message from the OS event source: WM_PAINT only marks the window, window-state messages update its
// record, input messages stamp the last-input tick.
void QueueOsMessage(const MSG& msg);

// ---- SDL side (EventsSdl.cpp); each does nothing when SDL video is not running ----

// Reads every waiting SDL event into the queue, asking the window system for new ones at most every 4 ms (a wait in
// SdlWaitEvents counts as asking). True when it asked this time (or SDL video is not running). Main thread only.
bool SdlPollEvents();
// Waits up to ms milliseconds on the window system's connection for an event, leaving it queued; false (at once)
// when there is no window to wait on. The wait counts as asking the window system. Main thread only.
bool SdlWaitEvents(uint32_t ms);
// Ends a wait of SdlWaitEvents from another thread.
void SdlWakeWaiter();
// Pointer position in window pixels and whether it is over the given SDL window.
bool SdlPointerOver(void* native, int& x, int& y);
// Pointer position on the real desktop.
void SdlGlobalPointer(int& x, int& y);
void SdlCaptureMouse(bool capture);
void SdlStartTextInput();
void SdlMinimize(void* native);
void SdlMaximize(void* native);
void SdlRestore(void* native);
void SdlRaise(void* native);
void SdlSetTitle(void* native, const char* title);
void SdlSetIcon(void* native, const uint32_t* argb, int width, int height);
// The window manager's frame around the window (0 when unknown).
bool SdlFrameSize(void* native, int& top, int& left, int& bottom, int& right);

} // namespace Platform
