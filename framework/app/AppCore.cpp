// The application object's construction and teardown, its string table, dialogs, images, boxes and volumes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "data/ImageLib.h"
#include "graphics/DDImage.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Crash.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "resources/ResourceManager.h"
#include "sound/AudioLayer.h"
#include "widgets/Dialog.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

using namespace Platform;

namespace
{
ZestAppBase* gApp = nullptr;
} // namespace

ZestAppBase* GetApp()
{
    return gApp;
}

ZestAppBase::ZestAppBase()
{
    gApp = this;
    SetWidgetApp(this);
    SetImageHost(this);
    mImageHost = this;
    mWidth = 640;
    mHeight = 480;
    mColorDepth = 16;

    // The display registers its module; the version and sound services have no entries anyone calls.
    RegisterDisplayModule();
    RegisterModule("version.dll", {});
    RegisterModule("dsound.dll", {});
    RegisterAudioLayer();
    mVersionModule = LoadLibrary("version.dll");
    mDDrawModule = LoadLibrary("ddraw.dll");
    mDSoundModule = LoadLibrary("dsound.dll");
    if (ModuleHandle user32 = LoadLibrary("user32.dll"))
    {
        mGetLastInputInfo = FindProcEntry(user32, "GetLastInputInfo").address;
        FreeLibrary(user32);
    }
    ImageLib::LoadJ2KCodec();
    mWidgetManager = std::make_unique<WidgetManager>(this);
    mResourceManager = std::make_unique<ResourceManager>(this);
    mExecutablePath = ExecutablePath();
    mLoadTick = GetTickCount();
    mLoadTime = TimeGetTime();

    mStringTable["DIALOG_BUTTON_OK"] = L"OK";
    mStringTable["DIALOG_BUTTON_CANCEL"] = L"CANCEL";
    mStringTable["UPDATE_CHECK_TITLE"] = L"Update Check";
    mStringTable["UPDATE_CHECK_BODY"] = L"Checking if there are any updates available for this product ...";
    mStringTable["UP_TO_DATE_TITLE"] = L"Up to Date";
    mStringTable["UP_TO_DATE_BODY"] = L"There are no updates available for this product at this time.";
    mStringTable["NEW_VERSION_TITLE"] = L"New Version";
    mStringTable["NEW_VERSION_BODY"] = L"There is an update available for this product.  Would you like to visit the "
                                       L"web site to download it?";
    for (int i = 0; i < 512; ++i) mSaturationTable[i] = static_cast<uint8_t>(i < 256 ? i : 255);
}

ZestAppBase::~ZestAppBase()
{
    Shutdown();
    if (GetApp() == this) Platform::SetDisplayLostHandler(nullptr);
    if (mLoadingThread) mLoadingThread->Join();
    // Its records hold references into the shared-image table and ids of the sound manager.
    mResourceManager.reset();
    // The catcher's report names this application; the process outlives it only in tests.
    RemoveCrashHandler();
    RegistryWriteInteger("Is3D", 0);

    // Released in reverse order of creation.
    for (auto& entry : mDialogs) mWidgetManager->RemoveWidget(entry.second.get());
    mDialogs.clear();
    mStepNesting = 0;
    ProcessDeferredDeletes();
    mWidgetManager->screenImage = nullptr;
    mWidgetManager.reset();
    mSharedImages.clear();
    mDDInterface.reset();
    mMusicInterface.reset();
    mSoundManager.reset();
    if (mMutex) CloseHandle(mMutex);
    if (mNotifyMessage) StopListening();
    for (int i = 0; i < kNumCursorShapes; ++i) FreeCustomCursor(i);
    for (HCURSOR built : {mHandCursor, mDraggingCursor})
        if (built) DestroyCursor(built);
    if (mHWnd) DestroyWindow(mHWnd);
    if (mInvisHWnd) DestroyWindow(mInvisHWnd);
    if (mVersionModule) FreeLibrary(mVersionModule);
    if (mDDrawModule) FreeLibrary(mDDrawModule);
    if (mDSoundModule) FreeLibrary(mDSoundModule);

    {
        std::lock_guard<std::recursive_mutex> lock(mImageLock);
        for (MemoryImage* image : mMemoryImages) image->DetachHost();
        mMemoryImages.clear();
    }
    if (GetImageHost() == this) SetImageHost(nullptr);
    if (GetWidgetApp() == this) SetWidgetApp(nullptr);
    if (gApp == this) gApp = nullptr;
}

// ---- strings ----

