// Test doubles for the widget tests: an application, a widget that logs what reaches it, a recording image
// and a fixed-width font.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/Dialog.h"
#include "widgets/Widget.h"
#include "widgets/WidgetApp.h"
#include "widgets/WidgetManager.h"

namespace WidgetTest
{

using Log = std::vector<std::string>;

// The application as the widgets see it: a dialog register, cursor and loop steps that tests can script.
class FakeApp : public Zest::WidgetApp
{
public:
    Zest::WidgetManager* manager = nullptr;
    int updateCount = 0;
    std::vector<int> cursors;
    std::string clipboard;
    std::map<int, Zest::Dialog*> dialogs;
    int screenWidth = 800;
    int screenHeight = 600;
    int loopSteps = 0;
    bool keepRunning = true;
    std::function<void(int step)> onLoopStep;
    Log buttonEvents;

    int GetUpdateCount() const override { return updateCount; }
    void SetCursor(int cursorId) override { cursors.push_back(cursorId); }
    void AddDialog(int id, Zest::Dialog* dialog) override;
    bool CloseDialog(int id) override;
    Zest::Dialog* GetDialog(int id) const override
    {
        auto it = dialogs.find(id);
        return it == dialogs.end() ? nullptr : it->second;
    }
    bool RunLoopStep(bool nested) override
    {
        (void)nested;
        ++loopSteps;
        if (onLoopStep) onLoopStep(loopSteps);
        return keepRunning;
    }
    void CopyToClipboard(const std::string& text) override { clipboard = text; }
    std::string GetClipboard() override { return clipboard; }

    void ButtonPress(int id) override { buttonEvents.push_back("press " + std::to_string(id)); }
    void ButtonReleased(int id) override { buttonEvents.push_back("released " + std::to_string(id)); }
};

inline void FakeApp::AddDialog(int id, Zest::Dialog* dialog)
{
    CloseDialog(id);
    if (dialog->width == 0)
    {
        int w = screenWidth / 2;
        int h = dialog->GetPreferredHeight(w);
        dialog->Resize((screenWidth - w) / 2, screenHeight / 5, w, h);
    }
    dialogs[id] = dialog;
    if (manager != nullptr)
    {
        manager->AddWidget(dialog);
        if (dialog->IsModal()) manager->PushModalLayer(dialog);
    }
}

inline bool FakeApp::CloseDialog(int id)
{
    auto it = dialogs.find(id);
    if (it == dialogs.end()) return false;
    Zest::Dialog* dialog = it->second;
    dialogs.erase(it);
    if (manager != nullptr)
    {
        if (dialog->IsModal()) manager->PopModalLayer(dialog);
        manager->RemoveWidget(dialog);
    }
    return true;
}

// A widget that writes every hook that reaches it into a shared log as "name:event".
class Probe : public Zest::Widget
{
public:
    Probe(std::string probeName, Log* sharedLog, int px = 0, int py = 0, int pw = 0, int ph = 0)
        : name(std::move(probeName)), log(sharedLog)
    {
        x = px;
        y = py;
        width = pw;
        height = ph;
    }

    std::string name;
    Log* log;
    int updates = 0;
    bool logMoves = true;
    std::function<void()> onUpdate;
    std::function<void(Zest::Graphics*)> onDraw;

    void Note(const std::string& what)
    {
        if (log != nullptr) log->push_back(name + ":" + what);
    }
    static std::string Args(int a, int b) { return "(" + std::to_string(a) + "," + std::to_string(b) + ")"; }
    static std::string Args(int a, int b, int c, int d)
    {
        return "(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d) +
               ")";
    }

