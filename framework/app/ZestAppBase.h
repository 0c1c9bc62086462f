// Zest::ZestAppBase: the application object: start-up and shutdown, the fixed-step main loop, the window procedure
// and its deferred input queue, the settings store and demo-aware file access, demo recording and replay, dialogs,
// the live-image register and the sound and music pass-throughs.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/DemoStream.h"
#include "base/Buffer.h"
#include "data/PakInterface.h"
#include "graphics/DDInterface.h"
#include "graphics/ImageHost.h"
#include "platform/Cursors.h"
#include "platform/Instance.h"
#include "platform/Messages.h"
#include "platform/Modules.h"
#include "platform/Threads.h"
#include "resources/ResourceApp.h"
#include "sound/SoundServices.h"
#include "widgets/WidgetApp.h"

namespace Zest
{

class DDImage;
class DemoPlaybackWindows;
class Dialog;
class Image;
class MemoryImage;
class ResourceManager;
class Widget;
class WidgetManager;

// Thrown by DoExit while an ExitTrap lives, so a test can watch a path that ends the process.
struct AppExit
{
    int code;
};

// While one lives, DoExit throws AppExit instead of ending the process.
class ExitTrap
{
public:
    ExitTrap();
    ~ExitTrap();
    ExitTrap(const ExitTrap&) = delete;
    ExitTrap& operator=(const ExitTrap&) = delete;
};

// One record of the deferred input queue.
struct QueuedMessage
{
    Platform::HWND hwnd = nullptr;
    uint32_t message = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
};

// An image shared by path and variant, counted by its users.
struct SharedImage
{
    std::unique_ptr<DDImage> image;
    int refCount = 0;
};

class ZestAppBase : public WidgetApp, public ImageHost, public DisplayApp, public ResourceApp
{
public:
    ZestAppBase();
    ~ZestAppBase() override;
    ZestAppBase(const ZestAppBase&) = delete;
    ZestAppBase& operator=(const ZestAppBase&) = delete;

    // ---- start-up, run, shutdown ----
    virtual void Init();
    virtual void Start();
    virtual void Shutdown();
    // Ends the process with the code (after restoring the desktop mode); never returns.
    [[noreturn]] void DoExit(int code);
    void RestoreScreenResolution();
    // Ends the run on an error nothing can mend (a resource that cannot be loaded): the text on standard error and,
    // where one can be seen, in the "FATAL ERROR" box; then an orderly shutdown, and the program ends with exit
    // code 1 (mExitCode, which the program entry returns). Main thread.
    void EndWithFatalError(const std::string& text);
    // Why the game's data file could not be used, in the player's words, naming it and the folder it was looked
    // for in; empty when it was read, or when it was never looked for.
    const std::string& DataFileProblem() const { return mDataFileProblem; }
    // Called when the connection to the window system broke: saves what a quit saves (settings, the recorded demo)
    // and lets go of the instance lock, touching files only; the process ends afterwards.
    static void SaveForLostDisplay(const std::string& message);
    virtual void SignalOtherInstanceAndExit();
    virtual bool ChangeDirectoryHook(const std::string& dir);
    virtual void BeforeInit() {}
    virtual void BeforeDisplayInit() {}
    virtual void AfterInit() {}
    virtual void OnLoadingDone() {}
    virtual void OnShutdown() {}
    virtual void BeforeExit() {}
    virtual void LoadingProcedure() {}
    // Start-up loads that need the display and the sound but not the window on screen. On a window system, where
    // showing the window waits for the server, Init shows it at once and runs these meanwhile on a thread of their
    // own, waiting for them before it goes on; without one they run on the main thread and Start shows the window.
    virtual void LoadWhileWindowShows() {}
    // True while Init is still showing the window (read by LoadWhileWindowShows to know how long it may go on).
    bool WindowShowing() const { return mWindowShowing.load(std::memory_order_acquire); }
    virtual bool CanRestoreWindow() { return !mWindowDisabled; }