std::wstring ZestAppBase::GetString(const std::string& id, const std::wstring& defaultText) const
{
    auto it = mStringTable.find(StringToUpper(id));
    return it != mStringTable.end() ? it->second : defaultText;
}

std::string ZestAppBase::GetString(const std::string& id, const std::string& defaultText) const
{
    auto it = mStringTable.find(StringToUpper(id));
    return it != mStringTable.end() ? WideToNarrow(it->second) : defaultText;
}

void ZestAppBase::SetString(const std::string& id, const std::wstring& text)
{
    mStringTable[StringToUpper(id)] = text;
}

// ---- dialogs ----

Dialog* ZestAppBase::NewDialog(int id, bool modal, const std::string& header, const std::string& lines,
                               const std::string& footer, int buttonMode)
{
    return new Dialog(nullptr, nullptr, id, modal, header, lines, footer, buttonMode);
}

Dialog* ZestAppBase::OpenDialog(int id, bool modal, const std::string& header, const std::string& lines,
                                const std::string& footer, int buttonMode)
{
    Dialog* dialog = NewDialog(id, modal, header, lines, footer, buttonMode);
    AddDialog(id, dialog);
    return dialog;
}

void ZestAppBase::AddDialog(Dialog* dialog)
{
    AddDialog(dialog->id, dialog);
}

void ZestAppBase::AddDialog(int id, Dialog* dialog)
{
    CloseDialog(id);
    if (dialog->width == 0)
    {
        const int width = mWidth / 2;
        const int height = dialog->GetPreferredHeight(width);
        dialog->Resize((mWidth - width) / 2, mHeight / 5, width, height);
    }
    mDialogs[id].reset(dialog);
    mWidgetManager->AddWidget(dialog);
    if (dialog->IsModal()) mWidgetManager->PushModalLayer(dialog);
}

bool ZestAppBase::CloseDialog(Dialog* dialog)
{
    for (auto& entry : mDialogs)
        if (entry.second.get() == dialog) return CloseDialog(entry.first);
    return false;
}

bool ZestAppBase::CloseDialog(int id)
{
    return CloseDialog(id, true, true);
}

bool ZestAppBase::CloseDialog(int id, bool removeWidget, bool deleteWidget)
{
    auto it = mDialogs.find(id);
    if (it == mDialogs.end()) return false;
    // Without deleteWidget the caller takes the dialog back, and with it the duty to delete it.
    Dialog* dialog = it->second.release();
    mDialogs.erase(it);
    if (removeWidget)
    {
        if (dialog->IsModal()) mWidgetManager->PopModalLayer(dialog);
        mWidgetManager->RemoveWidget(dialog);
    }
    if (deleteWidget) DeleteWidgetLater(dialog);
    return true;
}

Dialog* ZestAppBase::GetDialog(int id) const
{
    auto it = mDialogs.find(id);
    return it != mDialogs.end() ? it->second.get() : nullptr;
}

void ZestAppBase::DeleteWidgetLater(Widget* widget)
{
    if (widget == nullptr) return;
    for (const auto& queued : mDeferredDeletes)
        if (queued.get() == widget) return;
    mDeferredDeletes.emplace_back(widget);
}

// ---- boxes and crash state ----

void ZestAppBase::EnterSystemDialogMode()
{
    mInputBlocked = true;
}

void ZestAppBase::LeaveSystemDialogMode()
{
    mInputBlocked = false;
    mWidgetManager->ReleaseMouseCapture();
}

int ZestAppBase::MsgBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    EnterSystemDialogMode();
    const int result = MessageBox(nullptr, text, caption, flags);
    LeaveSystemDialogMode();
    return result;
}

int ZestAppBase::MsgBox(const std::wstring& text, const std::wstring& caption, uint32_t flags)
{
    EnterSystemDialogMode();
    const int result = MessageBox(nullptr, text, caption, flags);
    LeaveSystemDialogMode();
    return result;
}

void ZestAppBase::Popup(const std::string& text)
{
    MsgBox(text, std::string("FATAL ERROR"), MB_OK | MB_ICONERROR);
}

void ZestAppBase::Popup(const std::wstring& text)
{
    MsgBox(text, std::wstring(L"FATAL ERROR"), MB_OK | MB_ICONERROR);
}

void ZestAppBase::LogSaverError(const std::string& text)
{
    const std::string path = ResolveFileName(GetAppDataFolder() + "ScrError.txt");
    std::string old;
    ReadWholeFile(path, old, 1 << 20);
    WriteFileAtomically(path, old + text + "\n");
}

