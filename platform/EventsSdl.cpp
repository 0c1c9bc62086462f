// The SDL event source: SDL events into neutral records and on into the queue, key codes into virtual keys, and
// the window and pointer calls the window layer makes of SDL.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/Events.h"
#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"
#include "platform/WindowLayerInternal.h"

namespace Platform
{

namespace
{

// When the window system was last asked for events, in microseconds of the steady clock, and how often a busy loop
// (one that does not wait between passes) asks at most.
std::atomic<int64_t> gLastPump{0};
constexpr int64_t kPumpIntervalUs = 4000;

int64_t MicrosecondsNow()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool VideoRunning()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

uint32_t Modifiers(uint16_t mod)
{
    uint32_t bits = 0;
    if (mod & KMOD_SHIFT) bits |= kModShift;
    if (mod & KMOD_CTRL) bits |= kModCtrl;
    if (mod & KMOD_ALT) bits |= kModAlt;
    return bits;
}

uint32_t HeldButtons(uint32_t sdlState)
{
    uint32_t keys = 0;
    if (sdlState & SDL_BUTTON_LMASK) keys |= MK_LBUTTON;
    if (sdlState & SDL_BUTTON_RMASK) keys |= MK_RBUTTON;
    if (sdlState & SDL_BUTTON_MMASK) keys |= MK_MBUTTON;
    return keys;
}

MouseButton ButtonOf(uint8_t button)
{
    switch (button)
    {
    case SDL_BUTTON_LEFT:
        return MouseButton::Left;
    case SDL_BUTTON_MIDDLE:
        return MouseButton::Middle;
    case SDL_BUTTON_RIGHT:
        return MouseButton::Right;
    default:
        return MouseButton::Other;
    }
}

HWND TargetOf(uint32_t windowId)
{
    HWND window = WindowFromNative(SDL_GetWindowFromID(windowId));
    return window ? window : MainWindowHandle();
}

// One SDL event as a record for its window; false when it means nothing to the application.
bool ToRecord(const SDL_Event& e, InputEvent& event, HWND& window)
{
    window = MainWindowHandle();
    switch (e.type)
    {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        window = TargetOf(e.key.windowID);
        event.type = e.type == SDL_KEYDOWN ? InputEventType::KeyDown : InputEventType::KeyUp;
        event.key = e.key.keysym.sym;
        event.scanCode = uint32_t(e.key.keysym.scancode);
        event.modifiers = Modifiers(e.key.keysym.mod);
        event.repeat = e.key.repeat != 0;
        return true;
    case SDL_TEXTINPUT:
        window = TargetOf(e.text.windowID);
        event.type = InputEventType::Text;
        event.text = e.text.text;
        event.modifiers = Modifiers(uint16_t(SDL_GetModState()));
        return true;
    case SDL_MOUSEMOTION:
        window = TargetOf(e.motion.windowID);
        event.type = InputEventType::MouseMove;
        event.x = e.motion.x;
        event.y = e.motion.y;
        event.buttonsHeld = HeldButtons(e.motion.state);
        event.modifiers = Modifiers(uint16_t(SDL_GetModState()));
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        window = TargetOf(e.button.windowID);
        event.type = e.type == SDL_MOUSEBUTTONDOWN ? InputEventType::MouseDown : InputEventType::MouseUp;
        event.button = ButtonOf(e.button.button);
        event.clicks = e.button.clicks;
        event.x = e.button.x;
        event.y = e.button.y;
        event.buttonsHeld = HeldButtons(SDL_GetMouseState(nullptr, nullptr));
        event.modifiers = Modifiers(uint16_t(SDL_GetModState()));
        return true;
    case SDL_MOUSEWHEEL:
        window = TargetOf(e.wheel.windowID);
        event.type = InputEventType::Wheel;
        event.wheel = e.wheel.y;
        event.flipped = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED;
        event.x = e.wheel.mouseX;
        event.y = e.wheel.mouseY;
        event.buttonsHeld = HeldButtons(SDL_GetMouseState(nullptr, nullptr));
        event.modifiers = Modifiers(uint16_t(SDL_GetModState()));
        return true;
    case SDL_QUIT:
        event.type = InputEventType::Quit;
        return true;
    case SDL_DISPLAYEVENT:
    case SDL_RENDER_DEVICE_RESET:
        event.type = InputEventType::DisplayChanged;
        return true;
    case SDL_RENDER_TARGETS_RESET:
        event.type = InputEventType::Exposed;
        SdlWindowExposed();
        return true;
    case SDL_WINDOWEVENT:
        window = WindowFromNative(SDL_GetWindowFromID(e.window.windowID));
        switch (e.window.event)
        {
        case SDL_WINDOWEVENT_MOVED:
        {
            event.type = InputEventType::Moved;
            // The client area must stay on the desktop, as the window object keeps it.
            const DesktopInfo desktop = SdlQueryDesktop();
            RECT client;
            if (window) window->GetClientRect(client);
            event.x = std::clamp(e.window.data1, 0, std::max(0, desktop.width - client.right));
            event.y = std::clamp(e.window.data2, 0, std::max(0, desktop.height - client.bottom));
            return true;
        }
        case SDL_WINDOWEVENT_RESTORED:
            event.type = InputEventType::Restored;
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            event.type = InputEventType::Minimized;
            return true;
        case SDL_WINDOWEVENT_MAXIMIZED:
            event.type = InputEventType::Maximized;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            event.type = InputEventType::Exposed;
            SdlWindowExposed();
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            event.type = InputEventType::CloseWindow;
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            event.type = InputEventType::FocusGained;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            event.type = InputEventType::FocusLost;
            return true;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            event.type = InputEventType::DisplayChanged;
            return true;
        case SDL_WINDOWEVENT_LEAVE:
            event.type = InputEventType::Leave;
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

} // namespace

uint32_t VirtualKeyFromSdlKey(int32_t key)
{
    if (key >= SDLK_a && key <= SDLK_z) return uint32_t('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return uint32_t('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + uint32_t(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + uint32_t(key - SDLK_KP_1);
    switch (key)
    {
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_PAUSE:
        return VK_PAUSE;
    case SDLK_CAPSLOCK:
        return VK_CAPITAL;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_END:
        return VK_END;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_KP_0:
        return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
        return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
        return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
        return VK_SCROLL;
    // Punctuation keys of a US layout.
    case SDLK_SEMICOLON:
        return 0xBA;
    case SDLK_EQUALS:
        return 0xBB;
    case SDLK_COMMA:
        return 0xBC;
    case SDLK_MINUS:
        return 0xBD;
    case SDLK_PERIOD:
        return 0xBE;
    case SDLK_SLASH:
        return 0xBF;
    case SDLK_BACKQUOTE:
        return 0xC0;
    case SDLK_LEFTBRACKET:
        return 0xDB;
    case SDLK_BACKSLASH:
        return 0xDC;
    case SDLK_RIGHTBRACKET:
        return 0xDD;
    case SDLK_QUOTE:
        return 0xDE;
    default:
        return 0;
    }
}

int32_t SdlKeyFromName(const std::string& name)
{
    const SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
    return key == SDLK_UNKNOWN ? 0 : int32_t(key);
}

bool SdlPollEvents()
{
    if (!VideoRunning()) return true;
    // A broken connection another thread came across ends the program here, before the next call to the server.
    EndIfDisplayLost();
    // Asking the window system is several system calls, and the main loop peeks many times in a row: it is asked
    // at most every kPumpIntervalUs, and a wait on the connection counts as asking, so a loop that waits between
    // its passes asks about once per wake. What SDL has already queued is taken every time.
    const int64_t now = MicrosecondsNow();
    int64_t last = gLastPump.load(std::memory_order_relaxed);
    const bool ask =
        now - last >= kPumpIntervalUs && gLastPump.compare_exchange_strong(last, now, std::memory_order_relaxed);
    if (ask) SDL_PumpEvents();
    SDL_Event e;
    std::vector<MSG> messages;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
    {
        InputEvent event;
        HWND window = nullptr;
        if (!ToRecord(e, event, window) || !window) continue;
        messages.clear();
        TranslateInputEvent(event, window, MappingOf(window), ClassWantsDoubleClicks(window), messages);
        for (const MSG& msg : messages) QueueOsMessage(msg);
    }
    return ask;
}

bool SdlWaitEvents(uint32_t ms)
{
    if (!VideoRunning() || !IsMainThread()) return false;
    // Without a window SDL would wait by polling every millisecond.
    HWND main = MainWindowHandle();
    if (!main || !main->NativeHandle()) return false;
    EndIfDisplayLost();
    // SDL pumps on entry and whenever the connection wakes it, then waits in poll() on the connection's socket;
    // a null event leaves what arrived in SDL's queue for SdlPollEvents.
    SDL_WaitEventTimeout(nullptr, int(std::min<uint32_t>(ms, INT32_MAX)));
    gLastPump.store(MicrosecondsNow(), std::memory_order_relaxed);
    return true;
}

void SdlWakeWaiter()
{
    if (!VideoRunning()) return;
    // An event of no meaning to the application (it is dropped when read): SDL wakes a waiting thread for it.
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    SDL_PushEvent(&e);
}

bool SdlPointerOver(void* native, int& x, int& y)
{
    if (!VideoRunning() || !native || SDL_GetMouseFocus() != static_cast<SDL_Window*>(native)) return false;
    SDL_GetMouseState(&x, &y);
    return true;
}

void SdlGlobalPointer(int& x, int& y)
{
    x = y = 0;
    if (VideoRunning()) SDL_GetGlobalMouseState(&x, &y);
}

void SdlCaptureMouse(bool capture)
{
    if (VideoRunning()) SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

void SdlStartTextInput()
{
    if (VideoRunning()) SDL_StartTextInput();
}

void SdlMinimize(void* native)
{
    if (native) SDL_MinimizeWindow(static_cast<SDL_Window*>(native));
}

void SdlMaximize(void* native)
{
    if (native) SDL_MaximizeWindow(static_cast<SDL_Window*>(native));
}

void SdlRestore(void* native)
{
    if (native) SDL_RestoreWindow(static_cast<SDL_Window*>(native));
}

void SdlRaise(void* native)
{
    if (native) SDL_RaiseWindow(static_cast<SDL_Window*>(native));
}

void SdlSetTitle(void* native, const char* title)
{
    if (native) SDL_SetWindowTitle(static_cast<SDL_Window*>(native), title);
}

void SdlSetIcon(void* native, const uint32_t* argb, int width, int height)
{
    if (!native) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32, width * 4,
                                                              SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    SDL_SetWindowIcon(static_cast<SDL_Window*>(native), surface);
    SDL_FreeSurface(surface);
}

bool SdlFrameSize(void* native, int& top, int& left, int& bottom, int& right)
{
    top = left = bottom = right = 0;
    if (!native) return false;
    return SDL_GetWindowBordersSize(static_cast<SDL_Window*>(native), &top, &left, &bottom, &right) == 0;
}

} // namespace Platform
