// Per-user folders, case-insensitive file-name resolution, atomic file writes and small file-system helpers.
//
// Implements: the XDG config/data/cache folders (relative values are ignored, as the XDG rules say) and the
// runtime folder; turning names spelled with '\' or '/' and any letter case into the native path of an existing
// file or folder; writing a file so that a crash leaves either the old or the new contents, never a mixture;
// the all-users application-data folder query the start-up code looks up by name; existence, modification time,
// deletion, folder creation and removal, current directory, the executable's own path.
// Leaves out: file security descriptors (files are the user's own), find-first/next enumeration, file mappings.
//
// Case-insensitive matching folds ASCII letters only; data-file names are ASCII. $HOME falls back to the password
// database, and without any home at all to /tmp. Helpers below take native '/' paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace Platform
{

// ---- per-user folders (no trailing slash; not created here) ----

// $XDG_CONFIG_HOME, else $HOME/.config
std::string ConfigFolder();
// $XDG_DATA_HOME, else $HOME/.local/share
std::string DataFolder();
// $XDG_CACHE_HOME, else $HOME/.cache
std::string CacheFolder();
// $XDG_RUNTIME_DIR, or "" when it is unset or relative (there is no default).
std::string RuntimeFolder();

enum class Folder
{
    Config,
    Data,
    Cache,
    Runtime,
};
// Makes a folder query return `path` instead of consulting the environment; an empty path removes the override.
void OverrideFolder(Folder folder, const std::string& path);

// The rule behind the folder queries: `value` is the environment value (null when unset); only an absolute value
// counts, otherwise `home` + "/" + `fallback` (or "" when home is not absolute either).
std::string XdgFolder(const char* value, const char* home, std::string_view fallback);

// ---- name resolution ----

// Native path of an existing file or folder whose name matches `name` case-insensitively, component by
// component ('\' and '/' both separate; an exact-case entry is preferred; among several case variants the first
// in byte order wins). When no such path exists, the name with '\' turned into '/' (and repeated separators
// collapsed), keeping the case of the components that did match. Relative names stay relative.
std::string ResolveFileName(const std::string& name);
// Drops the cached folder listings used by ResolveFileName: all of them, or only the listing of `folder`.
// Listings also refresh by themselves when a folder's entries change, and the helpers below
// invalidate what they change.
void InvalidateFileNameCache();
void InvalidateFileNameCache(const std::string& folder);

// ---- writing and reading whole files ----

// Writes `size` bytes to `path` through a temporary file in the same folder: write, fsync, rename over the old
// file, fsync the folder. The folder must exist. On failure the previous file is untouched and no temporary file
// is left behind. When `path` is a symbolic link (or a chain of them), the file it leads to is replaced in its
// own folder and the link is kept.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
// Why this thread's last failed WriteFileAtomically failed, in words for a player ("the disk is full", "the
// folder is read-only", ...).
std::string LastWriteFailure();

// Removes the temporary files that atomic writes into `folder` left behind when their process was killed
// mid-write (".<name>.tmp-<pid>-<n>" of a process that no longer runs), and in its subfolders down to `depth`
// levels (links are not followed). Returns how many went.
int RemoveStaleTempFiles(const std::string& folder, int depth = 0);

// Test hook: the next atomic write fails after writing `bytes` bytes of its temporary file (negative disables).
void InjectWriteFailureAfter(int64_t bytes);

enum class ReadResult
{
    Ok,
    NotFound,
    TooLarge,
    Error,
};
// Reads a whole regular file into `out` when it is at most `maxBytes` long.
ReadResult ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes);

// Opens a file like fopen, except that for reading ("r", "rb", no '+') only a regular file opens: a pipe, a
// device or a folder in a file's place gives null at once instead of blocking or reading forever.
std::FILE* OpenFile(const std::string& path, const char* mode);

// ---- helpers ----

bool FileExists(const std::string& path); // a regular file (following links)
// Anything at all at `path`: a file of any kind, a folder, a link (even one that leads nowhere).
bool PathExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Something is at `path` that is not a regular file (a folder, a pipe, a device): reading it could block or
// never end.
bool ExistsButIsNotAFile(const std::string& path);
// Whether a file could be created or replaced at `path`: a file can be made in its folder (one is made and removed
// again), nothing but a regular file is in the way, and a file already there opens for writing. Creates no folder.
bool CanCreateFileAt(const std::string& path);
// Seconds since 1970 of the last modification, 0 when the file does not exist.
int64_t FileModificationTime(const std::string& path);
// Removes a file (not a folder). False when it did not exist or could not be removed.
bool DeleteFile(const std::string& path);
// Renames within one file system, replacing an existing target file.
bool RenameFile(const std::string& from, const std::string& to);
// Creates one folder; true when it exists afterwards.
bool MakeDirectory(const std::string& path);
// Creates a folder and all missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
// Removes a file or a folder with everything in it, never following symbolic links. True when nothing is left.
bool RemoveTree(const std::string& path);
bool SetCurrentDirectory(const std::string& path);
std::string GetCurrentDirectory();
// Absolute path of the running executable (/proc/self/exe), "" when unknown.
std::string ExecutablePath();

// ---- the folder query start-up looks up by name in "shell32.dll" ----

constexpr int CSIDL_COMMON_APPDATA = 0x23;
constexpr size_t MAX_PATH = 260;
constexpr int32_t S_OK = 0;
constexpr int32_t E_FAIL = static_cast<int32_t>(0x80004005u);
constexpr int32_t E_INVALIDARG = static_cast<int32_t>(0x80070057u);

// Writes the data folder (no trailing separator, at most MAX_PATH bytes with the terminator) into `path` for
// CSIDL_COMMON_APPDATA; any other folder id gives E_INVALIDARG, a folder too long for the buffer E_FAIL.
int32_t SHGetFolderPath(void* owner, int folderId, void* token, uint32_t flags, char* path);

} // namespace Platform
