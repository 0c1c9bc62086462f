// The settings store: typed values under key paths, kept in one text file written atomically.
#include "platform/Registry.h"

#include "platform/Debug.h"
#include "platform/Files.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace Platform
{

struct RegistryKey
{
    std::string path; // normalised: components joined by '\', no empty components
    uint32_t access = 0;
};

namespace
{

constexpr uint64_t kMaxFileBytes = 16u << 20;
constexpr int kMaxDamagedCopies = 100;

std::string Lower(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// "\\A\\\\b\\" -> "A\\b"
std::string NormalisePath(const std::string& path)
{
    std::string result;
    size_t start = 0;
    while (start <= path.size())
    {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start)
        {
            if (!result.empty()) result += '\\';
            result.append(path, start, end - start);
        }
        start = end + 1;
    }
    return result;
}

std::string JoinPath(const std::string& parent, const std::string& child)
{
    std::string sub = NormalisePath(child);
    if (parent.empty()) return sub;
    if (sub.empty()) return parent;
    return parent + "\\" + sub;
}

struct Value
{
    std::string name;
    uint32_t type = REG_BINARY;
    std::string data;
};

struct Key
{
    std::string path;
    std::map<std::string, Value> values; // by lower-case name
};

using KeyMap = std::map<std::string, Key>; // by lower-case path; "" is the root

// ---- text format ----

void AppendQuoted(std::string& out, const std::string& text)
{
    static const char* hex = "0123456789abcdef";
    out += '"';
    for (char c : text)
    {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c)
        {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u >= 0x7f)
            {
                out += "\\x";
                out += hex[u >> 4];
                out += hex[u & 15];
            }
            else
            {
                out += c;
            }
        }
    }
    out += '"';
}

// A file that opens with this line was written whole and ends with kLastLine: without it the file was cut short.
// (Files of earlier versions, without the mark, are read as they are.)
constexpr const char* kFirstLine = "# Settings, written by the program; a whole file ends with the line below.";
constexpr const char* kLastLine = "# End of the settings.";

std::string Serialise(const KeyMap& keys)
{
    static const char* hex = "0123456789abcdef";
    std::string out = std::string(kFirstLine) +
                      "\n# Each [\"key\"] line opens a key; each value line reads\n"
                      "# \"name\" = type:data with type str (quoted text), int (32-bit) or bin (hex bytes).\n";
    for (const auto& [lowerPath, key] : keys)
    {
        if (key.values.empty())
        {
            // An empty key need not be spelt out when a key below it is: reading that one creates it again.
            auto below = keys.lower_bound(lowerPath.empty() ? lowerPath : lowerPath + "\\");
            if (lowerPath.empty() ||
                (below != keys.end() && below->first.compare(0, lowerPath.size() + 1, lowerPath + "\\") == 0))
                continue;
        }
        out += "\n[";
        AppendQuoted(out, key.path);
        out += "]\n";
        for (const auto& [lowerName, value] : key.values)
        {
            AppendQuoted(out, value.name);
            out += " = ";
            if (value.type == REG_SZ)
            {
                out += "str:";
                AppendQuoted(out, value.data);
            }
            else if (value.type == REG_DWORD)
            {
                uint32_t number = 0;
                for (int i = 3; i >= 0; --i)
                    number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
                out += "int:" + std::to_string(static_cast<int32_t>(number));
            }
            else
            {
                out += "bin:";
                for (char c : value.data)
                {
                    out += hex[static_cast<unsigned char>(c) >> 4];
                    out += hex[static_cast<unsigned char>(c) & 15];
                }
            }
            out += '\n';
        }
    }
    out += "\n" + std::string(kLastLine) + "\n";
    return out;
}

class LineParser
{
public:
    explicit LineParser(const std::string& line) : mLine(line) {}

