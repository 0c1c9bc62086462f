// The demo player's windows and the playback save: Jump To Time (remembering the last time asked for), the Marker
// List (the markers of the replayed demo, jumping to one), and saving the demo as played so far.
#include "app/DemoPlayback.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/DemoStream.h"
#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "graphics/Graphics.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "widgets/Dialog.h"
#include "widgets/EditWidget.h"
#include "widgets/ListWidget.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

constexpr int kJumpDialogId = 1;
constexpr int kMarkerDialogId = 2;
constexpr int kNoticeDialogId = 3;
constexpr int kTimeFieldId = 10;
constexpr int kMarkerListId = 11;
constexpr int kDialogWidth = 420;
// The remembered Jump To Time entry, a value of the application's own settings.
const char* const kJumpTimeValue = "DemoJumpTime";

// Payload sizes of the records whose payload has a fixed size; -1 for those that carry a length.
int FixedPayloadBits(int type)
{
    switch (type)
    {
    case DEMO_INITIAL_STATE:
        return 16;
    case DEMO_KEY_DOWN:
    case DEMO_KEY_UP:
    case DEMO_CHAR:
        return 8;
    case DEMO_MINIMISED:
    case DEMO_ACTIVE:
    case DEMO_MOUSE_ENTER:
    case DEMO_REGISTRY_WRITE:
    case DEMO_FILE_EXISTS:
    case DEMO_FILE_WRITE:
        return 1;
    case DEMO_CLOSE:
    case DEMO_LOADING_COMPLETE:
    case DEMO_FILLER:
        return 0;
    case DEMO_WHEEL:
        return 16;
    case DEMO_MOUSE_POSITION:
        return 32;
    default:
        return -1;
    }
}

bool SkipBits(DemoStream& stream, int64_t bits)
{
    int32_t ignored = 0;
    while (bits > 0)
    {
        const int step = static_cast<int>(std::min<int64_t>(bits, 16));
        if (!stream.ReadBitsChecked(step, false, ignored)) return false;
        bits -= step;
    }
    return true;
}

} // namespace

void CopyStreamBits(const Buffer& from, int64_t bits, Buffer& to)
{
    bits = std::clamp<int64_t>(bits, 0, from.GetBitSize());
    const int fullBytes = static_cast<int>(bits / 8);
    if (fullBytes > 0) to.WriteBytes(from.GetDataPtr(), fullBytes);
    if (bits % 8) to.WriteBits(from.GetDataPtr()[fullBytes], static_cast<int>(bits % 8));
}

std::vector<DemoMarker> ReadDemoMarkers(const DemoStream& stream)
{
    DemoStream reader;
    CopyStreamBits(stream.buffer, stream.buffer.GetBitSize(), reader.buffer);
    reader.StartReading();
    std::vector<DemoMarker> markers;
    while (reader.PeekHeader())
    {
        const int type = reader.pendingType;
        const int update = reader.pendingUpdate;
        reader.ConsumeHeader();
        if (reader.pendingShort)
        {
            if (!SkipBits(reader, type == DEMO_SHORT_MOVE ? 12 : 4)) break;
            continue;
        }
        const int fixed = FixedPayloadBits(type);
        if (fixed >= 0)
        {
            if (!SkipBits(reader, fixed)) break;
            continue;
        }
        bool ok = false;
        int32_t a = 0, length = 0;
        if (type == DEMO_MARKER)
        {
            if (!reader.ReadBitsChecked(16, true, length) || length < 0 || !reader.HasBits(int64_t(length) * 8)) break;
            std::string text(static_cast<size_t>(length), '\0');
            if (length > 0 && !reader.ReadBytesChecked(reinterpret_cast<uint8_t*>(text.data()), length)) break;
            markers.push_back({update, text});
        }
        else if (type == DEMO_REGISTRY_READ)
        {
            if (!reader.ReadBit(ok)) break;
            if (ok && (!reader.ReadLongChecked(a) || !reader.ReadLongChecked(length) ||
                       !reader.SkipBytes(static_cast<uint32_t>(length))))
                break;
        }
        else if (type == DEMO_FILE_READ)
        {
            if (!reader.ReadBit(ok)) break;
            if (ok && (!reader.ReadLongChecked(length) || !reader.SkipBytes(static_cast<uint32_t>(length)))) break;
        }
        else
        {
            // A record this version cannot size: nothing after it can be read.
            break;
        }
    }
    return markers;
}