    // ---- command line ----
    // The loop statistics Start writes to the debugger output.
    std::string FormatLoopStatistics(uint32_t elapsedMs) const;
    virtual void ParseCommandLine(const std::vector<std::string>& args);
    virtual void ParseCommandLineString(const std::string& line);
    // False for an unknown parameter: ParseCommandLine then prints the usage and ends the program with code 2
    // (code 0 when the parameter asked for help).
    virtual bool ApplyCommandLineParam(const std::string& name, const std::string& value);
    // The usage text: how to start the program and the switches it takes, one a line.
    virtual std::string CommandLineUsage() const;

    // ---- strings ----
    std::wstring GetString(const std::string& id, const std::wstring& defaultText) const;
    std::string GetString(const std::string& id, const std::string& defaultText) const;
    void SetString(const std::string& id, const std::wstring& text);

    // ---- main loop (main thread) ----
    virtual void MainLoop();
    virtual bool RunLoopOnce();
    bool RunLoopStep(bool nested) override;
    virtual bool RunLoopStep(bool nested, bool& updated);
    virtual bool Process(bool allowSleep);
    virtual void RunUpdate();
    virtual bool TryRunUpdate();
    virtual void RunUpdateFraction(double fraction);
    virtual bool DrawDirtyWidgets();
    virtual bool Redraw(const Rect* rect);
    void ProcessDeferredDeletes();
    // Keeps the frame time at 1 ms or more.
    void SetFrameTime(int ms);

    // ---- window procedure and input queue ----
    static Platform::LRESULT WindowProc(Platform::HWND hwnd, uint32_t message, Platform::WPARAM wParam,
                                        Platform::LPARAM lParam);
    Platform::LRESULT HandleMessage(Platform::HWND hwnd, uint32_t message, Platform::WPARAM wParam,
                                    Platform::LPARAM lParam);
    // Handles the head record; true when records remain.
    bool ProcessQueuedInput();
    void RefreshFocus();
    virtual void OnNotifyMessage(uintptr_t type, intptr_t param);
    virtual bool UsesAltKey(int key);
    virtual bool DebugKeyDown(int key) { return (void)key, false; }
    virtual bool DebugKeyDownAsync(int key, bool ctrl, bool alt) { return (void)key, (void)ctrl, (void)alt, false; }
    virtual void CloseRequestAsync() {}
    virtual void GotFocus() {}
    virtual void LostFocus() {}
    void PlaybackKey(int key);
    const std::list<QueuedMessage>& Queue() const { return mQueue; }

    // ---- cursors ----
    // The thread that keeps a software cursor drawn while the main thread does not present; Stop joins it.
    void StartCursorThread();
    void StopCursorThread();
    // How often the cursor thread looks whether a software cursor was set, while none is (a present that finds
    // one set wakes it sooner).
    static constexpr uint32_t kIdleCursorCheckMs = 1000;
    virtual void ApplyCursor();
    void SetCursor(int cursorId) override;
    // The picture of cursor shape 0 (arrow) to 3 (text bar) while custom cursors are on; null keeps the built-in
    // shape. Not owned: the image must outlive its use here (or be replaced first). Its top-left corner is the
    // pointer's spot, as the software cursor draws it.
    void SetCursorImage(int cursorId, Image* image);
    void EnableCustomCursors(bool enabled);

    // ---- settings and demo-aware files ----
    bool RegistryWrite(const std::string& name, uint32_t type, const uint8_t* data, uint32_t length);
    bool RegistryWriteString(const std::string& name, const std::string& text);
    bool RegistryWriteInteger(const std::string& name, int32_t value);
    bool RegistryWriteBoolean(const std::string& name, bool value);
    bool RegistryRead(const std::string& name, uint32_t& type, uint8_t* data, uint32_t& length);
    bool RegistryReadString(const std::string& name, std::string& text);
    bool RegistryReadInteger(const std::string& name, int32_t& value);
    bool RegistryReadBoolean(const std::string& name, bool& value);
    void RegistryEraseValue(const std::string& name);
    virtual void WriteToRegistry();
    virtual void ReadFromRegistry();
    // Removes what saves cut short by a kill or a power cut left behind in the data folder and the sound cache
    // (their temporary files; the files they were replacing are whole). Nothing while a demo replays.
    void RemoveInterruptedSaves();
    bool WriteBytesToFile(const std::string& fileName, const uint8_t* data, size_t length);
    bool WriteBufferToFile(const std::string& fileName, const Buffer& buffer);
    [[nodiscard]] bool ReadBufferFromFile(const std::string& fileName, Buffer& buffer, bool doNotRecord = false);
    bool FileExists(const std::string& fileName);
    bool EraseFile(const std::string& fileName);

