// The per-user settings store that stands in for the registry.
//
// Implements: keys opened or created under HKEY_CURRENT_USER by '\'-separated paths (compared ignoring ASCII
// case), typed values (REG_SZ text stored byte for byte without adding a terminator, REG_DWORD as 4 bytes
// little-endian, REG_BINARY), query / set / delete value and close, access rights checked as the flags say.
// Everything lives in one text file (default $XDG_CONFIG_HOME/<key path>/settings.ini), rewritten atomically after each
// change or once for a batch of changes; a change that cannot be saved is undone and reported (the player is told
// once on standard error). A byte-order mark at the start of the file is skipped, and temporary files of saves
// that were cut short are removed when the file is read. A damaged file is read as an empty store and kept
// aside as "<file>.damaged" (then ".damaged-2", ...), never overwritten. Test hooks make open, create or set fail.
// Leaves out: other roots, deleting keys, enumerating keys or values, other value types, security descriptors,
// change notifications, volatile keys.
//
// File format: lines `["key\\path"]` open a key; lines `"name" = type:data` hold its values, with type `str`
// (quoted text, escapes \\ \" \n \r \t \xHH), `int` (decimal, -2147483648..4294967295) or `bin` (hex digits).
// Blank lines and lines starting with '#' or ';' are ignored.
#pragma once

#include <cstdint>
#include <string>

namespace Platform
{

struct RegistryKey;
using HKEY = RegistryKey*; // opaque

inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));

constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

constexpr uint32_t REG_CREATED_NEW_KEY = 1;
constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

constexpr int32_t ERROR_SUCCESS = 0;
constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t ERROR_ACCESS_DENIED = 5;
constexpr int32_t ERROR_INVALID_HANDLE = 6;
constexpr int32_t ERROR_INVALID_PARAMETER = 87;
constexpr int32_t ERROR_MORE_DATA = 234;
constexpr int32_t ERROR_CANTWRITE = 1013; // the change could not be saved; it was undone

// Largest value the store accepts.
constexpr uint32_t kMaxRegistryValueBytes = 1u << 20;

// Opens an existing key below `root` (HKEY_CURRENT_USER or an open key); ERROR_FILE_NOT_FOUND when it does not
// exist. `*result` is null on failure.
int32_t RegOpenKeyEx(HKEY root, const std::string& subKey, uint32_t options, uint32_t access, HKEY* result);
// Opens the key, creating it and every missing key on its path first. `disposition` (may be null) tells which.
int32_t RegCreateKeyEx(HKEY root, const std::string& subKey, uint32_t reserved, const char* className, uint32_t options,
                       uint32_t access, const void* security, HKEY* result, uint32_t* disposition);
// Reads a value. With `data` null only the type and the length are returned. When `*length` is smaller than the
// value: ERROR_MORE_DATA, nothing copied, `*length` set to the length needed. Absent: ERROR_FILE_NOT_FOUND.
int32_t RegQueryValueEx(HKEY key, const std::string& name, uint32_t* reserved, uint32_t* type, uint8_t* data,
                        uint32_t* length);
// Stores a value (REG_DWORD needs exactly 4 bytes) and saves the store.
int32_t RegSetValueEx(HKEY key, const std::string& name, uint32_t reserved, uint32_t type, const uint8_t* data,
                      uint32_t length);
int32_t RegDeleteValue(HKEY key, const std::string& name);
int32_t RegCloseKey(HKEY key);

// Where the store lives; an empty path goes back to the default. The store is read again at its next use.
void SetSettingsFile(const std::string& path);
// The default file's folder under the configuration folder, from a key path such as "Maker\\Product" (folders
// Maker/Product); "zest" until the application names its key. An explicit settings file still wins.
void SetSettingsFolderName(const std::string& keyPath);
std::string SettingsFile();
// Forgets the in-memory store so the next call reads the file again.
void ReloadSettings();

// While one lives, changes to the store are kept in memory and answered as made; its end (or Commit) writes them
// all in one atomic save, so settings changed together cost one rewrite of the file instead of one each.
// Batches nest: the outermost one saves. Commit returns whether the save succeeded (true when nothing changed).
class SettingsBatch
{
public:
    SettingsBatch();
    ~SettingsBatch();
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;
    bool Commit();

private:
    bool mDone = false;
    bool mSaved = false;
};

// Test hooks: make every open, create or set fail with ERROR_ACCESS_DENIED until cleared.
enum class RegistryFault
{
    Open,
    Create,
    Set,
};
void SetRegistryFault(RegistryFault fault, bool fail);
void ClearRegistryFaults();

} // namespace Platform
