// Start-up, the run and shutdown of the application object: Init, Start, Shutdown, DoExit, the command line, the
// window and display modes, cursors, the loading and cursor threads, and demo preparation and saving.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "base/Random.h"
#include "data/ImageLib.h"
#include "data/PakInterface.h"
#include "graphics/DDImage.h"
#include "platform/Clock.h"
#include "platform/Crash.h"
#include "platform/Cursors.h"
#include "platform/Debug.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Surfaces.h"
#include "platform/System.h"
#include "platform/Window.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

using namespace Platform;

namespace
{
std::atomic<int> gExitTraps{0};
std::unique_ptr<PakInterface> gPakInterface;

bool WalkWindow(HWND, LPARAM)
{
    // Nothing to save or restore: the program has no other top-level windows of interest.
    return true;
}
} // namespace

ExitTrap::ExitTrap()
{
    ++gExitTraps;
}

ExitTrap::~ExitTrap()
{
    --gExitTraps;
}

void ZestAppBase::DoExit(int code)
{
    RestoreScreenResolution();
    // The process ends without running destructors: let go of the instance lock and the notice socket here, so
    // nothing of this run is left in the runtime folder.
    if (mNotifyMessage) StopListening();
    if (mMutex)
    {
        CloseHandle(mMutex);
        mMutex = nullptr;
    }
    if (gExitTraps > 0) throw AppExit{code};
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

void ZestAppBase::SaveForLostDisplay(const std::string& message)
{
    (void)message; // already on standard error; no box can be shown any more
    ZestAppBase* app = GetApp();
    if (!app || app->mShutdownDone) return;
    // What a quit saves, written to files only: the window system is gone, and the process ends right after.
    // The desktop mode went with the server.
    app->mDesktopResolutionChanged = false;
    if (app->mRecording) app->SaveDemo();
    if (app->mRegistryRead) app->WriteToRegistry();
    if (app->mNotifyMessage) StopListening();
    if (app->mMutex)
    {
        CloseHandle(app->mMutex);
        app->mMutex = nullptr;
    }
}

void ZestAppBase::RestoreScreenResolution()
{
    if (!mDesktopResolutionChanged) return;
    EnumWindows(WalkWindow, 0);
    ChangeDisplaySettings(nullptr, 0);
    EnumWindows(WalkWindow, 0);
    mDesktopResolutionChanged = false;
}

void ZestAppBase::SignalOtherInstanceAndExit()
{
    if (!mSingleInstance) return;
    if (mNotifyMessage != 0) PostMessage(HWND_BROADCAST, mNotifyMessage, 0, 0);
    DoExit(0);
}

bool ZestAppBase::ChangeDirectoryHook(const std::string& dir)
{
    (void)dir;
    return false;
}

void ZestAppBase::EndWithFatalError(const std::string& text)
{
    // The error box, which is on standard error as well.
    Popup(text);
    mExitCode = 1;
    Shutdown();
}

std::string DescribeDataFileProblem(const std::string& name, const std::string& folder, PakProblem problem)
{
    const std::string in = " in the folder " + folder;
    const std::string reinstall = " Please install the game again.";
    switch (problem)
    {
    case PakProblem::None:
        return std::string();
    case PakProblem::Missing:
        return "The game's data file " + name + " was not found" + in +
               ". Start the game from the folder it was installed in, or install it again.";
    case PakProblem::NotAFile:
        return "The game's data file " + name + in + " is not a file (it is a folder, a pipe or a device)." + reinstall;
    case PakProblem::Empty:
        return "The game's data file " + name + in + " is empty." + reinstall;
    case PakProblem::Unreadable:
        return "The game's data file " + name + in + " cannot be read." +
               " Check that you may read it, or install the game again.";
    case PakProblem::NotAPack:
        return "The game's data file " + name + in + " is damaged: it is not a data file of this game." + reinstall;
    case PakProblem::Cut:
        return "The game's data file " + name + in + " is incomplete: it ends too early." + reinstall;
    }
    return std::string();
}

// ---- command line ----

void ZestAppBase::ParseCommandLineString(const std::string& line)
{
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (char c : line)
    {
        if (c == '"')
        {
            quoted = !quoted;
            any = true;
        }
        else if ((c == ' ' || c == '\t') && !quoted)
        {
            if (any) args.push_back(current);
            current.clear();
            any = false;
        }
        else
        {
            current += c;
            any = true;
        }
    }
    if (any) args.push_back(current);
    ParseCommandLine(args);
}

void ZestAppBase::ParseCommandLine(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
    {
        const size_t eq = arg.find('=');
        const std::string name = eq == std::string::npos ? arg : arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
        if (ApplyCommandLineParam(name, value)) continue;
        // Asking for help is answered on standard output; anything unknown is a usage error, told on standard
        // error with the same text, so that scripts can tell the two apart by the exit code.
        const std::string key = StringToLower(name);
        if (key == "--help" || key == "-help" || key == "-h" || key == "-?")
        {
            std::fputs(CommandLineUsage().c_str(), stdout);
            DoExit(0);
        }
        const std::string program = mProgramName.empty() ? mProductName : mProgramName;
        std::fprintf(stderr, "%s: unknown switch: %s\n", program.c_str(), arg.c_str());
        std::fputs(CommandLineUsage().c_str(), stderr);
        DoExit(2);
    }
}

std::string ZestAppBase::CommandLineUsage() const
{
    const std::string program = mProgramName.empty() ? mProductName : mProgramName;
    return "Usage: " + program +
           " [switch ...]\n"
           "  -play              play the demo file back\n"
           "  -record            record a demo file while playing\n"
           "  -demofile=FILE     the demo file to play back or record\n"
           "  -playnum=N         play back the demo N.dmo\n"
           "  -recnum=N          record the demo N.dmo\n"
           "  -changedir=DIR     start in the folder DIR\n"
           "  -debugoutput       write debugging messages to standard error\n"
           "  -screensaver       run as a screen saver\n"
           "  -crash             crash at once, to try the crash report\n"
           "  --help             show this text\n";
}

bool ZestAppBase::ApplyCommandLineParam(const std::string& name, const std::string& value)
{
    const std::string key = StringToLower(name);
    int number = 0;
    if (key == "-play")
        mPlayingDemo = true;
    else if (key == "-record")
        mRecording = true;
    else if (key == "-demofile" && !value.empty())
        mDemoFileName = value;
    else if (key == "-recnum" && ParseInt(value, number))
    {
        mRecording = true;
        mDemoFileName = FormatString("%d.dmo", number);
    }
    else if (key == "-playnum" && ParseInt(value, number))
    {
        mPlayingDemo = true;
        mDemoFileName = FormatString("%d.dmo", number);
    }
    else if (key == "-changedir" && !value.empty())
        mChangeDirTo = value;
    else if (key == "-debugoutput")
        SetDebugOutputEnabled(true);
    else if (key == "-screensaver")
        mIsScreenSaver = true;
    else if (key == "-crash")
        Platform::CrashNow();
    else
        return false;
    if (mPlayingDemo) mRecording = false;
    return true;
}

// ---- Init ----

std::string PrefixDemoName(const std::string& name, const std::string& folder)
{
    // The name is kept when it already names a place: an absolute path (either separator), a drive, or a
    // name with a folder in front ("ab\\c.dmo"). Only indices that exist are read.
    if (!name.empty() && (name[0] == '/' || name[0] == '\\')) return name;
    if (name.size() > 1 && name[1] == ':') return name;
    if (name.size() > 2 && name[2] == '\\') return name;
    // The folder's closing separator is written the Linux way, so the path reads right where it is shown.
    if (!folder.empty() && folder.back() == '\\') return folder.substr(0, folder.size() - 1) + "/" + name;
    return folder + name;
}

void ZestAppBase::Init()
{
    MarkMainThread();
    mMainThreadId = GetCurrentThreadId();
    mMainThreadKnown = true;
    if (mShutdown) return;
    // From here on SIGTERM and SIGINT close the program in order (the main loop takes them), on every backend.
    InstallCloseSignals();
    Platform::SetDisplayLostHandler(&ZestAppBase::SaveForLostDisplay);

    if (mDDrawModule == nullptr || mDSoundModule == nullptr)
    {
        MessageBox(nullptr,
                   GetString("APP_REQUIRES_DIRECTX",
                             std::string("This application requires DirectX to run.  You can get DirectX at "
                                         "http://www.microsoft.com/directx")),
                   GetString("YOU_NEED_DIRECTX", std::string("You need DirectX")), MB_OK | MB_ICONERROR);
        DoExit(1);
    }

    BeforeInit();
    ReadFromRegistry();

    OsVersionInfo version;
    if (GetVersionEx(&version) && version.majorVersion >= 6)
    {
        ModuleHandle shell = LoadLibrary("shell32.dll");
        if (!shell) shell = LoadLibrary("shfolder.dll");
        auto* query = GetProcAddress<decltype(SHGetFolderPath)>(shell, "SHGetFolderPathA");
        char path[MAX_PATH] = {};
        if (query && query(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path) == S_OK)
        {
            // Folder names without spaces: they end up in shell commands and file managers on Linux.
            auto folderName = [](std::string name)
            {
                name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                return name;
            };
            const std::string below =
                mDataFolderName.empty() ? folderName(mCompanyName) + "/" + folderName(mProductName) : mDataFolderName;
            std::string folder = RemoveTrailingSlash(path) + "/" + below;
            SetAppDataFolder(folder);
            mDemoFileName = PrefixDemoName(mDemoFileName, GetAppDataFolder());
        }
        if (shell) FreeLibrary(shell);
    }

    InstallCrashCatcher();
    if (!mSkipCommandLine) ParseCommandLine(mCommandLine);
    if (mIsScreenSaver) mSingleInstance = false;
    RemoveInterruptedSaves();

    if (!ChangeDirectoryHook(mChangeDirTo) && !mChangeDirTo.empty() && !SetCurrentDirectory(mChangeDirTo))
    {
        // Going on in the wrong folder would start without the game's data, or write where nobody looks.
        Popup("Cannot change to the folder " + mChangeDirTo + ": it does not exist or cannot be entered.");
        DoExit(1);
    }
    if (mRecording && !CanWriteDemoFile())
    {
        // Found out now, not after a whole session that is then lost.
        mRecording = false;
        Popup("Cannot record the demo: " + mDemoFileName + " cannot be written.");
        DoExit(1);
    }

    if (!gPakInterface) gPakInterface = std::make_unique<PakInterface>();
    PakProblem pakProblem = PakProblem::None;
    gPakInterface->AddPakFile("main.pak", &pakProblem);
    // Said only when the game then finds no data of its own: a loose data tree may stand in for the pack.
    mDataFileProblem = DescribeDataFileProblem("main.pak", Platform::GetCurrentDirectory(), pakProblem);

    mNotifyMessage = RegisterWindowMessage(mProductName + "Notify");
    mMutex = CreateMutex(nullptr, true, mProductName + "Mutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) SignalOtherInstanceAndExit();
    if (mSingleInstance && mNotifyMessage) ListenForBroadcast(mNotifyMessage);

    mRandSeed = GetTickCount();
    SeedRandom(mRandSeed);

    if (mPlayingDemo && !PrepareDemo())
    {
        mPlayingDemo = false;
        Popup(mDemoError);
        DoExit(1);
    }
    // The report now knows whether a demo is recorded or replayed.
    RefreshCrashInfo();
    std::srand(GetTickCount());

    WNDCLASS mainClass;
    mainClass.style = CS_DBLCLKS;
    mainClass.lpfnWndProc = &ZestAppBase::WindowProc;
    mainClass.icon = "IDI_MAIN_ICON";
    mainClass.className = "MainWindow";
    RegisterClass(mainClass);
    WNDCLASS invisClass;
    invisClass.lpfnWndProc = &ZestAppBase::WindowProc;
    invisClass.className = "InvisWindow";
    RegisterClass(invisClass);
    mInvisHWnd = CreateWindowEx(0, "InvisWindow", mTitle, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (mInvisHWnd) SetWindowLong(mInvisHWnd, GWL_USERDATA, reinterpret_cast<intptr_t>(this));

    // The application's own: a window layer reset (between tests) frees every cursor made before it.
    if (!mHandCursor)
    {
        const CursorMasks& hand = HandCursorMasks();
        mHandCursor = CreateCursor(nullptr, 11, 4, 32, 32, hand.andMask, hand.xorMask);
        const CursorMasks& drag = DraggingHandCursorMasks();
        mDraggingCursor = CreateCursor(nullptr, 15, 10, 32, 32, drag.andMask, drag.xorMask);
    }

    BeforeDisplayInit();
    mWidgetManager->SetMouseRects(Rect(0, 0, mWidth, mHeight), Rect(0, 0, mWidth, mHeight));

    if (mIsWindowed && !mDesktopResolutionChanged)
    {
        if (GetSystemMetrics(SM_CXFULLSCREEN) <= mWidth || GetSystemMetrics(SM_CYFULLSCREEN) <= mHeight)
        {
            mIsWindowed = false;
            mFullScreenForced = true;
        }
    }

    if (mChangeScreenResolution)
    {
        EnumWindows(WalkWindow, 0);
        DEVMODE mode;
        EnumDisplaySettings(nullptr, ENUM_CURRENT_SETTINGS, &mode);
        const bool depthOk = mode.dmBitsPerPel == 16 || mode.dmBitsPerPel == 32;
        if (int(mode.dmPelsWidth) != mWidth || int(mode.dmPelsHeight) != mHeight || !depthOk)
        {
            DEVMODE wanted;
            wanted.dmPelsWidth = static_cast<uint32_t>(mWidth);
            wanted.dmPelsHeight = static_cast<uint32_t>(mHeight);
            wanted.dmDisplayFrequency = mode.dmDisplayFrequency;
            wanted.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
            if (!depthOk)
            {
                wanted.dmBitsPerPel = 16;
                wanted.dmFields |= DM_BITSPERPEL;
            }
            if (ChangeDisplaySettings(&wanted, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL)
                mDesktopResolutionChanged = true;
            else
            {
                mChangeScreenResolution = false;
                mIsWindowed = false;
            }
        }
    }

    MakeWindow();

    if (mPlayingDemo)
    {
        int32_t windowed = mIsWindowed;
        int32_t refresh = mRefreshRate;
        if (mDemo.PeekHeader() && !mDemo.pendingShort && mDemo.pendingType == DEMO_INITIAL_STATE)
        {
            mDemo.ConsumeHeader();
            if (mDemo.ReadBitsChecked(8, false, windowed) && mDemo.ReadBitsChecked(8, false, refresh))
            {
                mIsWindowed = windowed != 0;
                // A display only ever runs at 60..100 Hz; anything else is a damaged demo.
                mRefreshRate = std::clamp<int>(refresh, 60, 100);
            }
        }
    }
    else if (mRecording)
    {
        mDemo.Reset();
        mDemo.WriteHeader(0, false, DEMO_INITIAL_STATE);
        mDemo.buffer.WriteBoolean(mIsWindowed);
        mDemo.buffer.WriteByte(static_cast<uint8_t>(std::clamp(mRefreshRate, 0, 255)));
    }

    if (!mSoundManager) mSoundManager = MakeSoundManager(mNoSoundNeeded ? nullptr : mHWnd, mUseFMod);
    SetSfxVolume(mSfxVolume);
    mMusicInterface = CreateMusicInterface(mInvisHWnd);
    SetMusicVolume(mMusicVolume);

    if (mIsScreenSaver) Platform::SetCursor(nullptr);

    ShowWindowWhileLoading();
    AfterInit();
    mInitialized = true;
}

void ZestAppBase::ShowWindowWhileLoading()
{
    if (!mHWnd || GetVideoBackend() != VideoBackend::Sdl)
    {
        // Nothing waits for a show here: the window goes up in Start as it always did, and the loads run now.
        LoadWhileWindowShows();
        return;
    }
    // On a window system the show waits until the server has mapped the window and settled its place. The window
    // goes up as soon as it exists (nothing the start-up loads make is needed to map it; the first frame is drawn
    // only once they are over), and the loads use the wait.
    mWindowShowing.store(true, std::memory_order_release);
    std::unique_ptr<Thread> loads = CreateThread([this] { LoadWhileWindowShows(); }, "start-up");
    ShowWindow(mHWnd, SW_SHOW);
    SetFocus(mHWnd);
    mWindowShownAtInit = true;
    mWindowShowing.store(false, std::memory_order_release);
    loads->Join();
}

// ---- the window and the display ----

void ZestAppBase::CreateMainWindow(bool windowed)
{
    const uint32_t style = windowed ? WS_OVERLAPPEDWINDOW_NORESIZE : WS_POPUP;
    RECT rect{0, 0, mWidth, mHeight};
    AdjustWindowRectEx(&rect, style, false, 0);
    const int outerW = rect.right - rect.left, outerH = rect.bottom - rect.top;
    int x = 0, y = 0;
    if (windowed)
    {
        const int usableW = GetSystemMetrics(SM_CXFULLSCREEN), usableH = GetSystemMetrics(SM_CYFULLSCREEN);
        // In 64 bits: the sums must not overflow whatever the preferred position holds.
        const bool visible = mPreferredX >= 0 && mPreferredY >= 0 && int64_t(mPreferredX) + outerW <= usableW &&
                             int64_t(mPreferredY) + outerH <= int64_t(usableH) + (outerH - mHeight);
        x = visible ? mPreferredX : std::max(0, (usableW - outerW) / 2);
        y = visible ? mPreferredY : std::max(0, (usableH - outerH) / 2);
    }
    mHWnd = CreateWindowEx(0, "MainWindow", mTitle, style, x, y, outerW, outerH, nullptr, nullptr, nullptr, nullptr);
    if (!mHWnd) return;
    SetWindowLong(mHWnd, GWL_USERDATA, reinterpret_cast<intptr_t>(this));
    SetTimer(mHWnd, 100, 100, nullptr);
}

int ZestAppBase::InitDisplay(bool windowed)
{
    if (!mHWnd) return DDInterface::RESULT_FAIL;
    if (!mDDInterface) mDDInterface = std::make_unique<DDInterface>(this);
    const int result = mDDInterface->Init(mHWnd, windowed);
    if (result == DDInterface::RESULT_OK)
    {
        // With synchronised drawing the update time follows the monitor's refresh rate, where presents really
        // wait for the retrace (otherwise nothing would pace the refresh-paced steps). A replay keeps the rate it
        // was recorded with, a recording the rate it started with.
        mVSyncUpdates = mSyncDrawing && !mRefreshRateUnknown && PresentsCanWaitForVsync();
        if (!mPlayingDemo && !mRecording) mRefreshRate = mDDInterface->mRefreshRate;
        // Presents to a real window that nothing paces would otherwise follow every update, more often than
        // the display can show them.
        mMinDrawInterval = !mVSyncUpdates && GetVideoBackend() == VideoBackend::Sdl
                               ? 1000.0 / std::max(1, mDDInterface->mRefreshRate)
                               : 0.0;
        mWindowedNow = windowed;
        // The system's saver and monitor power-down are let through only while windowed.
        mScreenSaverAllowed = windowed;
        mMonitorPowerAllowed = windowed;
        AllowScreenSaver(windowed);
    }
    return result;
}

void ZestAppBase::InitDisplayWithFallback(bool windowed)
{
    int result = InitDisplay(windowed);
    if (result == DDInterface::RESULT_OK) return;
    if (windowed)
    {
        if (InitDisplay(false) == DDInterface::RESULT_OK)
        {
            mIsWindowed = false;
            mFullScreenForced = true;
            return;
        }
    }
    else if (InitDisplay(true) == DDInterface::RESULT_OK)
    {
        mIsWindowed = true;
        return;
    }
    std::string text = mDDInterface ? mDDInterface->mErrorString : std::string();
    if (result == DDInterface::RESULT_INVALID_COLORDEPTH)
        text = GetString("PLEASE_SET_COLOR_DEPTH", std::string("Please set your desktop color depth to 16 bit."));
    if (text.empty()) text = DDInterface::ResultToString(result);
    Popup(text);
    DoExit(1);
}

void ZestAppBase::SetMouseRectsFromDisplay()
{
    if (!mDDInterface) return;
    mWidgetManager->screenImage = mDDInterface->GetScreenImage();
    const Rect& present = mDDInterface->mPresentationRect;
    if (present.mWidth > 0 && present.mHeight > 0)
        mWidgetManager->SetMouseRects(present, Rect(0, 0, mWidth, mHeight));
    else
        mWidgetManager->SetMouseRects(Rect(0, 0, mWidth, mHeight), Rect(0, 0, mWidth, mHeight));
    mWidgetManager->MarkEverythingDirty();
}

void ZestAppBase::MakeWindow()
{
    if (!mHWnd) CreateMainWindow(mIsWindowed);
    if (!mHWnd)
    {
        const std::string reason = VideoFailureReason();
        Popup(reason.empty() ? std::string("The game window could not be created.") : reason);
        DoExit(1);
    }
    InitDisplayWithFallback(mIsWindowed);
    SetMouseRectsFromDisplay();
}

void ZestAppBase::SwitchScreenMode(bool wantWindowed, bool is3d, bool force)
{
    (void)is3d;
    if (wantWindowed && mFullScreenForced && !force) return;
    if (wantWindowed == mWindowedNow && mDDInterface && mDDInterface->IsInitialized())
    {
        mIsWindowed = wantWindowed;
        return;
    }
    mIsWindowed = wantWindowed;
    if (!mHWnd) return;
    mWidgetManager->screenImage = nullptr;
    DeleteNativeImageData();
    InitDisplayWithFallback(wantWindowed);
    SetMouseRectsFromDisplay();
    ReloadImages();
    mWidgetManager->MarkEverythingDirty();
    if (mSoundManager) mSoundManager->SetCooperativeWindow(mHWnd, mWindowedNow);
}

void ZestAppBase::SwitchScreenMode(bool wantWindowed)
{
    SwitchScreenMode(wantWindowed, false, false);
}

void ZestAppBase::SwitchScreenMode()
{
    SwitchScreenMode(mIsWindowed, false, true);
}

void ZestAppBase::SwitchScreenImageMemory(bool videoMemory)
{
    if (!mDDInterface) return;
    mDDInterface->CreateScreenImage(videoMemory);
    mWidgetManager->screenImage = mDDInterface->GetScreenImage();
}

// ---- cursors ----

void ZestAppBase::SetCursor(int cursorId)
{
    mCursorId = cursorId;
    ApplyCursor();
}

void ZestAppBase::EnableCustomCursors(bool enabled)
{
    mCustomCursorsEnabled = enabled;
    ApplyCursor();
}

void ZestAppBase::SetCursorImage(int cursorId, Image* image)
{
    if (cursorId < 0 || cursorId >= kNumCursorShapes) return;
    if (mCursorImages[cursorId] != image) FreeCustomCursor(cursorId);
    mCursorImages[cursorId] = image;
    ApplyCursor();
}

void ZestAppBase::FreeCustomCursor(int cursorId)
{
    if (mCustomCursors[cursorId] == nullptr) return;
    const bool current = Platform::GetCursor() == mCustomCursors[cursorId];
    DestroyCursor(mCustomCursors[cursorId]);
    mCustomCursors[cursorId] = nullptr;
    mCustomCursorScales[cursorId] = 0;
    if (current) mAppliedCursor = -1;
}

HCURSOR ZestAppBase::CustomCursor(int cursorId)
{
    if (!mCustomCursorsEnabled || cursorId < 0 || cursorId >= kNumCursorShapes) return nullptr;
    auto* image = dynamic_cast<MemoryImage*>(mCursorImages[cursorId]);
    if (image == nullptr) return nullptr;
    // The window shows the game scaled up by a whole factor; the pointer keeps its size against the picture.
    const int scale = std::max(1, mHWnd ? mHWnd->Scale() : 1);
    if (mCustomCursors[cursorId] && mCustomCursorScales[cursorId] == scale) return mCustomCursors[cursorId];
    FreeCustomCursor(cursorId);
    const uint32_t* bits = image->GetWidth() > 0 && image->GetHeight() > 0 ? image->GetBits() : nullptr;
    if (bits == nullptr) return nullptr;
    mCustomCursors[cursorId] = CreateColorCursor(bits, image->GetWidth(), image->GetHeight(), 0, 0, scale);
    mCustomCursorScales[cursorId] = scale;
    return mCustomCursors[cursorId];
}

void ZestAppBase::ApplyCursor()
{
    if (!mMainThreadKnown || !IsMainThread()) return;
    if (mIsScreenSaver)
    {
        Platform::SetCursor(nullptr);
        return;
    }
    // A picture that cannot be made into a cursor (missing, empty, too large) leaves the built-in shape.
    HCURSOR cursor = CustomCursor(mCursorId);
    if (cursor)
    {
        Platform::SetCursor(cursor);
        mAppliedCursor = mCursorId;
        return;
    }
    switch (mCursorId)
    {
    case CURSOR_HAND:
        cursor = mHandCursor;
        break;
    case CURSOR_DRAGGING:
        cursor = mDraggingCursor;
        break;
    case CURSOR_TEXT:
        cursor = LoadCursor(nullptr, IDC_IBEAM);
        break;
    default:
        cursor = LoadCursor(nullptr, IDC_ARROW);
        break;
    }
    Platform::SetCursor(cursor);
    mAppliedCursor = mCursorId;
}

// ---- threads ----

void ZestAppBase::StartLoadingThread()
{
    mLoadingStarted = true;
    mLoadingYield = true;
    SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL);
    mLoadingThread = CreateThread(
        [this]
        {
            LoadingProcedure();
            // Everything the procedure made is visible to the main thread once it sees this flag.
            mLoadingCompleted.store(true, std::memory_order_release);
        },
        "loading");
}

// ---- Start ----

void ZestAppBase::Start()
{
    if (mShutdown) return;
    StartCursorThread();
    if (mLoadingThreadWanted) StartLoadingThread();

    if (mHWnd && !mWindowShownAtInit)
    {
        ShowWindow(mHWnd, SW_SHOW);
        SetFocus(mHWnd);
    }
    TimeBeginPeriod(1);

    mStartTime = TimeGetTime();
    mRunning = true;
    mLastTime = mStartTime;
    mVSyncCheckTime = mStartTime;
    mLastIdleCheck = mStartTime;

    MainLoop();
    mStepNesting = 0;
    ProcessDeferredDeletes();
    mRunning = false;
    if (mLoadingThread) mLoadingThread->Join();

    OutputDebugString(FormatLoopStatistics(TimeGetTime() - mStartTime));

    TimeEndPeriod(1);
    BeforeExit();
    WriteToRegistry();
}

std::string ZestAppBase::FormatLoopStatistics(uint32_t elapsedMs) const
{
    std::string text = FormatString("Seconds       = %g\r\n", elapsedMs / 1000.0);
    text += FormatString("Sleep Count   = %d\r\n", mSleepCount);
    text += FormatString("Update Count  = %d\r\n", mUpdateCount);
    text += FormatString("Draw Count    = %d\r\n", mDrawCount);
    text += FormatString("Draw Time     = %d\r\n", mDrawTime);
    text += FormatString("Screen Blt    = %d\r\n", mScreenBltTime);
    if (mDrawTime + mScreenBltTime > 0)
        text += FormatString("Avg FPS       = %d\r\n", mDrawCount * 1000 / (mDrawTime + mScreenBltTime));
    return text;
}

// ---- Shutdown ----

void ZestAppBase::Shutdown()
{
    if (mMainThreadKnown && GetCurrentThreadId() != mMainThreadId)
    {
        mShutdownRequested = true;
        return;
    }
    if (mShutdownDone) return;
    mShutdownDone = true;
    mExitToTop = true;
    mShutdown = true;
    OnShutdown();

    if (mRecording) SaveDemo();
    if (mPlayingDemo)
    {
        SetMusicVolume(mDemoMusicVolume);
        SetSfxVolume(mDemoSfxVolume);
    }
    // Only a thread that was started is waited for; it checks the flag every 10 ms.
    StopCursorThread();
    if (mMusicInterface) mMusicInterface->StopAllMusic();
    if (!mWindowedNow && mDDInterface && mDDInterface->mDD) mDDInterface->mDD->RestoreDisplayMode();
    if (mHWnd) ShowWindow(mHWnd, SW_HIDE);
    RestoreScreenResolution();
    if (mWriteSettingsAtShutdown) WriteToRegistry();
    ImageLib::FreeJ2KCodec();
}

// ---- demo files ----

bool ZestAppBase::CanWriteDemoFile() const
{
    const std::string path = ResolveFileName(mDemoFileName);
    // Only the game's own data folder (where a bare name goes) is made when missing; a folder the user named and
    // that is not there is an error, not something to create.
    const std::string folder = RemoveTrailingSlash(GetFileDir(path));
    const std::string data = RemoveTrailingSlash(ResolveFileName(GetAppDataFolder()));
    if (!folder.empty() && folder == data && !Platform::MakeDirectories(folder)) return false;
    return Platform::CanCreateFileAt(path);
}

bool ZestAppBase::PrepareDemo()
{
    // Only a regular file is read: a pipe or a device would block the start for ever or never end.
    if (Platform::ExistsButIsNotAFile(ResolveFileName(mDemoFileName)))
    {
        mDemoError = "Demo file not found: " + mDemoFileName;
        return false;
    }
    Buffer file;
    if (!ReadBufferFromFile(mDemoFileName, file, true))
    {
        mDemoError = "Demo file not found: " + mDemoFileName;
        return false;
    }
    DemoFileHeader header;
    if (!ParseDemoFile(file, header, mDemo, mDemoError)) return false;
    if (header.product != mProductName)
    {
        // Another product's demo would replay its input into screens it was never made for.
        mDemoError = "Invalid demo file.";
        return false;
    }
    mRandSeed = header.seed;
    SeedRandom(mRandSeed);
    mDemoLength = header.lengthUpdates;
    mDemoMusicVolume = mMusicVolume;
    mDemoSfxVolume = mSfxVolume;
    mReplayMouseX = mReplayMouseY = 0;
    return true;
}

bool ZestAppBase::SaveDemo()
{
    if (!mRecording) return false;
    DemoFileHeader header;
    header.seed = mRandSeed;
    header.product = mProductName;
    header.lengthUpdates = mUpdateCount;
    Buffer file;
    WriteDemoFile(file, header, mDemo);
    // The recorder's own file is not part of what it records.
    mRecording = false;
    return WriteBufferToFile(mDemoFileName, file);
}

} // namespace Zest