    // ---- demo files ----
    bool PrepareDemo();
    // Whether the demo file's folder exists (or can be made) and a file can be created there.
    bool CanWriteDemoFile() const;
    bool SaveDemo();
    // Applies the input records that are due before the next update (replay).
    void ReplayDueRecords();
    void WriteDemoMarker(const std::string& text);
    int DemoLength() const { return mDemoLength; }

    // ---- demo playback windows: Jump To Time, Marker List, playback save (DemoPlayback.cpp) ----
    void OpenJumpToTime();
    void OpenMarkerList();
    // Writes the demo as replayed so far next to the replayed one (its name plus "-<update>.dmo"); the file
    // replays to the state this replay has now.
    bool SavePlayback(std::string* savedName = nullptr);
    bool PlaybackWindowOpen() const;
    DemoPlaybackWindows& PlaybackWindows();
    // Live input for the open playback window (the replayed widgets only ever see the demo's input).
    void HandlePlaybackInput(uint32_t message, uint32_t wParam, uint32_t lParam);
    // One loop pass while a playback window is open: the replay stands still.
    void RunPlaybackWindowStep(bool allowSleep);
    // Draws the playback window over the screen; true when it drew.
    bool DrawPlaybackWindow(bool screenRedrawn);
    // The viewer's own settings, kept in the store even during a replay (which otherwise reads the stream).
    bool ReadPlaybackSetting(const std::string& name, std::string& text);
    bool WritePlaybackSetting(const std::string& name, const std::string& text);

    // ---- dialogs ----
    virtual Dialog* NewDialog(int id, bool modal, const std::string& header, const std::string& lines,
                              const std::string& footer, int buttonMode);
    Dialog* OpenDialog(int id, bool modal, const std::string& header, const std::string& lines,
                       const std::string& footer, int buttonMode);
    void AddDialog(Dialog* dialog);
    void AddDialog(int id, Dialog* dialog) override;
    bool CloseDialog(Dialog* dialog);
    bool CloseDialog(int id) override;
    bool CloseDialog(int id, bool removeWidget, bool deleteWidget);
    Dialog* GetDialog(int id) const override;
    int GetDialogCount() const { return static_cast<int>(mDialogs.size()); }
    virtual void DeleteWidgetLater(Widget* widget);

    // ---- boxes, crash state ----
    virtual void EnterSystemDialogMode();
    virtual void LeaveSystemDialogMode();
    virtual int MsgBox(const std::string& text, const std::string& caption, uint32_t flags);
    virtual int MsgBox(const std::wstring& text, const std::wstring& caption, uint32_t flags);
    virtual void Popup(const std::string& text);
    virtual void Popup(const std::wstring& text);
    virtual void LogSaverError(const std::string& text);
    virtual void EnterCrashState();
    virtual std::string GetCrashInfo();
    virtual std::string GetExtraCrashInfo() { return std::string(); }
    // Hands GetCrashInfo's text to the crash catcher ahead of any crash (main thread, after every update): the
    // update count every time, the text itself every kCrashInfoInterval updates.
    void PrepareCrashInfo();
    // Formats the crash text at once (after something it shows changed: the demo, the version).
    void RefreshCrashInfo();
    static constexpr int kCrashInfoInterval = 100;
    // Sets up the crash catcher to write into the data folder.
    void InstallCrashCatcher();
    virtual std::string GetProductVersion() { return mProductVersion; }
    virtual bool OpenURL(const std::string& url, bool shutdownAfter = false);
    virtual void CancelPendingURL();
    virtual void FinishPendingURL();