std::string FormatDemoTime(int64_t ms)
{
    if (ms < 0) ms = 0;
    const int64_t hundredths = ms / 10;
    return FormatString("%d:%02d.%02d", int(hundredths / 6000), int(hundredths / 100 % 60), int(hundredths % 100));
}

int64_t ParseDemoTime(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text)
    {
        if (c == ':')
            parts.emplace_back();
        else if (c != ' ')
            parts.back() += c;
    }
    if (parts.size() > 3) return -1;
    int64_t seconds = 0;
    int64_t fractionMs = 0;
    for (size_t i = 0; i < parts.size(); ++i)
    {
        const std::string& part = parts[i];
        const size_t dot = part.find('.');
        // Only the last part (the seconds) may have a fraction.
        if (dot != std::string::npos && i + 1 != parts.size()) return -1;
        const std::string whole = part.substr(0, dot);
        const std::string fraction = dot == std::string::npos ? std::string() : part.substr(dot + 1);
        if (whole.empty() || whole.size() > 9 || fraction.size() > 3) return -1;
        for (char c : whole + fraction)
            if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        const int64_t value = std::stoll(whole);
        if (i > 0 && value >= 60) return -1;
        seconds = seconds * 60 + value;
        if (!fraction.empty()) fractionMs = std::stoll((fraction + "00").substr(0, 3));
    }
    return seconds * 1000 + fractionMs;
}

DemoPlaybackWindows::DemoPlaybackWindows(ZestAppBase* owner)
    : app_(owner), manager_(std::make_unique<WidgetManager>(owner))
{
}

DemoPlaybackWindows::~DemoPlaybackWindows()
{
    Close();
}

void DemoPlaybackWindows::Show(std::unique_ptr<Dialog> dialog, Kind kind)
{
    manager_->SetMouseRects(app_->mWidgetManager->screenRect, app_->mWidgetManager->windowRect);
    manager_->screenImage = app_->mWidgetManager->screenImage;
    dialog_ = std::move(dialog);
    dialog_->dialogListener = this;
    kind_ = kind;
    manager_->AddWidget(dialog_.get());
    manager_->PushModalLayer(dialog_.get());
    if (timeField_ != nullptr) manager_->SetFocus(timeField_.get());
    manager_->MarkEverythingDirty();
}

void DemoPlaybackWindows::Close()
{
    closeRequested_ = false;
    if (dialog_ == nullptr) return;
    manager_->PopModalLayer(dialog_.get());
    if (timeField_ != nullptr) dialog_->RemoveWidget(timeField_.get());
    if (markerTimes_ != nullptr) dialog_->RemoveWidget(markerTimes_.get());
    if (markerTexts_ != nullptr) dialog_->RemoveWidget(markerTexts_.get());
    manager_->RemoveWidget(dialog_.get());
    timeField_.reset();
    markerTimes_.reset();
    markerTexts_.reset();
    dialog_.reset();
    kind_ = Kind::None;
    // What lay under the window is drawn again, and the replay's clock starts afresh, as after a pause.
    if (app_->mWidgetManager) app_->mWidgetManager->MarkEverythingDirty();
    app_->mTimeAccumulator = 0.0;
    app_->mLastTime = Platform::TimeGetTime();
}

