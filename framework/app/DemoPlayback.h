// The demo player's own windows (Jump To Time, the Marker List and the notice after a playback save), shown over
// a replay on a widget manager of their own, and the reading of a demo stream's markers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "widgets/DialogListener.h"
#include "widgets/EditListener.h"
#include "widgets/ListListener.h"

namespace Zest
{

class Buffer;
class Dialog;
class DemoStream;
class EditWidget;
class ListWidget;
class WidgetManager;
class ZestAppBase;

// One marker of a demo: the update it was written at and its text.
struct DemoMarker
{
    int update = 0;
    std::string text;
};

// Every marker of the stream, in order. Reads a copy, so the replay's own reader is not moved; stops quietly at a
// damaged or unknown record (the markers before it are still listed).
std::vector<DemoMarker> ReadDemoMarkers(const DemoStream& stream);

// The first `bits` bits of `from`, appended to `to`.
void CopyStreamBits(const Buffer& from, int64_t bits, Buffer& to);

// "m:ss.cc" for a time in milliseconds.
std::string FormatDemoTime(int64_t ms);
// "s", "m:ss" or "h:mm:ss", each part with optional hundredths on the last: milliseconds, or -1 when the text is
// not such a time.
int64_t ParseDemoTime(const std::string& text);

// The windows live on their own widget manager, drawn over the replayed screen: the replayed widget tree never
// sees the viewer's mouse and keys, so a replay with windows opened stays step for step with the recording.
// While one is open the replay does not advance.
class DemoPlaybackWindows : public DialogListener, public EditListener, public ListListener
{
public:
    explicit DemoPlaybackWindows(ZestAppBase* owner);
    ~DemoPlaybackWindows() override;
    DemoPlaybackWindows(const DemoPlaybackWindows&) = delete;
    DemoPlaybackWindows& operator=(const DemoPlaybackWindows&) = delete;

    void OpenJumpToTime();
    void OpenMarkerList();
    // A short notice with one button.
    void OpenNotice(const std::string& header, const std::string& lines);
    void Close();
    bool IsOpen() const { return dialog_ != nullptr; }

    // One record of the live input queue (window messages) for the open window.
    void HandleInput(uint32_t message, uint32_t wParam, uint32_t lParam);
    // One fixed update of the window's widgets.
    void Update();
    // Draws the window over the screen; `screenRedrawn` tells that something under it may have been drawn over it.
    bool Draw(bool screenRedrawn);

    // What tests and the viewer's code may look at.
    Dialog* CurrentDialog() const { return dialog_.get(); }
    EditWidget* TimeField() const { return timeField_.get(); }
    ListWidget* MarkerTimes() const { return markerTimes_.get(); }
    ListWidget* MarkerTexts() const { return markerTexts_.get(); }
    const std::vector<DemoMarker>& Markers() const { return markers_; }
    WidgetManager* Manager() const { return manager_.get(); }

    // DialogListener
    void DialogButtonReleased(int dialogId, int buttonId) override;
    // EditListener
    void EditTextEntered(int id, const std::string& text) override;
    bool AllowChar(int id, char chr) override;
    // ListListener
    void ListClicked(int id, int lineIndex, int clickCount) override;

private:
    enum class Kind
    {
        None,
        JumpToTime,
        MarkerList,
        Notice,
    };

    void Show(std::unique_ptr<Dialog> dialog, Kind kind);
    void Accept();
    void Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam);
    void JumpToUpdate(int update);
    // The marker lists scroll by keys and the wheel: they have no scroll bar.
    void ScrollMarkersTo(double top);
    void MoveMarkerSelection(int delta);

    ZestAppBase* app_;
    std::unique_ptr<WidgetManager> manager_;
    std::unique_ptr<Dialog> dialog_;
    std::unique_ptr<EditWidget> timeField_;
    std::unique_ptr<ListWidget> markerTimes_;
    std::unique_ptr<ListWidget> markerTexts_;
    std::vector<DemoMarker> markers_;
    Kind kind_ = Kind::None;
    bool closeRequested_ = false;
    bool selectEntry_ = false;
};

} // namespace Zest
