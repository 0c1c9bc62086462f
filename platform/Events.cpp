// Translation of neutral input records into window messages, the mouse mapping and the UTF-8 decoder.
#include <algorithm>

#include "platform/Clock.h"
#include "platform/Events.h"

namespace Platform
{

namespace
{

// Rounds toward minus infinity, so that the pixels just left of the picture map to -1, not 0.
int FloorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

WPARAM MouseKeys(const InputEvent& event)
{
    WPARAM keys = event.buttonsHeld & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    if (event.modifiers & kModShift) keys |= MK_SHIFT;
    if (event.modifiers & kModCtrl) keys |= MK_CONTROL;
    return keys;
}

MSG Make(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

void ClientSize(HWND window, int& width, int& height)
{
    width = height = 0;
    if (!window) return;
    RECT r;
    window->GetClientRect(r);
    width = r.right;
    height = r.bottom;
}

POINT ScreenOf(HWND window, POINT client)
{
    if (window) window->ClientToScreen(client);
    return client;
}

void AddKey(const InputEvent& event, HWND window, std::vector<MSG>& out)
{
    const uint32_t vk = VirtualKeyFromSdlKey(event.key);
    if (vk == 0) return;
    const bool up = event.type == InputEventType::KeyUp;
    const bool alt = (event.modifiers & kModAlt) != 0;
    const bool ctrl = (event.modifiers & kModCtrl) != 0;
    // Alt with Ctrl is how AltGr reaches some layouts: those stay plain keys, as they type characters.
    const bool system = (alt && !ctrl) || vk == VK_F10 || (vk == VK_MENU && !ctrl);
    uint32_t bits = 1u | ((event.scanCode & 0xFFu) << 16);
    if (alt) bits |= 1u << 29;
    if (up || event.repeat) bits |= 1u << 30;
    if (up) bits |= 1u << 31;
    const uint32_t message = up ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
    out.push_back(Make(window, message, vk, LPARAM(bits)));
}

void AddText(const InputEvent& event, HWND window, std::vector<MSG>& out)
{
    // Alt+key is a system character, made from the key by TranslateMessage.
    if ((event.modifiers & kModAlt) && !(event.modifiers & kModCtrl)) return;
    for (uint32_t c : DecodeUtf8(event.text))
        if (c >= 1 && c <= 255) out.push_back(Make(window, WM_CHAR, c, 1));
}

void AddMouse(const InputEvent& event, HWND window, const MouseMapping& mapping, bool doubleClicks,
              std::vector<MSG>& out)
{
    const POINT p = MapWindowToLogical(event.x, event.y, mapping);
    const LPARAM position = MAKELPARAM(p.x, p.y);
    const WPARAM keys = MouseKeys(event);
    uint32_t message = 0;
    switch (event.type)
    {
    case InputEventType::MouseMove:
    {
        int w = 0, h = 0;
        ClientSize(window, w, h);
        if (p.x >= 0 && p.y >= 0 && p.x < w && p.y < h)
            out.push_back(Make(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(1, int(WM_MOUSEMOVE))));
        message = WM_MOUSEMOVE;
        break;
    }
    case InputEventType::MouseDown:
    {
        const bool second = doubleClicks && event.clicks >= 2 && event.clicks % 2 == 0;
        if (event.button == MouseButton::Left) message = second ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        if (event.button == MouseButton::Right) message = second ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
        // The application treats both middle clicks alike; a double-click message would drop the second press.
        if (event.button == MouseButton::Middle) message = WM_MBUTTONDOWN;
        break;
    }
    case InputEventType::MouseUp:
        if (event.button == MouseButton::Left) message = WM_LBUTTONUP;
        if (event.button == MouseButton::Right) message = WM_RBUTTONUP;
        if (event.button == MouseButton::Middle) message = WM_MBUTTONUP;
        break;
    default:
        break;
    }
    if (message == 0) return;
    MSG msg = Make(window, message, keys, position);
    msg.pt = ScreenOf(window, p);
    out.push_back(msg);
}

void AddWheel(const InputEvent& event, HWND window, const MouseMapping& mapping, std::vector<MSG>& out)
{
    if (event.wheel == 0) return;
    long long delta = (long long)event.wheel * WHEEL_DELTA;
    if (event.flipped) delta = -delta;
    delta = std::clamp<long long>(delta, -32768 / WHEEL_DELTA * WHEEL_DELTA, 32767 / WHEEL_DELTA * WHEEL_DELTA);
    const POINT screen = ScreenOf(window, MapWindowToLogical(event.x, event.y, mapping));
    MSG msg =
        Make(window, WM_MOUSEWHEEL, MAKEWPARAM(int(MouseKeys(event)), int(delta)), MAKELPARAM(screen.x, screen.y));
    msg.pt = screen;
    out.push_back(msg);
}

} // namespace

POINT MapWindowToLogical(int x, int y, const MouseMapping& mapping)
{
    if (mapping.shownWidth > 0 && mapping.shownHeight > 0 && mapping.logicalWidth > 0 && mapping.logicalHeight > 0)
    {
        auto map = [](int v, int logical, int shown)
        {
            const int64_t scaled = int64_t(v) * logical;
            return int(scaled >= 0 ? scaled / shown : -((-scaled + shown - 1) / shown));
        };
        return POINT{map(x - mapping.offsetX, mapping.logicalWidth, mapping.shownWidth),
                     map(y - mapping.offsetY, mapping.logicalHeight, mapping.shownHeight)};
    }
    const int scale = std::max(1, mapping.scale);
    return POINT{FloorDiv(x - mapping.offsetX, scale), FloorDiv(y - mapping.offsetY, scale)};
}

void TranslateInputEvent(const InputEvent& event, HWND window, const MouseMapping& mapping, bool doubleClicks,
                         std::vector<MSG>& out)
{
    int w = 0, h = 0;
    switch (event.type)
    {
    case InputEventType::KeyDown:
    case InputEventType::KeyUp:
        AddKey(event, window, out);
        break;
    case InputEventType::Text:
        AddText(event, window, out);
        break;
    case InputEventType::MouseMove:
    case InputEventType::MouseDown:
    case InputEventType::MouseUp:
        AddMouse(event, window, mapping, doubleClicks, out);
        break;
    case InputEventType::Wheel:
        AddWheel(event, window, mapping, out);
        break;
    case InputEventType::Moved:
        out.push_back(Make(window, WM_MOVE, 0, MAKELPARAM(event.x, event.y)));
        break;
    case InputEventType::Restored:
        ClientSize(window, w, h);
        out.push_back(Make(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h)));
        break;
    case InputEventType::Maximized:
        ClientSize(window, w, h);
        out.push_back(Make(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(w, h)));
        break;
    case InputEventType::Minimized:
        out.push_back(Make(window, WM_SIZE, SIZE_MINIMIZED, 0));
        break;
    case InputEventType::Exposed:
        out.push_back(Make(window, WM_PAINT, 0, 0));
        break;
    case InputEventType::CloseWindow:
    case InputEventType::Quit:
        out.push_back(Make(window, WM_CLOSE, 0, 0));
        break;
    case InputEventType::FocusGained:
        out.push_back(Make(window, WM_ACTIVATEAPP, 1, 0));
        break;
    case InputEventType::FocusLost:
        out.push_back(Make(window, WM_ACTIVATEAPP, 0, 0));
        break;
    case InputEventType::DisplayChanged:
        out.push_back(Make(window, WM_DISPLAYCHANGE, 32,
                           MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))));
        break;
    case InputEventType::Leave:
    case InputEventType::None:
        break;
    }
}