void DemoPlaybackWindows::OpenJumpToTime()
{
    // One window at a time: a new one replaces the open one, which goes before the new one's controls exist.
    Close();
    const int frame = std::max(1, app_->mFrameTime);
    const std::string lines = "Now at " + FormatDemoTime(int64_t(app_->mUpdateCount) * frame) + " of " +
                              FormatDemoTime(int64_t(app_->DemoLength()) * frame) +
                              ". Type a later time as minutes:seconds.";
    auto dialog = std::make_unique<Dialog>(nullptr, nullptr, kJumpDialogId, true, "Jump To Time", lines, "",
                                           DIALOG_BUTTONS_OK_CANCEL);
    const int fieldSpace = 34;
    const int height = dialog->GetPreferredHeight(kDialogWidth) + fieldSpace;
    const Rect screen = app_->mWidgetManager->screenRect;
    dialog->Resize(screen.mX + (screen.mWidth - kDialogWidth) / 2, screen.mY + screen.mHeight / 5, kDialogWidth,
                   height);
    timeField_ = std::make_unique<EditWidget>(this);
    timeField_->id = kTimeFieldId;
    timeField_->maxChars = 12;
    const int fieldY = height - dialog->contentInsets.mBottom - dialog->buttonHeight - 8 - fieldSpace + 4;
    timeField_->Resize(dialog->contentInsets.mLeft, fieldY, kDialogWidth - dialog->contentInsets.mLeft * 2, 24);
    dialog->AddWidget(timeField_.get());
    std::string remembered;
    if (app_->ReadPlaybackSetting(kJumpTimeValue, remembered)) timeField_->SetText(remembered, true);
    Show(std::move(dialog), Kind::JumpToTime);
}

void DemoPlaybackWindows::OpenMarkerList()
{
    Close();
    markers_ = ReadDemoMarkers(app_->mDemo);
    const bool any = !markers_.empty();
    const std::string lines = any ? "Pick a marker and press OK to jump to it. Markers already passed are grey."
                                  : "This demo has no markers.";
    auto dialog = std::make_unique<Dialog>(nullptr, nullptr, kMarkerDialogId, true, "Markers", lines,
                                           any ? "" : "CLOSE", any ? DIALOG_BUTTONS_OK_CANCEL : DIALOG_BUTTONS_FOOTER);
    const int listSpace = any ? 160 : 0;
    const int height = dialog->GetPreferredHeight(kDialogWidth) + listSpace;
    const Rect screen = app_->mWidgetManager->screenRect;
    dialog->Resize(screen.mX + (screen.mWidth - kDialogWidth) / 2, screen.mY + screen.mHeight / 8, kDialogWidth,
                   height);
    if (any)
    {
        markerTimes_ = std::make_unique<ListWidget>(this);
        markerTexts_ = std::make_unique<ListWidget>(this);
        markerTimes_->id = kMarkerListId;
        markerTexts_->id = kMarkerListId;
        markerTimes_->nextColumn = markerTexts_.get();
        markerTexts_->prevColumn = markerTimes_.get();
        const int frame = std::max(1, app_->mFrameTime);
        for (const DemoMarker& marker : markers_)
        {
            const int row = markerTimes_->AddLine(FormatDemoTime(int64_t(marker.update) * frame), false);
            markerTexts_->SetLine(row, marker.text);
            if (marker.update <= app_->mUpdateCount) markerTimes_->SetLineColor(row, Color(128, 128, 128));
        }
        const int listY = height - dialog->contentInsets.mBottom - dialog->buttonHeight - 8 - listSpace + 4;
        const int left = dialog->contentInsets.mLeft;
        const int timeWidth = 90;
        markerTimes_->Resize(left, listY, timeWidth, listSpace - 12);
        markerTexts_->Resize(left + timeWidth, listY, kDialogWidth - 2 * left - timeWidth, listSpace - 12);
        dialog->AddWidget(markerTimes_.get());
        dialog->AddWidget(markerTexts_.get());
    }
    Show(std::move(dialog), Kind::MarkerList);
}

void DemoPlaybackWindows::OpenNotice(const std::string& header, const std::string& lines)
{
    Close();
    auto dialog =
        std::make_unique<Dialog>(nullptr, nullptr, kNoticeDialogId, true, header, lines, "OK", DIALOG_BUTTONS_FOOTER);
    const int height = dialog->GetPreferredHeight(kDialogWidth);
    const Rect screen = app_->mWidgetManager->screenRect;
    dialog->Resize(screen.mX + (screen.mWidth - kDialogWidth) / 2, screen.mY + screen.mHeight / 5, kDialogWidth,
                   height);
    Show(std::move(dialog), Kind::Notice);
}

