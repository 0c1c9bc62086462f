// Settings in the per-user store and file access, both recorded into and answered from the demo stream.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "data/PakInterface.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "sound/SoundReaders.h"

namespace Zest
{

using namespace Platform;

bool ZestAppBase::RecordingCalls() const
{
    // Calls made by other threads never enter the stream: their order against the main thread is not fixed.
    return mRecording && Platform::IsMainThread();
}

void ZestAppBase::WriteDemoRecord(int type)
{
    mDemo.WriteHeader(mUpdateCount, false, type);
}

bool ZestAppBase::TakeDemoCall(int type, bool& result)
{
    if (!mDemo.PeekHeader()) return false;
    if (mDemo.pendingShort || mDemo.pendingType != type)
    {
        // The run took another path than the recording; nothing later in the stream can be trusted.
        mDemo.exhausted = true;
        return false;
    }
    mDemo.ConsumeHeader();
    return mDemo.ReadBit(result);
}

std::string ZestAppBase::RegistryPath(const std::string& valueName, std::string& valueOut) const
{
    std::string key = "SOFTWARE\\" + mRegKey;
    const size_t slash = valueName.rfind('\\');
    if (slash == std::string::npos)
    {
        valueOut = valueName;
        return key;
    }
    valueOut = valueName.substr(slash + 1);
    return key + "\\" + valueName.substr(0, slash);
}

bool ZestAppBase::RegistryWrite(const std::string& name, uint32_t type, const uint8_t* data, uint32_t length)
{
    if (mRegKey.empty()) return false;
    if (mPlayingDemo)
    {
        bool result = false;
        if (!IsMainThread() || !TakeDemoCall(DEMO_REGISTRY_WRITE, result)) return false;
        return result;
    }
    std::string valueName;
    const std::string path = RegistryPath(name, valueName);
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
    {
        if (RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        {
            if (RecordingCalls())
            {
                WriteDemoRecord(DEMO_REGISTRY_WRITE);
                mDemo.buffer.WriteBits((false) ? 1 : 0, 1);
            }
            return false;
        }
    }
    const bool ok = RegSetValueEx(key, valueName, 0, type, data, length) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (RecordingCalls())
    {
        WriteDemoRecord(DEMO_REGISTRY_WRITE);
        mDemo.buffer.WriteBits((ok) ? 1 : 0, 1);
    }
    return ok;
}

bool ZestAppBase::RegistryWriteString(const std::string& name, const std::string& text)
{
    return RegistryWrite(name, REG_SZ, reinterpret_cast<const uint8_t*>(text.data()),
                         static_cast<uint32_t>(text.size()));
}

bool ZestAppBase::RegistryWriteInteger(const std::string& name, int32_t value)
{
    uint8_t bytes[4];
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    return RegistryWrite(name, REG_DWORD, bytes, 4);
}

bool ZestAppBase::RegistryWriteBoolean(const std::string& name, bool value)
{
    return RegistryWriteInteger(name, value ? 1 : 0);
}

bool ZestAppBase::RegistryRead(const std::string& name, uint32_t& type, uint8_t* data, uint32_t& length)
{
    if (mRegKey.empty()) return false;
    // During a replay every answer comes from the stream. Other threads' calls were never recorded (their order
    // against the main thread is not fixed), so they are refused rather than answered from the live store.
    if (mPlayingDemo && !IsMainThread()) return false;
    if (mPlayingDemo)
    {
        bool result = false;
        if (!TakeDemoCall(DEMO_REGISTRY_READ, result) || !result) return false;
        int32_t recordedType = 0, recordedLength = 0;
        if (!mDemo.ReadLongChecked(recordedType) || !mDemo.ReadLongChecked(recordedLength)) return false;
        const int64_t size = static_cast<uint32_t>(recordedLength);
        if (size > length || data == nullptr)
        {
            // Longer than the caller can take: a corrupt record. Skip it so the stream stays in step.
            mDemo.SkipBytes(size);
            return false;
        }
        if (!mDemo.ReadBytesChecked(data, size)) return false;
        type = static_cast<uint32_t>(recordedType);
        length = static_cast<uint32_t>(size);
        return true;
    }
    std::string valueName;
    const std::string path = RegistryPath(name, valueName);
    HKEY key = nullptr;
    bool ok = RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    uint32_t gotType = 0;
    uint32_t gotLength = length;
    if (ok) ok = RegQueryValueEx(key, valueName, nullptr, &gotType, data, &gotLength) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    if (ok)
    {
        type = gotType;
        length = gotLength;
    }
    if (RecordingCalls())
    {
        WriteDemoRecord(DEMO_REGISTRY_READ);
        mDemo.buffer.WriteBits((ok) ? 1 : 0, 1);
        if (ok)
        {
            mDemo.buffer.WriteLong(static_cast<int32_t>(type));
            mDemo.buffer.WriteLong(static_cast<int32_t>(length));
            mDemo.buffer.WriteBytes(data, static_cast<int>(length));
        }
    }
    return ok;
}

bool ZestAppBase::RegistryReadString(const std::string& name, std::string& text)
{
    uint8_t buffer[1024];
    uint32_t length = 1023;
    uint32_t type = 0;
    if (!RegistryRead(name, type, buffer, length) || type != REG_SZ) return false;
    text.assign(reinterpret_cast<const char*>(buffer), std::min<uint32_t>(length, 1023));
    return true;
}

bool ZestAppBase::RegistryReadInteger(const std::string& name, int32_t& value)
{
    uint8_t bytes[4] = {};
    uint32_t length = 4;
    uint32_t type = 0;
    if (!RegistryRead(name, type, bytes, length) || type != REG_DWORD || length != 4) return false;
    value = static_cast<int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24));
    return true;
}