    // ---- sound and music ----
    virtual std::unique_ptr<MusicInterface> CreateMusicInterface(Platform::HWND window);
    virtual void PlaySample(int id, int pan);
    virtual void PlaySample(int id);
    virtual double GetMasterVolume() const { return mMasterVolume; }
    virtual double GetMusicVolume() const { return mMusicVolume; }
    virtual double GetSfxVolume() const { return mSfxVolume; }
    virtual bool IsMuted() const { return mMuteCount > 0; }
    virtual void SetMasterVolume(double volume);
    virtual void SetMusicVolume(double volume);
    virtual void SetSfxVolume(double volume);
    virtual void Mute(bool autoMute = false);
    virtual void Unmute(bool autoMute = false);
    virtual double GetLoadingProgress() const;

    // ---- display, images ----
    virtual void MakeWindow();
    virtual void SwitchScreenMode(bool wantWindowed, bool is3d, bool force = false);
    virtual void SwitchScreenMode(bool wantWindowed);
    virtual void SwitchScreenMode();
    virtual void SwitchScreenImageMemory(bool videoMemory);
    virtual void ReloadImages();
    virtual void DeleteNativeImageData();
    virtual void DeleteExtraImageData();
    std::unique_ptr<DDImage> GetImage(const std::string& fileName, bool commitBits = true) override;
    // A reference to the shared image of (path, variant); `loadedNow` tells whether this call loaded it.
    DDImage* FindSharedImage(const std::string& path, const std::string& variant, bool* loadedNow = nullptr) override;
    void ReleaseSharedImage(DDImage* image) override;
    void PurgeUnusedSharedImages();
    bool Is3DAccelerationSupported() const { return false; }
    bool Is3DAccelerationRecommended() const { return false; }

    // ---- ImageHost ----
    void AddMemoryImage(MemoryImage* image) override;
    void RemoveMemoryImage(MemoryImage* image) override;
    const uint8_t* GetSaturationTable() const override { return mSaturationTable; }
    bool Is3DAccelerated() const override { return false; }
    NativeDisplay* GetNativeDisplay() override { return mDDInterface.get(); }
    size_t GetMemoryImageCount();

    // ---- ResourceApp ----
    SoundManager* GetSoundManager() override { return mSoundManager.get(); }

    // ---- WidgetApp ----
    int GetUpdateCount() const override { return mUpdateCount; }
    void CopyToClipboard(const std::string& text) override;
    std::string GetClipboard() override;

    // A checksum of what the player sees: the widget tree's state and the screen image's pixels.
    uint64_t StateHash();

    // ---------------- data ----------------
    // Start-up and identity.
    std::string mProductName = "Product";
    // The name the program was started under (its file name), for the usage text.
    std::string mProgramName;
    std::string mTitle = "ZestApp";
    std::string mCompanyName;
    // The per-user data folder below the data root ("Maker/Product"); empty takes the maker's and the product's
    // names without their spaces. The sound cache mirrors it below the cache root.
    std::string mDataFolderName;
    std::string mRegKey;
    std::string mChangeDirTo;
    std::string mDemoFileName = "zestapp.dmo";
    std::string mProductVersion;
    std::string mExecutablePath;
    std::vector<std::string> mCommandLine; // parameters after the program name
    int mExitCode = 0;                     // what the program returns once the run is over
    std::string mDataFileProblem;
    std::map<std::string, std::wstring> mStringTable;
    uint8_t mSaturationTable[512];