void ZestAppBase::EnterCrashState()
{
    mCrashed = true;
}

std::string ZestAppBase::GetCrashInfo()
{
    std::string info = "Product: " + mProductName + "\n";
    const std::string version = GetProductVersion();
    info += "Version: " + (version.empty() ? std::string("unknown") : version) + "\n";
    // The update count follows on a line of its own that the catcher keeps current (see PrepareCrashInfo).
    if (mPlayingDemo)
        info += FormatString("Demo: replaying %s, %d updates long\n", mDemoFileName.c_str(), mDemoLength);
    else if (mRecording)
        info += "Demo: recording " + mDemoFileName + "\n";
    info += GetExtraCrashInfo();
    return info;
}

bool ZestAppBase::OpenURL(const std::string& url, bool shutdownAfter)
{
    if (mURLPending && url == mPendingURL) return true;
    mShutdownAfterURL = shutdownAfter;
    mURLPending = true;
    mPendingURL = url;
    mURLOpenTick = GetTickCount();
    if (ShellExecute(nullptr, "open", url, "", "", SW_SHOWNORMAL) > 32) return true;
    CancelPendingURL();
    return false;
}

void ZestAppBase::CancelPendingURL()
{
    mURLPending = false;
}

void ZestAppBase::FinishPendingURL()
{
    mURLPending = false;
    if (mShutdownAfterURL) Shutdown();
}

// ---- sound and music ----

std::unique_ptr<MusicInterface> ZestAppBase::CreateMusicInterface(HWND window)
{
    return MakeMusicInterface(ChooseMusicBackend(mNoMusic || mNoSoundNeeded, mUseFMod), window);
}

void ZestAppBase::PlaySample(int id, int pan)
{
    if (!mSoundManager) return;
    if (SoundInstance* instance = mSoundManager->GetSoundInstance(id))
    {
        instance->SetPan(pan);
        instance->Play(false, true);
    }
}

void ZestAppBase::PlaySample(int id)
{
    if (!mSoundManager) return;
    if (SoundInstance* instance = mSoundManager->GetSoundInstance(id)) instance->Play(false, true);
}

void ZestAppBase::SetMasterVolume(double volume)
{
    mMasterVolume = volume;
    SetSfxVolume(mSfxVolume);
    SetMusicVolume(mMusicVolume);
}

void ZestAppBase::SetMusicVolume(double volume)
{
    mMusicVolume = volume;
    if (mMusicInterface) mMusicInterface->SetVolume(mMuteCount > 0 ? 0.0 : volume);
}

void ZestAppBase::SetSfxVolume(double volume)
{
    mSfxVolume = volume;
    if (mSoundManager) mSoundManager->SetVolume(mMuteCount > 0 ? 0.0 : volume);
}