bool ZestAppBase::RegistryReadBoolean(const std::string& name, bool& value)
{
    int32_t v = 0;
    if (!RegistryReadInteger(name, v)) return false;
    value = v != 0;
    return true;
}

void ZestAppBase::RegistryEraseValue(const std::string& name)
{
    // A replay never changes the live store.
    if (mRegKey.empty() || mPlayingDemo) return;
    std::string valueName;
    const std::string path = RegistryPath(name, valueName);
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegDeleteValue(key, valueName);
    RegCloseKey(key);
}

namespace
{
// Whole percent, with a small allowance so 0.29 (stored as 0.28999...) is not written back as 28.
int32_t VolumeToPercent(double volume)
{
    return static_cast<int32_t>(std::floor(volume * 100.0 + 1e-6));
}
double PercentToVolume(int32_t percent)
{
    return std::clamp(percent / 100.0, 0.0, 1.0);
}
} // namespace

void ZestAppBase::WriteToRegistry()
{
    // Saved together: one rewrite of the settings file rather than one for each value.
    Platform::SettingsBatch batch;
    RegistryWriteInteger("MusicVolume", VolumeToPercent(mMusicVolume));
    RegistryWriteInteger("SfxVolume", VolumeToPercent(mSfxVolume));
    RegistryWriteInteger("Muted", mMuteCount - mAutoMuteCount > 0 ? 1 : 0);
    RegistryWriteInteger("ScreenMode", mIsWindowed ? 0 : 1);
    RegistryWriteInteger("PreferredX", mPreferredX);
    RegistryWriteInteger("PreferredY", mPreferredY);
    RegistryWriteInteger("CustomCursors", mCustomCursorsEnabled ? 1 : 0);
    RegistryWriteInteger("InProgress", 0);
    RegistryWriteBoolean("WaitForVSync", mSyncDrawing);
}

void ZestAppBase::ReadFromRegistry()
{
    mRegistryRead = true;
    mRegKey = WideToNarrow(GetString("RegistryKey", NarrowToWide(mRegKey)));
    if (mRegKey.empty()) return;
    // The settings file lives in a folder named after the key, as each product's settings keep apart.
    Platform::SetSettingsFolderName(mRegKey);

    int32_t value = 0;
    if (RegistryReadInteger("MusicVolume", value)) mMusicVolume = PercentToVolume(value);
    if (RegistryReadInteger("SfxVolume", value)) mSfxVolume = PercentToVolume(value);
    // Only ever written as 0 or 1; a larger stored count would need as many unmutes.
    if (RegistryReadInteger("Muted", value)) mMuteCount = value != 0 ? 1 : 0;
    if (RegistryReadInteger("ScreenMode", value)) mIsWindowed = value == 0;
    // A stored position is kept only within the desktop: an edited or damaged value near the int limits would
    // overflow the placement arithmetic, and being saved back it would do so at every start. Outside it means
    // "no preference" (-1), as if never stored.
    if (RegistryReadInteger("PreferredX", value))
        mPreferredX = value >= 0 && value < GetSystemMetrics(SM_CXSCREEN) ? value : -1;
    if (RegistryReadInteger("PreferredY", value))
        mPreferredY = value >= 0 && value < GetSystemMetrics(SM_CYSCREEN) ? value : -1;
    if (RegistryReadInteger("CustomCursors", value)) EnableCustomCursors(value != 0);
    bool vsync = mSyncDrawing;
    if (RegistryReadBoolean("WaitForVSync", vsync)) mSyncDrawing = vsync;
    if (RegistryReadInteger("InProgress", value))
    {
        mLastRunEndedCleanly = value == 0;
        // A replay writes nothing at exit, so it must not mark a run in progress either: the next real start would
        // take the replay for a run that crashed. The command line is read after this, so look at it here.
        bool replay = mPlayingDemo;
        if (!mSkipCommandLine)
            for (const std::string& arg : mCommandLine)
            {
                const std::string name = StringToLower(arg.substr(0, arg.find('=')));
                replay = replay || name == "-play" || name == "-playnum";
            }
        if (!mIsScreenSaver && !replay) RegistryWriteInteger("InProgress", 1);
    }
}