    double mMusicVolume = 0.85;
    double mSfxVolume = 0.85;
    double mMasterVolume = 1.0;
    double mDemoMusicVolume = 0.85;
    double mDemoSfxVolume = 0.85;
    int mMuteCount = 0;
    int mAutoMuteCount = 0;
    bool mAutoMuteOnLostFocus = true;
    int mFrameTime = 10;
    double mUpdateMultiplier = 1.0;
    bool mIsWindowed = true;        // windowed wish
    bool mWindowedNow = true;       // the mode in force
    bool mFullScreenForced = false; // the desktop cannot hold a window of the game's size
    bool mChangeScreenResolution = false;
    bool mDesktopResolutionChanged = false;
    bool mSingleInstance = true;
    bool mIsScreenSaver = false;
    bool mNoSoundNeeded = false;
    bool mNoMusic = false;
    bool mUseFMod = false;
    bool mSkipCommandLine = false;
    bool mLoadingThreadWanted = true;
    bool mWriteSettingsAtShutdown = false;
    bool mCustomCursorsEnabled = false;
    bool mRegistryRead = false;
    bool mLastRunEndedCleanly = true;
    bool mModeSwitchLocked = false;
    int mRefreshRate = 100;
    int mPreferredX = -1;
    int mPreferredY = -1;
    uint32_t mRandSeed = 0;
    uint32_t mLoadTick = 0;
    uint32_t mLoadTime = 0;
    Platform::ThreadId mMainThreadId{};
    bool mMainThreadKnown = false;
    Platform::MutexHandle mMutex = nullptr;
    uint32_t mNotifyMessage = 0;
    Platform::HWND mHWnd = nullptr;
    Platform::HWND mInvisHWnd = nullptr;
    Platform::ModuleHandle mDDrawModule = nullptr;
    Platform::ModuleHandle mDSoundModule = nullptr;
    Platform::ModuleHandle mVersionModule = nullptr;
    void (*mGetLastInputInfo)() = nullptr;

    // Owned services.
    std::unique_ptr<WidgetManager> mWidgetManager;
    std::unique_ptr<DDInterface> mDDInterface;
    std::unique_ptr<SoundManager> mSoundManager;
    std::unique_ptr<MusicInterface> mMusicInterface;
    // Made with the application; it frees its images and sounds before the services above go away.
    std::unique_ptr<ResourceManager> mResourceManager;

    // Flags read by other threads.
    std::atomic<bool> mShutdown{false};
    std::atomic<bool> mShutdownRequested{false};
    std::atomic<bool> mCrashed{false};
    std::atomic<bool> mActive{true};
    std::atomic<bool> mMinimized{false};
    bool mMinimisedSeen = false;
    std::atomic<bool> mMouseInWindow{false};
    std::atomic<bool> mLoadingStarted{false};
    std::atomic<bool> mWindowShowing{false};
    // Init has shown the window; Start does not show it again.
    bool mWindowShownAtInit = false;
    std::atomic<bool> mLoadingCompleted{false};
    std::atomic<bool> mLoadingFailed{false};
    std::atomic<int> mLoadingTasksDone{0};
    std::atomic<int> mLoadingTasksTotal{0};
    std::atomic<bool> mCursorThreadRunning{false};
    std::atomic<bool> mCursorThreadStop{false};
    // Ends the cursor thread's long look-out for a software cursor early: set when one appears or on stopping.
    std::atomic<bool> mCursorThreadNudge{false};
    // What the cursor thread knows of the main thread's presents (published by Redraw).
    std::atomic<uint32_t> mLastPresentTick{0};
    std::atomic<int> mPresentIntervalMs{16};
    std::atomic<int> mClientOriginX{0};
    std::atomic<int> mClientOriginY{0};
    std::atomic<int> mCursorThreadPasses{0}; // wake-ups so far
    std::atomic<int> mCursorThreadDraws{0};  // cursor moves handed to the display
    bool mExitToTop = false;
    bool mInitialized = false;
    bool mRunning = false;
    bool mClosing = false;
    bool mInputBlocked = false;
    bool mFatalStop = false;
    bool mWindowDisabled = false;
    bool mHasFocus = true;
    bool mCtrlDown = false;
    bool mAltDown = false;
    bool mDebugKeysEnabled = false;
    bool mShutdownDone = false;
    bool mMonitorPowerAllowed = true;
    bool mScreenSaverAllowed = true;
    uint32_t mLastPowerRequest = 0;
    bool mSystemDialogFullScreen = false;