void DemoPlaybackWindows::JumpToUpdate(int update)
{
    // A replay only runs forward: a time already passed is not reached again.
    if (update > app_->mUpdateCount)
    {
        app_->mDemoJumpTarget = update;
        app_->mSingleStep = false;
    }
}

void DemoPlaybackWindows::Accept()
{
    switch (kind_)
    {
    case Kind::JumpToTime:
    {
        const std::string entry = timeField_->text;
        const int64_t ms = ParseDemoTime(entry);
        // A time past the end goes to the end, as "0" does.
        const int64_t update = std::min<int64_t>(ms / std::max(1, app_->mFrameTime), app_->DemoLength());
        if (ms < 0 || update <= app_->mUpdateCount)
        {
            // The window stays, says why, and selects the entry for another try.
            dialog_->lines = ms < 0
                                 ? "\"" + entry + "\" is not a time. Type minutes:seconds, such as 1:30."
                                 : FormatDemoTime(ms) + " has passed: a replay only runs forward. Type a later time.";
            dialog_->MarkDirty();
            selectEntry_ = true;
            return;
        }
        app_->WritePlaybackSetting(kJumpTimeValue, entry);
        closeRequested_ = true;
        JumpToUpdate(static_cast<int>(update));
        return;
    }
    case Kind::MarkerList:
    {
        const int row = markerTimes_ != nullptr ? markerTimes_->selectIndex : -1;
        const int update = row >= 0 && size_t(row) < markers_.size() ? markers_[size_t(row)].update : -1;
        closeRequested_ = true;
        if (update >= 0) JumpToUpdate(update);
        return;
    }
    default:
        closeRequested_ = true;
        return;
    }
}

void DemoPlaybackWindows::DialogButtonReleased(int dialogId, int buttonId)
{
    (void)dialogId;
    if (buttonId == DIALOG_BUTTON_YES)
        Accept();
    else
        closeRequested_ = true;
}

void DemoPlaybackWindows::EditTextEntered(int id, const std::string& text)
{
    (void)id;
    (void)text;
    Accept();
}

bool DemoPlaybackWindows::AllowChar(int id, char chr)
{
    (void)id;
    return std::isdigit(static_cast<unsigned char>(chr)) || chr == ':' || chr == '.';
}

void DemoPlaybackWindows::ListClicked(int id, int lineIndex, int clickCount)
{
    (void)id;
    if (markerTimes_ == nullptr) return;
    markerTimes_->SetSelect(lineIndex);
    if (clickCount > 1) Accept();
}

void DemoPlaybackWindows::ScrollMarkersTo(double top)
{
    if (markerTimes_ == nullptr) return;
    const double rows = markerTimes_->GetLineCount();
    const double maxTop = std::max(0.0, rows - std::floor(markerTimes_->pageSize));
    // The head passes the position on to the other column.
    markerTimes_->ScrollPosition(kMarkerListId, std::clamp(top, 0.0, maxTop));
}

void DemoPlaybackWindows::MoveMarkerSelection(int delta)
{
    if (markerTimes_ == nullptr || markerTimes_->GetLineCount() == 0) return;
    const int row = std::clamp(markerTimes_->selectIndex + delta, 0, markerTimes_->GetLineCount() - 1);
    markerTimes_->SetSelect(row);
    const int shown = std::max(1, static_cast<int>(markerTimes_->pageSize));
    if (row < markerTimes_->position)
        ScrollMarkersTo(row);
    else if (row >= markerTimes_->position + shown)
        ScrollMarkersTo(row - shown + 1);
}

void DemoPlaybackWindows::HandleInput(uint32_t message, uint32_t wParam, uint32_t lParam)
{
    using namespace Platform;
    if (dialog_ == nullptr) return;
    Dispatch(message, wParam, lParam);
    // A window closed by one of its own controls goes only once that control's handler has returned; the same
    // for the field's text selected again (the field would clear the selection after reporting Enter).
    if (closeRequested_) Close();
    if (selectEntry_ && timeField_ != nullptr) timeField_->SetText(timeField_->text, true);
    selectEntry_ = false;
}

