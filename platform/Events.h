// The neutral input-event record between the OS event source and the message queue, and its translation.
//
// Implements: one record type for what the SDL event stream delivers (keys with their SDL key code, text,
// mouse, wheel, window state, quit), the mapping of SDL key codes to virtual keys, and the translation of a record
// into the window messages the application reads (ids, wParam, lParam as Messages.h describes). The SDL backend
// turns each SDL event into this record; tests build records directly.
// Leaves out: touch, game controllers, drag and drop, IME composition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Messages.h"

namespace Platform
{

enum class InputEventType
{
    None,
    KeyDown,
    KeyUp,
    Text, // UTF-8 text typed
    MouseMove,
    MouseDown,
    MouseUp,
    Wheel,
    Moved, // window moved; x, y = client origin on the desktop (window pixels)
    Restored,
    Minimized,
    Maximized,
    Exposed,
    CloseWindow,
    Quit,
    FocusGained,
    FocusLost,
    DisplayChanged,
    Leave // pointer left the window
};

enum class MouseButton
{
    Left,
    Middle,
    Right,
    Other
};

// Modifier bits of a record (left and right keys alike).
constexpr uint32_t kModShift = 1;
constexpr uint32_t kModCtrl = 2;
constexpr uint32_t kModAlt = 4;

struct InputEvent
{
    InputEventType type = InputEventType::None;
    int32_t key = 0;        // SDL key code (KeyDown/KeyUp)
    uint32_t scanCode = 0;  // hardware scan code (for lParam bits 16-23)
    uint32_t modifiers = 0; // kMod* held at the time
    bool repeat = false;    // auto-repeat of a held key
    std::string text;       // Text
    int x = 0;              // window pixels for mouse records; desktop position for Moved
    int y = 0;
    MouseButton button = MouseButton::Left;
    int clicks = 1;           // SDL's click count: even = second click of a pair
    int wheel = 0;            // notches, positive away from the user
    bool flipped = false;     // the wheel reports natural scrolling
    uint32_t buttonsHeld = 0; // MK_LBUTTON/MK_RBUTTON/MK_MBUTTON held, for mouse records
};

// The virtual key for an SDL key code; 0 when it has none.
uint32_t VirtualKeyFromSdlKey(int32_t sdlKey);
// SDL's key code for a key name as SDL spells it ("A", "F4", "Left Shift", "Keypad 5", "Return"); 0 when unknown.
int32_t SdlKeyFromName(const std::string& name);

// How window pixels map to the logical client area: picture offset inside the window and whole scale factor.
struct MouseMapping
{
    int offsetX = 0;
    int offsetY = 0;
    int scale = 1;
    // A picture scaled by a factor that is not whole: its logical size and the size it is shown at (zero when the
    // whole scale applies).
    int logicalWidth = 0;
    int logicalHeight = 0;
    int shownWidth = 0;
    int shownHeight = 0;
};
// Window pixel -> logical pixel: subtract the offset, divide by the scale (or scale by logical / shown size)
// rounding toward minus infinity (so a captured pointer left of or above the picture reads negative).
POINT MapWindowToLogical(int x, int y, const MouseMapping& mapping);

// Appends to `out` the messages one record becomes for `window`: key and system-key messages (system form while Alt
// is held, and for F10), WM_CHAR per decoded character of text (code points above 255 dropped, nothing while Alt
// is held without Ctrl), mouse messages with the mapped signed position (WM_SETCURSOR first for a move inside the
// client area; a middle double click as WM_MBUTTONDOWN; the second click of a pair as a double click only when the
// class asks for it), wheel (WHEEL_DELTA per notch, sign flipped for natural scrolling), WM_MOVE, WM_SIZE,
// WM_PAINT, WM_CLOSE, WM_ACTIVATEAPP, WM_DISPLAYCHANGE. Leave produces nothing.
void TranslateInputEvent(const InputEvent& event, HWND window, const MouseMapping& mapping, bool doubleClicks,
                         std::vector<MSG>& out);

// Decodes UTF-8 into code points; malformed bytes are skipped.
std::vector<uint32_t> DecodeUtf8(const std::string& text);

} // namespace Platform