    bool AtEnd() const { return mPos == mLine.size(); }
    void SkipSpaces()
    {
        while (mPos < mLine.size() && (mLine[mPos] == ' ' || mLine[mPos] == '\t')) ++mPos;
    }
    bool Take(char c)
    {
        if (mPos < mLine.size() && mLine[mPos] == c)
        {
            ++mPos;
            return true;
        }
        return false;
    }
    bool TakeWord(const char* word)
    {
        size_t length = std::char_traits<char>::length(word);
        if (mLine.compare(mPos, length, word) != 0) return false;
        mPos += length;
        return true;
    }
    std::optional<std::string> Quoted()
    {
        if (!Take('"')) return std::nullopt;
        std::string text;
        while (mPos < mLine.size())
        {
            char c = mLine[mPos++];
            if (c == '"') return text;
            if (c != '\\')
            {
                text += c;
                if (text.size() > kMaxRegistryValueBytes) return std::nullopt;
                continue;
            }
            if (mPos >= mLine.size()) return std::nullopt;
            char escape = mLine[mPos++];
            switch (escape)
            {
            case '\\':
                text += '\\';
                break;
            case '"':
                text += '"';
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case 'x':
            {
                int high = mPos < mLine.size() ? HexDigit(mLine[mPos]) : -1;
                int low = mPos + 1 < mLine.size() ? HexDigit(mLine[mPos + 1]) : -1;
                if (high < 0 || low < 0) return std::nullopt;
                text += static_cast<char>(high * 16 + low);
                mPos += 2;
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt; // no closing quote
    }
    std::optional<uint32_t> Integer()
    {
        bool negative = Take('-');
        uint64_t number = 0;
        size_t digits = 0;
        while (mPos < mLine.size() && mLine[mPos] >= '0' && mLine[mPos] <= '9')
        {
            number = number * 10 + static_cast<uint64_t>(mLine[mPos++] - '0');
            if (++digits > 10) return std::nullopt;
        }
        if (digits == 0 || (negative && number > 0x80000000ull) || (!negative && number > 0xFFFFFFFFull))
            return std::nullopt;
        return static_cast<uint32_t>(negative ? (0ull - number) : number);
    }
    std::optional<std::string> HexBytes()
    {
        std::string bytes;
        while (mPos < mLine.size() && HexDigit(mLine[mPos]) >= 0)
        {
            int high = HexDigit(mLine[mPos]);
            int low = mPos + 1 < mLine.size() ? HexDigit(mLine[mPos + 1]) : -1;
            if (low < 0) return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            mPos += 2;
        }
        return bytes;
    }

private:
    static int HexDigit(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    const std::string& mLine;
    size_t mPos = 0;
};

void AddKeyWithParents(KeyMap& keys, const std::string& path)
{
    // Every key on the way exists too, as after creating the key.
    for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1))
    {
        std::string parent = path.substr(0, slash);
        keys.try_emplace(Lower(parent), Key{parent, {}});
    }
    keys.try_emplace(Lower(path), Key{path, {}});
}

// The value line the parser stands at, or nullopt when it does not read.
std::optional<Value> ParseValue(LineParser& parser)
{
    std::optional<std::string> name = parser.Quoted();
    if (!name) return std::nullopt;
    parser.SkipSpaces();
    if (!parser.Take('=')) return std::nullopt;
    parser.SkipSpaces();
    Value value;
    value.name = *name;
    if (parser.TakeWord("str:"))
    {
        std::optional<std::string> data = parser.Quoted();
        if (!data) return std::nullopt;
        value.type = REG_SZ;
        value.data = std::move(*data);
    }
    else if (parser.TakeWord("int:"))
    {
        std::optional<uint32_t> number = parser.Integer();
        if (!number) return std::nullopt;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) value.data += static_cast<char>((*number >> (8 * i)) & 0xFF);
    }
    else if (parser.TakeWord("bin:"))
    {
        std::optional<std::string> data = parser.HexBytes();
        if (!data || data->size() > kMaxRegistryValueBytes) return std::nullopt;
        value.type = REG_BINARY;
        value.data = std::move(*data);
    }
    else
    {
        return std::nullopt;
    }
    parser.SkipSpaces();
    if (!parser.AtEnd()) return std::nullopt;
    return value;
}

// What a settings file holds: every line that reads, and whether the file is whole. A line that does not read is
// skipped (after a key line that does not read, so are the values below it until the next key); `badLine` is
// the first such line, or 0 when the file was cut short after its lines.
struct Parsed
{
    KeyMap keys;
    bool whole = true;
    size_t badLine = 0;
};

Parsed Parse(std::string text)
{
    Parsed parsed;
    KeyMap& keys = parsed.keys;
    keys.try_emplace("", Key{});
    const std::string first(kFirstLine), last(kLastLine);
    const bool marked = text.compare(0, first.size(), first) == 0 &&
                        (text.compare(first.size(), 1, "\n") == 0 || text.compare(first.size(), 2, "\r\n") == 0);
    bool ended = false;
    if (marked)
    {
        // Cut short: the last line may be a piece of a value (an "int:85" cut to "int:8" still reads), so a line
        // without its line end does not count.
        const size_t end = text.find("\n" + last);
        ended = end != std::string::npos;
        if (!ended)
        {
            parsed.whole = false;
            const size_t lastBreak = text.find_last_of('\n');
            text.erase(lastBreak == std::string::npos ? 0 : lastBreak + 1);
        }
    }
    else if (!text.empty() && text.size() <= first.size() + 1 &&
             first.compare(0, std::min(text.size(), first.size()), text, 0, std::min(text.size(), first.size())) == 0)
    {
        parsed.whole = false; // cut within its first line or right after it
    }
    auto bad = [&](size_t line)
    {
        if (parsed.whole || parsed.badLine == 0) parsed.badLine = line;
        parsed.whole = false;
    };
    Key* current = nullptr;
    bool keyBroken = false;
    bool pastEnd = false;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();)
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        if (pastEnd)
        {
            // Only blank lines may follow the end.
            if (line.find_first_not_of(" \t") != std::string::npos) bad(lineNumber);
            continue;
        }
        if (marked && line == last)
        {
            pastEnd = true;
            continue;
        }
        LineParser parser(line);
        parser.SkipSpaces();
        if (parser.AtEnd() || parser.Take('#') || parser.Take(';')) continue;
        if (parser.Take('['))
        {
            parser.SkipSpaces();
            std::optional<std::string> path = parser.Quoted();
            parser.SkipSpaces();
            bool ok = path && parser.Take(']');
            parser.SkipSpaces();
            if (!ok || !parser.AtEnd())
            {
                bad(lineNumber);
                current = nullptr;
                keyBroken = true;
                continue;
            }
            std::string normal = NormalisePath(*path);
            AddKeyWithParents(keys, normal);
            current = &keys[Lower(normal)];
            keyBroken = false;
            continue;
        }
        if (current == nullptr)
        {
            // Values under a key that did not read were counted with it.
            if (!keyBroken) bad(lineNumber);
            continue;
        }
        std::optional<Value> value = ParseValue(parser);
        if (!value)
        {
            bad(lineNumber);
            continue;
        }
        current->values.insert_or_assign(Lower(value->name), std::move(*value));
    }
    return parsed;
}