void DemoPlaybackWindows::Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam)
{
    using namespace Platform;
    int mx = GET_X_LPARAM(static_cast<LPARAM>(lParam));
    int my = GET_Y_LPARAM(static_cast<LPARAM>(lParam));
    switch (message)
    {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
        {
            closeRequested_ = true;
            return;
        }
        if ((wParam == VK_UP || wParam == VK_DOWN) && kind_ == Kind::MarkerList)
        {
            MoveMarkerSelection(wParam == VK_UP ? -1 : 1);
            return;
        }
        // Enter accepts; in the time field the field itself reports it.
        if (wParam == VK_RETURN && kind_ != Kind::JumpToTime)
        {
            Accept();
            return;
        }
        manager_->KeyDown(static_cast<int>(wParam));
        return;
    case WM_KEYUP:
        manager_->KeyUp(static_cast<int>(wParam));
        return;
    case WM_CHAR:
        manager_->KeyChar(static_cast<char>(wParam));
        return;
    case WM_MOUSEMOVE:
        manager_->MapMouseCoords(mx, my);
        manager_->MouseMove(mx, my);
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    {
        const int code = message == WM_LBUTTONDOWN     ? 1
                         : message == WM_LBUTTONDBLCLK ? 2
                         : message == WM_RBUTTONDOWN   ? -1
                         : message == WM_RBUTTONDBLCLK ? -2
                                                       : 3;
        manager_->MapMouseCoords(mx, my);
        manager_->MouseMove(mx, my);
        manager_->MouseDown(mx, my, code);
        return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        manager_->MapMouseCoords(mx, my);
        manager_->MouseUp(mx, my, message == WM_LBUTTONUP ? 1 : message == WM_RBUTTONUP ? -1 : 3);
        return;
    case WM_MOUSEWHEEL:
        // The lists have no scroll bar of their own: the wheel moves them, three rows a notch.
        if (kind_ == Kind::MarkerList && markerTimes_ != nullptr)
            ScrollMarkersTo(markerTimes_->position - 3.0 * (static_cast<int16_t>(wParam >> 16) / WHEEL_DELTA));
        return;
    default:
        return;
    }
}

void DemoPlaybackWindows::Update()
{
    if (dialog_ != nullptr) manager_->UpdateFrame();
    if (closeRequested_) Close();
}

bool DemoPlaybackWindows::Draw(bool screenRedrawn)
{
    if (dialog_ == nullptr) return false;
    manager_->screenImage = app_->mWidgetManager->screenImage;
    if (screenRedrawn) manager_->MarkEverythingDirty();
    return manager_->DrawScreen();
}

// ---- the application's side ----

bool ZestAppBase::PlaybackWindowOpen() const
{
    return mPlaybackWindows != nullptr && mPlaybackWindows->IsOpen();
}

DemoPlaybackWindows& ZestAppBase::PlaybackWindows()
{
    if (mPlaybackWindows == nullptr) mPlaybackWindows = std::make_shared<DemoPlaybackWindows>(this);
    return *mPlaybackWindows;
}

void ZestAppBase::OpenJumpToTime()
{
    // A catch-up under way stops where it is; the viewer picks the next target.
    mDemoJumpTarget = 0;
    mFastForward = false;
    PlaybackWindows().OpenJumpToTime();
}

void ZestAppBase::OpenMarkerList()
{
    mDemoJumpTarget = 0;
    mFastForward = false;
    PlaybackWindows().OpenMarkerList();
}

void ZestAppBase::HandlePlaybackInput(uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (PlaybackWindowOpen()) mPlaybackWindows->HandleInput(message, wParam, lParam);
}

void ZestAppBase::RunPlaybackWindowStep(bool allowSleep)
{
    // The replay stands still; only the window's own widgets move (the blinking cursor of its field).
    mPlaybackWindows->Update();
    DrawDirtyWidgets();
    // Back to the message step next: the window's input comes through it.
    mStepState = 3;
    if (allowSleep) Platform::Sleep(static_cast<uint32_t>(std::max(1, mFrameTime)));
}

bool ZestAppBase::DrawPlaybackWindow(bool screenRedrawn)
{
    return mPlaybackWindows != nullptr && mPlaybackWindows->Draw(screenRedrawn);
}

bool ZestAppBase::SavePlayback(std::string* savedName)
{
    if (!mPlayingDemo) return false;
    // Everything the replay has taken from the stream: up to the header it has looked at but not yet used.
    const int64_t usedBits = mDemo.headerConsumed ? mDemo.buffer.GetReadBitPos() : mDemo.headerStartBit;
    DemoStream played;
    CopyStreamBits(mDemo.buffer, usedBits, played.buffer);
    DemoFileHeader header;
    header.seed = mRandSeed;
    header.product = mProductName;
    header.lengthUpdates = mUpdateCount;
    Buffer file;
    WriteDemoFile(file, header, played);

    std::string base = mDemoFileName;
    if (base.size() > 4 && StringToLower(base.substr(base.size() - 4)) == ".dmo") base.resize(base.size() - 4);
    const std::string name = base + FormatString("-%d.dmo", mUpdateCount);
    // Written straight to the disk: the replay's own file access is answered from the stream and writes nothing.
    const std::string path = Platform::ResolveFileName(name);
    const bool ok = Platform::WriteFileAtomically(path, file.GetDataPtr(), static_cast<size_t>(file.GetDataLen()));
    if (savedName != nullptr) *savedName = path;
    const int frame = std::max(1, mFrameTime);
    Platform::OutputDebugString(ok ? "Saved the demo up to " + FormatDemoTime(int64_t(mUpdateCount) * frame) + " as " +
                                         path + "\n"
                                   : "Could not save the demo as " + path + "\n");
    if (ok)
        PlaybackWindows().OpenNotice("Demo Saved", "The demo up to " + FormatDemoTime(int64_t(mUpdateCount) * frame) +
                                                       " is saved as " + path + ".");
    else
        PlaybackWindows().OpenNotice("Demo Not Saved", "The demo could not be written to " + path + ".");
    return ok;
}

bool ZestAppBase::ReadPlaybackSetting(const std::string& name, std::string& text)
{
    // Straight from the store: a replay answers its own setting reads from the stream.
    if (mRegKey.empty()) return false;
    std::string valueName;
    const std::string path = RegistryPath(name, valueName);
    Platform::HKEY key = nullptr;
    if (Platform::RegOpenKeyEx(Platform::HKEY_CURRENT_USER, path, 0, Platform::KEY_READ, &key) !=
        Platform::ERROR_SUCCESS)
        return false;
    uint8_t data[256];
    uint32_t type = 0;
    uint32_t length = sizeof data;
    const bool ok =
        Platform::RegQueryValueEx(key, valueName, nullptr, &type, data, &length) == Platform::ERROR_SUCCESS &&
        type == Platform::REG_SZ;
    Platform::RegCloseKey(key);
    if (ok) text.assign(reinterpret_cast<const char*>(data), std::min<size_t>(length, sizeof data));
    return ok;
}

bool ZestAppBase::WritePlaybackSetting(const std::string& name, const std::string& text)
{
    if (mRegKey.empty()) return false;
    std::string valueName;
    const std::string path = RegistryPath(name, valueName);
    Platform::HKEY key = nullptr;
    if (Platform::RegCreateKeyEx(Platform::HKEY_CURRENT_USER, path, 0, "", 0, Platform::KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr) != Platform::ERROR_SUCCESS)
        return false;
    const bool ok =
        Platform::RegSetValueEx(key, valueName, 0, Platform::REG_SZ, reinterpret_cast<const uint8_t*>(text.data()),
                                static_cast<uint32_t>(text.size())) == Platform::ERROR_SUCCESS;
    Platform::RegCloseKey(key);
    return ok;
}

} // namespace Zest