    // Input queue.
    std::list<QueuedMessage> mQueue;
    int mLastRecordedX = 0;
    int mLastRecordedY = 0;
    int mReplayMouseX = 0;
    int mReplayMouseY = 0;
    uint32_t mLastTimerTick = 0;
    uint32_t mActivityStart = 0;
    int mLastInputUpdate = 0;
    int mCursorId = CURSOR_POINTER;
    int mAppliedCursor = -1;
    // Custom cursor pictures by shape, and the window-system cursors made from them at the window's scale.
    static constexpr int kNumCursorShapes = 4;
    Image* mCursorImages[kNumCursorShapes] = {};
    Platform::HCURSOR mCustomCursors[kNumCursorShapes] = {};
    int mCustomCursorScales[kNumCursorShapes] = {};
    Platform::HCURSOR mHandCursor = nullptr;
    Platform::HCURSOR mDraggingCursor = nullptr;
    Platform::HCURSOR CustomCursor(int cursorId);
    void FreeCustomCursor(int cursorId);

    // Pending URL notice.
    bool mURLPending = false;
    bool mShutdownAfterURL = false;
    std::string mPendingURL;
    uint32_t mURLOpenTick = 0;

    // Main loop.
    int mStepState = 0;
    int mStepNesting = 0;
    double mTimeAccumulator = 0.0;
    uint32_t mLastTime = 0;
    double mFractionAccumulator = 0.0;
    int mUpdateCount = 0;
    int mDrawCount = 0;
    int mSleepCount = 0;
    int mWidgetUpdateCount = 0;
    int mPresentCount = 0;
    int mDrawTime = 0;
    int mTotalDrawTime = 0;
    int mScreenBltTime = 0;
    int mNonDrawUpdates = 0;
    // The loop waits until the next picture the display can take (or input), not for every update, and runs the
    // updates due by then back to back before it looks at input again (input that woke it came after them). A
    // still screen (this many updates in a row left nothing to draw, no input, no music fading) is waited on until
    // input, the next timer or kQuietWaitMs.
    static constexpr int kQuietUpdates = 100;
    static constexpr uint32_t kQuietWaitMs = 100;
    int mQuietUpdates = 0;
    int mOwedUpdates = 0;             // updates due when the last wait ended and not run yet
    bool mOwedAfterQuiet = false;     // ...after a long wait on a still screen
    bool mBatchOnManualClock = false; // waits as on the real clock while the manual clock runs (for tests)
    uint32_t mLastInputSeen = 0;
    bool mUpdatedSinceDraw = true;
    bool mScreenIdle = false;
    bool mDrawingNow = false;
    // What was drawn onto the screen since the last present, for the present to look there only.
    std::vector<Rect> mDrawnSincePresent;
    bool mDrawnAnywhere = true;
    bool mForceDraw = false;
    uint32_t mLastPresentTime = 0;
    // The shortest time between two presents, in ms, when nothing else paces them (presents that cannot wait for
    // the retrace): a display shows no more pictures than its refresh rate, so drawing more is work nobody sees.
    // 0 draws after every update.
    double mMinDrawInterval = 0.0;
    uint32_t mNextDrawTime = 0;
    // A frame was drawn before its turn to be presented came; it is presented at that turn.
    bool mDrawHeldBack = false;
    bool mVSyncUpdates = false;
    bool mVSyncBroken = false;
    int mVSyncCheckCount = 0;
    int mVSyncFastIntervals = 0;
    uint32_t mVSyncCheckTime = 0;
    bool mWindowedVSyncAllowed = false;
    bool mWindowedVSyncOff = true;
    int mHoldOffTime = 0;
    bool mLoadingHandedOver = false;
    std::atomic<bool> mLoadingYield{false};
    bool mDemoAutoMuted = false;
    bool mDemoDrawRequest = false;
    int mDebugStepMode = 0;
    uint32_t mStartTime = 0;
    uint32_t mLastCatchUpDraw = 0;
    uint32_t mLastIdleCheck = 0;
    bool mIdlePause = false;
    uint32_t mLastRedrawAttempt = 0;
    int mRedrawFailures = 0;
    std::vector<std::unique_ptr<Widget>> mDeferredDeletes;