std::vector<uint32_t> DecodeUtf8(const std::string& text)
{
    std::vector<uint32_t> out;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n)
    {
        const uint8_t b = uint8_t(text[i]);
        int extra = 0;
        uint32_t c = 0;
        uint32_t minimum = 0;
        if (b < 0x80)
        {
            out.push_back(b);
            ++i;
            continue;
        }
        if ((b & 0xE0) == 0xC0)
        {
            extra = 1;
            c = b & 0x1F;
            minimum = 0x80;
        }
        else if ((b & 0xF0) == 0xE0)
        {
            extra = 2;
            c = b & 0x0F;
            minimum = 0x800;
        }
        else if ((b & 0xF8) == 0xF0)
        {
            extra = 3;
            c = b & 0x07;
            minimum = 0x10000;
        }
        else
        {
            ++i; // a stray continuation byte or an invalid lead byte
            continue;
        }
        if (i + size_t(extra) >= n)
        {
            ++i; // truncated at the end
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k)
        {
            const uint8_t cont = uint8_t(text[i + size_t(k)]);
            if ((cont & 0xC0) != 0x80)
            {
                ok = false;
                break;
            }
            c = (c << 6) | (cont & 0x3F);
        }
        if (!ok)
        {
            ++i;
            continue;
        }
        i += size_t(extra) + 1;
        // Overlong forms, surrogates and values past the last code point are not characters.
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) continue;
        out.push_back(c);
    }
    return out;
}

} // namespace Platform