// ---- the store ----

class Store
{
public:
    std::mutex mutex;

    KeyMap& Keys()
    {
        if (!mLoaded) Load();
        return mKeys;
    }

    bool Exists(const std::string& path) { return Keys().count(Lower(path)) != 0; }

    // Applies `change` to the store and saves it; when saving fails the change is undone. Inside a batch the
    // change is only kept in memory, and the batch's end saves everything at once.
    template <typename Change>
    int32_t Modify(Change change)
    {
        if (batchDepth > 0)
        {
            Keys();
            const int32_t result = change(mKeys);
            if (result == ERROR_SUCCESS) batchChanged = true;
            return result;
        }
        KeyMap before = Keys();
        int32_t result = change(mKeys);
        if (result != ERROR_SUCCESS) return result;
        if (!Save())
        {
            mKeys = std::move(before);
            return ERROR_CANTWRITE;
        }
        return ERROR_SUCCESS;
    }

    // Ends a batch: one atomic save of every change made in it. On failure the changes stay in memory (they
    // were answered as made), and the next save tries again.
    bool SaveBatch()
    {
        if (!batchChanged) return true;
        if (!Save()) return false;
        batchChanged = false;
        return true;
    }

    int batchDepth = 0;
    bool batchChanged = false;

    void SetFile(const std::string& path)
    {
        mFile = path;
        Forget();
    }
    void SetFolderName(const std::string& name)
    {
        mFolderName = name;
        if (mFile.empty()) Forget();
    }
    std::string File() const { return mFile.empty() ? ConfigFolder() + "/" + mFolderName + "/settings.ini" : mFile; }
    void Forget()
    {
        mLoaded = false;
        mKeys.clear();
    }