    // Demo state.
    bool mRecording = false;
    bool mPlayingDemo = false;
    DemoStream mDemo;
    int mDemoLength = 0;
    int mDemoJumpTarget = 0;
    bool mFastForward = false;
    bool mSingleStep = false;
    bool mPaused = false;
    std::string mDemoError;
    // Shared, so the header need not know the type's size.
    std::shared_ptr<DemoPlaybackWindows> mPlaybackWindows;

    // Dialogs and images.
    std::map<int, std::unique_ptr<Dialog>> mDialogs; // owned from AddDialog until closed or given back
    // The image locks and the display's lock (DDInterface::mCritSect), when one is held while another is taken,
    // are always taken in this order, never the other way round:
    //     mSharedImageLock -> the display's lock -> mImageLock
    // The loading thread makes shared images (they join the display and the register) with the table locked;
    // the main thread sets up or resets the display with its lock held, and the screen and cursor-area images
    // made and freed then join and leave the register. The register lock is the innermost: no other lock is
    // taken while it is held (but for one already held before it).
    std::recursive_mutex mSharedImageLock; // guards mSharedImages
    std::recursive_mutex mImageLock;       // guards mMemoryImages
    std::set<MemoryImage*> mMemoryImages;
    std::map<std::pair<std::string, std::string>, SharedImage> mSharedImages;
    // Shared images given back to no holder since the last purge (changed with the table locked): the purge after
    // every update looks at the table only when there are some. Read without the lock first, so an update does not
    // wait for the loading thread, which holds the table while it decodes a picture.
    std::atomic<int> mSharedImagesReleased{0};

    // The crash report's text: when it was last formatted and how often (main thread).
    struct CrashReportState
    {
        int formattedAtUpdate = -1;
        int formatCount = 0;
    };
    CrashReportState mCrashReport;

    // Threads.
    std::unique_ptr<Platform::Thread> mLoadingThread;
    std::unique_ptr<Platform::Thread> mCursorThread;

protected:
    // The display's lock (when there is a display), to hold before mImageLock while walking the register.
    std::unique_lock<Platform::CriticalSection> LockDisplayForImageWalk();
    // Demo writing helpers (main thread only).
    bool RecordingCalls() const;
    void WriteDemoRecord(int type);
    // Takes the pending call record of `type` during replay; false when the stream holds none (exhausted, or a
    // record of another type is next: the stream is then treated as spent).
    bool TakeDemoCall(int type, bool& result);
    void RecordInputMessage(const QueuedMessage& record);
    // The effect of one input event, live or replayed.
    void DoKeyDown(int vk, bool system);
    void DoKeyUp(int vk);
    void DoKeyChar(int c);
    void DoMouse(uint32_t message, int x, int y);
    void DoMouseEnter(bool entered);
    void DoMinimised(bool minimised);
    void DoActive(bool active);
    void DoClose();
    // The cursor thread's body; `display` is the display as it stood when the thread started at `start`.
    void DrawCursorThread(DDInterface* display, uint32_t start);
    // Remembers a present for the cursor thread (main thread).
    void NotePresent();
    void StartLoadingThread();
    // Shows the window and focuses it while the start-up loads run (LoadWhileWindowShows).
    void ShowWindowWhileLoading();
    int InitDisplay(bool windowed);
    // Brings the display up in the wished mode, else in the other one; ends the program when neither works.
    void InitDisplayWithFallback(bool windowed);
    void SetMouseRectsFromDisplay();
    void CreateMainWindow(bool windowed);
    std::string RegistryPath(const std::string& valueName, std::string& valueOut) const;
    // True while a loader runs whose hand-over has not happened yet (a replay waits for it).
    bool LoadingHandOverPending() const;
    void CheckIdlePause();
};

// What is wrong with the data file `name` looked for in `folder`, in the player's words; empty for no problem.
std::string DescribeDataFileProblem(const std::string& name, const std::string& folder, PakProblem problem);

// The demo file name with the data folder put in front, unless it already names a folder, a drive or a root.
std::string PrefixDemoName(const std::string& name, const std::string& folder);

// The application of this process (null before one exists).
ZestAppBase* GetApp();

} // namespace Zest