    void Update() override
    {
        Zest::Widget::Update();
        ++updates;
        Note("Update");
        if (onUpdate) onUpdate();
    }
    void UpdateSmooth(float fraction) override { Note("Smooth(" + std::to_string(int(fraction * 100)) + ")"); }
    void Draw(Zest::Graphics* g) override
    {
        Note("Draw");
        if (onDraw) onDraw(g);
    }
    void DrawOverlay(Zest::Graphics* g, int overlayPriority) override
    {
        Note("Overlay(" + std::to_string(overlayPriority) + "," + std::to_string(int(g->mTransX)) + ")");
    }
    void OnZOrderChanged() override { Note("ZOrder"); }
    void GotFocus() override
    {
        Zest::Widget::GotFocus();
        Note("GotFocus");
    }
    void LostFocus() override
    {
        Zest::Widget::LostFocus();
        Note("LostFocus");
    }
    void KeyChar(char chr) override { Note("KeyChar(" + std::to_string(int(chr)) + ")"); }
    void KeyDown(int keyCode) override
    {
        Note("KeyDown(" + std::to_string(keyCode) + ")");
        Zest::Widget::KeyDown(keyCode);
    }
    void KeyUp(int keyCode) override { Note("KeyUp(" + std::to_string(keyCode) + ")"); }
    void MouseEnter() override { Note("Enter"); }
    void MouseLeave() override { Note("Leave"); }
    void MouseMove(int mx, int my) override
    {
        if (logMoves) Note("Move" + Args(mx, my));
    }
    using Zest::Widget::MouseDown;
    using Zest::Widget::MouseUp;
    void MouseDown(int mx, int my, int button, int clickCount) override
    {
        Note("Down" + Args(mx, my, button, clickCount));
    }
    void MouseUp(int mx, int my, int button, int clickCount) override { Note("Up" + Args(mx, my, button, clickCount)); }
    void MouseUp(int mx, int my) override { Note("Up" + Args(mx, my)); }
    void MouseDrag(int mx, int my) override { Note("Drag" + Args(mx, my)); }
    void MouseWheel(int delta) override { Note("Wheel(" + std::to_string(delta) + ")"); }
};

// One drawing call as it reached the destination image, after translation and clipping.
struct DrawCall
{
    std::string op;  // "fill", "blt", "stretch", "box" ...
    Zest::Rect rect; // destination
    Zest::Rect src;  // source rectangle for image calls
    Zest::Color color;
    const Zest::Image* image = nullptr;
};

// A destination that draws nothing and remembers every call; also usable as a source of a given size.
class RecordingImage : public Zest::Image
{
public:
    RecordingImage(int w, int h)
    {
        mWidth = w;
        mHeight = h;
    }
    std::vector<DrawCall> calls;

    void FillRect(const Zest::Rect& rect, const Zest::Color& color, int) override
    {
        calls.push_back({"fill", rect, {}, color, nullptr});
    }
    void Blt(Zest::Image* src, int bx, int by, const Zest::Rect& srcRect, const Zest::Color& color, int) override
    {
        calls.push_back({"blt", {bx, by, srcRect.mWidth, srcRect.mHeight}, srcRect, color, src});
    }
    void StretchBlt(Zest::Image* src, const Zest::Rect& destRect, const Zest::Rect& srcRect, const Zest::Rect& clip,
                    const Zest::Color& color, int, bool) override
    {
        calls.push_back({"stretch", destRect.Intersection(clip), srcRect, color, src});
    }
    std::vector<DrawCall> Fills() const
    {
        std::vector<DrawCall> out;
        for (const DrawCall& c : calls)
            if (c.op == "fill") out.push_back(c);
        return out;
    }
};

// Every character 7 pixels wide (none for '\0'); ascent 10, height 14, ascent padding 2, line spacing 16.
// DrawString records the text, the baseline position and the colour.
class FixedFont : public Zest::Font
{
public:
    struct Text
    {
        std::string text;
        int x;
        int y;
        Zest::Color color;
    };
    std::shared_ptr<std::vector<Text>> drawn = std::make_shared<std::vector<Text>>();
    int charWidth = 7;

    FixedFont()
    {
        mAscent = 10;
        mAscentPadding = 2;
        mHeight = 14;
        mLineSpacingOffset = 2;
    }
    int StringWidth(const std::string& text) override { return charWidth * static_cast<int>(text.size()); }
    int CharWidth(char) override { return charWidth; }
    int CharAdvanceKerned(char, char) override { return charWidth; }
    void DrawString(Zest::Graphics* g, int dx, int dy, const std::string& text, const Zest::Color& color,
                    const Zest::Rect&) override
    {
        drawn->push_back({text, dx + static_cast<int>(g->mTransX), dy + static_cast<int>(g->mTransY), color});
    }
    // Copies share the record of drawn text, so a test sees what a widget's own copy drew.
    std::unique_ptr<Zest::Font> Duplicate() override { return std::make_unique<FixedFont>(*this); }
};

} // namespace WidgetTest