void ZestAppBase::RemoveInterruptedSaves()
{
    if (mPlayingDemo) return;
    // The data folder holds saves/ below it; the cache mirrors the data's folders, a few levels deep. An empty
    // data folder means none could be found: the working directory is not tidied in its place.
    const std::string data = RemoveTrailingSlash(GetAppDataFolder());
    if (data.empty()) return;
    Platform::RemoveStaleTempFiles(data, 2);
    Platform::RemoveStaleTempFiles(RemoveTrailingSlash(SoundCacheFolder()), 6);
}

bool ZestAppBase::WriteBytesToFile(const std::string& fileName, const uint8_t* data, size_t length)
{
    if (mPlayingDemo)
    {
        // A replay never writes: other threads' writes are dropped as well.
        bool result = true;
        if (!IsMainThread() || !TakeDemoCall(DEMO_FILE_WRITE, result)) return true;
        return result;
    }
    const std::string path = ResolveFileName(fileName);
    const std::string dir = GetFileDir(path);
    if (!dir.empty()) Platform::MakeDirectories(RemoveTrailingSlash(dir));
    // Written beside the old file and renamed over it: a failure at any point keeps the old file.
    const bool ok = WriteFileAtomically(path, data, length);
    if (ok) InvalidateFileNameCache(dir);
    if (RecordingCalls())
    {
        WriteDemoRecord(DEMO_FILE_WRITE);
        mDemo.buffer.WriteBits((ok) ? 1 : 0, 1);
    }
    return ok;
}

bool ZestAppBase::WriteBufferToFile(const std::string& fileName, const Buffer& buffer)
{
    return WriteBytesToFile(fileName, buffer.GetDataPtr(), static_cast<size_t>(buffer.GetDataLen()));
}

bool ZestAppBase::ReadBufferFromFile(const std::string& fileName, Buffer& buffer, bool doNotRecord)
{
    // Other threads' reads were never recorded: during a replay they are refused, not served from disk.
    if (mPlayingDemo && !IsMainThread()) return false;
    if (mPlayingDemo && !doNotRecord)
    {
        bool result = false;
        if (!TakeDemoCall(DEMO_FILE_READ, result) || !result) return false;
        int32_t recordedLength = 0;
        if (!mDemo.ReadLongChecked(recordedLength)) return false;
        const int64_t size = static_cast<uint32_t>(recordedLength);
        if (size > Buffer::kMaxBytes || !mDemo.HasBits(size * 8))
        {
            mDemo.exhausted = true;
            return false;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        if (!mDemo.ReadBytesChecked(bytes.data(), size)) return false;
        buffer.Clear();
        buffer.WriteBytes(bytes.data(), static_cast<int>(size));
        return true;
    }

    const bool record = RecordingCalls() && !doNotRecord;
    std::vector<uint8_t> bytes;
    bool ok = false;
    if (PakFile owned = PakOpenFile(fileName, "rb"))
    {
        PackFileHandle* file = owned.get();
        if (PakSeek(file, 0, SEEK_END) == 0)
        {
            const long size = PakTell(file);
            if (size >= 0 && size <= Buffer::kMaxBytes && PakSeek(file, 0, SEEK_SET) == 0)
            {
                bytes.resize(static_cast<size_t>(size));
                ok = size == 0 || PakRead(bytes.data(), 1, bytes.size(), file) == bytes.size();
            }
        }
    }
    if (ok)
    {
        buffer.Clear();
        buffer.WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
    }
    if (record)
    {
        WriteDemoRecord(DEMO_FILE_READ);
        mDemo.buffer.WriteBits((ok) ? 1 : 0, 1);
        if (ok)
        {
            mDemo.buffer.WriteLong(static_cast<int32_t>(bytes.size()));
            mDemo.buffer.WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
        }
    }
    return ok;
}

bool ZestAppBase::FileExists(const std::string& fileName)
{
    if (mPlayingDemo && !IsMainThread()) return false;
    if (mPlayingDemo)
    {
        bool result = true;
        if (!TakeDemoCall(DEMO_FILE_EXISTS, result)) return true;
        return result;
    }
    const bool exists = PakOpenFile(fileName, "rb") != nullptr;
    if (RecordingCalls())
    {
        WriteDemoRecord(DEMO_FILE_EXISTS);
        mDemo.buffer.WriteBits((exists) ? 1 : 0, 1);
    }
    return exists;
}

bool ZestAppBase::EraseFile(const std::string& fileName)
{
    if (mPlayingDemo) return true;
    return Platform::DeleteFile(ResolveFileName(fileName));
}

} // namespace Zest