void ZestAppBase::Mute(bool autoMute)
{
    ++mMuteCount;
    if (autoMute) ++mAutoMuteCount;
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void ZestAppBase::Unmute(bool autoMute)
{
    if (mMuteCount <= 0) return;
    if (autoMute)
    {
        // An automatic unmute only undoes an automatic mute.
        if (mAutoMuteCount <= 0) return;
        --mAutoMuteCount;
    }
    --mMuteCount;
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

double ZestAppBase::GetLoadingProgress() const
{
    const int total = mLoadingTasksTotal;
    return total > 0 ? static_cast<double>(mLoadingTasksDone) / total : 0.0;
}

// ---- images ----

void ZestAppBase::AddMemoryImage(MemoryImage* image)
{
    if (!image) return;
    std::lock_guard<std::recursive_mutex> lock(mImageLock);
    mMemoryImages.insert(image);
}

void ZestAppBase::RemoveMemoryImage(MemoryImage* image)
{
    std::lock_guard<std::recursive_mutex> lock(mImageLock);
    mMemoryImages.erase(image);
}

size_t ZestAppBase::GetMemoryImageCount()
{
    std::lock_guard<std::recursive_mutex> lock(mImageLock);
    return mMemoryImages.size();
}

// The walks over the register reach image code that takes the display's lock (a surface made again from the
// bits): that lock comes first, before the register's, in the order the two are always taken.
std::unique_lock<Platform::CriticalSection> ZestAppBase::LockDisplayForImageWalk()
{
    if (!mDDInterface) return {};
    return std::unique_lock<Platform::CriticalSection>(mDDInterface->mCritSect);
}

void ZestAppBase::ReloadImages()
{
    auto display = LockDisplayForImageWalk();
    std::lock_guard<std::recursive_mutex> lock(mImageLock);
    for (MemoryImage* image : mMemoryImages) image->ReapplyOptions();
}

void ZestAppBase::DeleteNativeImageData()
{
    auto display = LockDisplayForImageWalk();
    std::lock_guard<std::recursive_mutex> lock(mImageLock);
    for (MemoryImage* image : mMemoryImages)
        if (auto* dd = dynamic_cast<DDImage*>(image)) dd->FreeSurface();
}

void ZestAppBase::DeleteExtraImageData()
{
    auto display = LockDisplayForImageWalk();
    std::lock_guard<std::recursive_mutex> lock(mImageLock);
    for (MemoryImage* image : mMemoryImages) image->FreeSoftwareBuffers();
}

std::unique_ptr<DDImage> ZestAppBase::GetImage(const std::string& fileName, bool commitBits)
{
    if (!mDDInterface) return nullptr;
    std::unique_ptr<ImageLib::Image> loaded = ImageLib::GetImage(fileName);
    if (!loaded) return nullptr;
    auto image = std::make_unique<DDImage>(mDDInterface.get());
    image->TakeBits(*loaded, commitBits);
    return image;
}

DDImage* ZestAppBase::FindSharedImage(const std::string& path, const std::string& variant, bool* loadedNow)
{
    if (loadedNow) *loadedNow = false;
    std::string key = path;
    std::replace(key.begin(), key.end(), '/', '\\');
    key = StringToUpper(key);
    std::lock_guard<std::recursive_mutex> lock(mSharedImageLock);
    SharedImage& entry = mSharedImages[{key, StringToUpper(variant)}];
    if (!entry.image)
    {
        entry.image = GetImage(path, true);
        if (!entry.image)
        {
            mSharedImages.erase({key, StringToUpper(variant)});
            return nullptr;
        }
        if (loadedNow) *loadedNow = true;
    }
    ++entry.refCount;
    return entry.image.get();
}

void ZestAppBase::ReleaseSharedImage(DDImage* image)
{
    std::lock_guard<std::recursive_mutex> lock(mSharedImageLock);
    for (auto& entry : mSharedImages)
        if (entry.second.image.get() == image && entry.second.refCount > 0)
        {
            if (--entry.second.refCount == 0) ++mSharedImagesReleased;
            return;
        }
}

void ZestAppBase::PurgeUnusedSharedImages()
{
    if (mSharedImagesReleased.load() == 0) return;
    std::lock_guard<std::recursive_mutex> lock(mSharedImageLock);
    mSharedImagesReleased = 0;
    for (auto it = mSharedImages.begin(); it != mSharedImages.end();)
    {
        if (it->second.refCount <= 0)
            it = mSharedImages.erase(it);
        else
            ++it;
    }
}

// ---- clipboard ----

// Text fields hold Latin-1 bytes; the clipboard outside speaks UTF-8.
void ZestAppBase::CopyToClipboard(const std::string& text)
{
    SetClipboardLatin1(text);
}

std::string ZestAppBase::GetClipboard()
{
    return GetClipboardLatin1();
}

// ---- state hash ----

namespace
{
struct Fnv
{
    uint64_t value = 1469598103934665603ull;
    void Add(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i)
        {
            value ^= bytes[i];
            value *= 1099511628211ull;
        }
    }
    void Add(int64_t v) { Add(&v, sizeof v); }
};

void HashTree(Fnv& hash, const WidgetContainer* container)
{
    hash.Add(int64_t(container->children.size()));
    for (const Widget* child : container->children)
    {
        hash.Add(child->x);
        hash.Add(child->y);
        hash.Add(child->width);
        hash.Add(child->height);
        hash.Add(int64_t(child->visible) | int64_t(child->disabled) << 1 | int64_t(child->hasFocus) << 2 |
                 int64_t(child->isDown) << 3 | int64_t(child->isOver) << 4);
        HashTree(hash, child);
    }
}
} // namespace

uint64_t ZestAppBase::StateHash()
{
    Fnv hash;
    hash.Add(mUpdateCount);
    HashTree(hash, mWidgetManager.get());
    hash.Add(mWidgetManager->downButtons);
    hash.Add(mWidgetManager->capturedButtons);
    for (bool down : mWidgetManager->keyDown) hash.Add(int64_t(down));
    if (mDDInterface)
        if (DDImage* screen = mDDInterface->GetScreenImage())
            if (const uint32_t* bits = screen->GetBits())
                hash.Add(bits, size_t(screen->GetWidth()) * size_t(screen->GetHeight()) * 4);
    return hash.value;
}

} // namespace Zest