    std::array<bool, 3> faults{};
    std::set<RegistryKey*> handles;
    std::string mFolderName = "zest";

private:
    void Load()
    {
        mLoaded = true;
        mSaveBlocked = false;
        mKeys.clear();
        mKeys.try_emplace("", Key{});
        std::string path = File();
        std::string text;
        // Temporary files of saves that a kill or a power cut interrupted are of no use to anyone.
        const size_t slash = path.find_last_of('/');
        if (slash != std::string::npos && slash > 0) RemoveStaleTempFiles(path.substr(0, slash));
        ReadResult read = ReadWholeFile(path, text, kMaxFileBytes);
        if (read == ReadResult::NotFound) return;
        // Editors on some systems start a UTF-8 file with a byte-order mark; it is no part of the settings.
        if (read == ReadResult::Ok && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        if (read == ReadResult::Error)
        {
            // Unreadable (permissions, a folder in the way): start empty, but never write over it.
            mSaveBlocked = true;
            ReportToUser("Settings file " + path + " cannot be read; settings will not be saved.");
            return;
        }
        if (read == ReadResult::TooLarge)
        {
            KeepAside(path, "it is too large", false);
            return;
        }
        Parsed parsed = Parse(std::move(text));
        mKeys = std::move(parsed.keys);
        if (parsed.whole) return;
        bool anyValue = false;
        for (const auto& entry : mKeys) anyValue = anyValue || !entry.second.values.empty();
        KeepAside(path, parsed.badLine == 0 ? "cut short" : "line " + std::to_string(parsed.badLine), anyValue);
    }

    // Moves a damaged file out of the way. The settings that could be read from it (`kept`) are saved at once,
    // whole, so that they outlive this run even when nothing changes.
    void KeepAside(const std::string& path, const std::string& reason, bool kept)
    {
        for (int copy = 1; copy <= kMaxDamagedCopies; ++copy)
        {
            std::string aside = path + ".damaged" + (copy == 1 ? std::string() : "-" + std::to_string(copy));
            if (Platform::FileExists(aside) || DirectoryExists(aside)) continue;
            if (RenameFile(path, aside))
            {
                ReportToUser("Settings file " + path + " is damaged (" + reason + "); kept as " + aside +
                             (kept ? ", keeping the settings that could be read." : ", starting with empty settings."));
                if (kept) Save();
                return;
            }
            break;
        }
        mSaveBlocked = true;
        ReportToUser("Settings file " + path + " is damaged (" + reason +
                     ") and could not be moved aside; settings will not be saved.");
    }

    bool Save()
    {
        if (mSaveBlocked) return false;
        std::string path = File();
        size_t slash = path.find_last_of('/');
        const bool ok = (slash == std::string::npos || slash == 0 || MakeDirectories(path.substr(0, slash))) &&
                        WriteFileAtomically(path, Serialise(mKeys));
        if (!ok) SayCannotSave(path);
        return ok;
    }

    // A player whose settings are not kept should hear of it once, not at every change.
    void SayCannotSave(const std::string& path)
    {
        if (mSaidCannotSave.count(path)) return;
        mSaidCannotSave.insert(path);
        ReportToUser("Settings cannot be saved to " + path + " (the folder is read-only or the disk is full); " +
                     "changes last only until the program ends.");
    }

    std::set<std::string> mSaidCannotSave;

    std::string mFile;
    bool mLoaded = false;
    bool mSaveBlocked = false;
    KeyMap mKeys;
};

Store& TheStore()
{
    static Store store;
    return store;
}

// The key path a handle stands for; nullopt for a handle that is neither the root nor open.
std::optional<std::string> PathOf(Store& store, HKEY key)
{
    if (key == HKEY_CURRENT_USER) return std::string();
    if (key == nullptr || store.handles.count(key) == 0) return std::nullopt;
    return key->path;
}

uint32_t AccessOf(HKEY key)
{
    return key == HKEY_CURRENT_USER ? KEY_ALL_ACCESS : key->access;
}

HKEY NewHandle(Store& store, const std::string& path, uint32_t access)
{
    auto key = std::make_unique<RegistryKey>();
    key->path = path;
    key->access = access;
    HKEY handle = key.release();
    store.handles.insert(handle);
    return handle;
}

} // namespace

int32_t RegOpenKeyEx(HKEY root, const std::string& subKey, uint32_t, uint32_t access, HKEY* result)
{
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    std::optional<std::string> parent = PathOf(store, root);
    if (!parent) return ERROR_INVALID_HANDLE;
    if (store.faults[static_cast<size_t>(RegistryFault::Open)]) return ERROR_ACCESS_DENIED;
    std::string path = JoinPath(*parent, subKey);
    if (!store.Exists(path)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(store, store.Keys()[Lower(path)].path, access);
    return ERROR_SUCCESS;
}

int32_t RegCreateKeyEx(HKEY root, const std::string& subKey, uint32_t, const char*, uint32_t, uint32_t access,
                       const void*, HKEY* result, uint32_t* disposition)
{
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    std::optional<std::string> parent = PathOf(store, root);
    if (!parent) return ERROR_INVALID_HANDLE;
    if (store.faults[static_cast<size_t>(RegistryFault::Create)]) return ERROR_ACCESS_DENIED;
    std::string path = JoinPath(*parent, subKey);
    bool existed = store.Exists(path);
    if (!existed)
    {
        int32_t saved = store.Modify(
            [&](KeyMap& keys)
            {
                AddKeyWithParents(keys, path);
                return ERROR_SUCCESS;
            });
        if (saved != ERROR_SUCCESS) return saved;
    }
    if (disposition != nullptr) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = NewHandle(store, store.Keys()[Lower(path)].path, access);
    return ERROR_SUCCESS;
}

int32_t RegQueryValueEx(HKEY key, const std::string& name, uint32_t*, uint32_t* type, uint8_t* data, uint32_t* length)
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    std::optional<std::string> path = PathOf(store, key);
    if (!path) return ERROR_INVALID_HANDLE;
    if ((AccessOf(key) & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    if (data != nullptr && length == nullptr) return ERROR_INVALID_PARAMETER;
    KeyMap& keys = store.Keys();
    auto owner = keys.find(Lower(*path));
    if (owner == keys.end()) return ERROR_FILE_NOT_FOUND;
    auto found = owner->second.values.find(Lower(name));
    if (found == owner->second.values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = found->second;
    if (type != nullptr) *type = value.type;
    uint32_t size = static_cast<uint32_t>(value.data.size());
    if (data != nullptr)
    {
        if (*length < size)
        {
            *length = size;
            return ERROR_MORE_DATA;
        }
        std::copy(value.data.begin(), value.data.end(), data);
    }
    if (length != nullptr) *length = size;
    return ERROR_SUCCESS;
}

int32_t RegSetValueEx(HKEY key, const std::string& name, uint32_t, uint32_t type, const uint8_t* data, uint32_t length)
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    std::optional<std::string> path = PathOf(store, key);
    if (!path) return ERROR_INVALID_HANDLE;
    if ((AccessOf(key) & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    if ((type != REG_SZ && type != REG_DWORD && type != REG_BINARY) || (type == REG_DWORD && length != 4) ||
        (data == nullptr && length != 0) || length > kMaxRegistryValueBytes)
        return ERROR_INVALID_PARAMETER;
    if (store.faults[static_cast<size_t>(RegistryFault::Set)]) return ERROR_ACCESS_DENIED;
    return store.Modify(
        [&](KeyMap& keys)
        {
            auto owner = keys.find(Lower(*path));
            if (owner == keys.end()) return ERROR_FILE_NOT_FOUND; // the store was reloaded without this key
            std::string lowerName = Lower(name);
            auto existing = owner->second.values.find(lowerName);
            Value value;
            value.name = existing == owner->second.values.end() ? name : existing->second.name;
            value.type = type;
            if (length != 0) value.data.assign(reinterpret_cast<const char*>(data), length);
            owner->second.values.insert_or_assign(lowerName, std::move(value));
            return ERROR_SUCCESS;
        });
}

int32_t RegDeleteValue(HKEY key, const std::string& name)
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    std::optional<std::string> path = PathOf(store, key);
    if (!path) return ERROR_INVALID_HANDLE;
    if ((AccessOf(key) & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    return store.Modify(
        [&](KeyMap& keys)
        {
            auto owner = keys.find(Lower(*path));
            if (owner == keys.end() || owner->second.values.erase(Lower(name)) == 0) return ERROR_FILE_NOT_FOUND;
            return ERROR_SUCCESS;
        });
}

int32_t RegCloseKey(HKEY key)
{
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    if (key == nullptr || store.handles.erase(key) == 0) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

SettingsBatch::SettingsBatch()
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    ++store.batchDepth;
}

SettingsBatch::~SettingsBatch()
{
    Commit();
}

bool SettingsBatch::Commit()
{
    if (mDone) return mSaved;
    mDone = true;
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    if (--store.batchDepth > 0) return mSaved = true;
    return mSaved = store.SaveBatch();
}

void SetSettingsFile(const std::string& path)
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.SetFile(path);
}

void SetSettingsFolderName(const std::string& keyPath)
{
    // The key path names the folder, one level per component; anything that could climb out of the configuration
    // folder or name nothing is dropped, so a hostile string table cannot place the file elsewhere.
    std::string folder;
    size_t start = 0;
    while (start <= keyPath.size())
    {
        size_t end = keyPath.find_first_of("\\/", start);
        if (end == std::string::npos) end = keyPath.size();
        const std::string part = keyPath.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..") folder += (folder.empty() ? "" : "/") + part;
        start = end + 1;
    }
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.SetFolderName(folder.empty() ? "zest" : folder);
}

std::string SettingsFile()
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    return store.File();
}

void ReloadSettings()
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.Forget();
}

void SetRegistryFault(RegistryFault fault, bool fail)
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.faults[static_cast<size_t>(fault)] = fail;
}

void ClearRegistryFaults()
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.faults = {};
}

} // namespace Platform
