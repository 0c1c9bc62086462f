// The built-in module table: named modules with named entry points, and the hook that hides them.
#include "platform/Modules.h"

#include "platform/Files.h"

#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

namespace Platform
{

struct Module
{
    std::string name;
    std::map<std::string, ModuleEntry> entries;
    int loads = 0;
};

namespace
{

// Lower case, without any folder in front, with ".dll" added when the name has no extension.
std::string ModuleKey(const std::string& name)
{
    size_t slash = name.find_last_of("\\/");
    std::string key = slash == std::string::npos ? name : name.substr(slash + 1);
    for (char& c : key)
    {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (!key.empty() && key.find('.') == std::string::npos) key += ".dll";
    return key;
}

struct Table
{
    std::mutex mutex;
    std::unordered_map<std::string, std::unique_ptr<Module>> modules;
    std::set<std::string> hiddenModules;
    std::set<std::pair<std::string, std::string>> hiddenEntries;
    Module executable{"", {}, 1};

    Module& Add(const std::string& key)
    {
        std::unique_ptr<Module>& slot = modules[key];
        if (!slot)
        {
            slot = std::make_unique<Module>();
            slot->name = key;
        }
        return *slot;
    }
};

Table& TheTable()
{
    // Built during first use, so the modules this layer provides are there before anyone can look, whatever
    // the order of static initialisation.
    static Table table;
    static const bool builtIns = []
    {
        table.Add("shell32.dll").entries["SHGetFolderPathA"] = Entry<decltype(SHGetFolderPath)>(&SHGetFolderPath);
        return true;
    }();
    (void)builtIns;
    return table;
}

Module* Find(Table& table, const std::string& key)
{
    auto it = table.modules.find(key);
    return it == table.modules.end() ? nullptr : it->second.get();
}

} // namespace

void RegisterModule(const std::string& name, const std::map<std::string, ModuleEntry>& entries)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    Module& module = table.Add(ModuleKey(name));
    for (const auto& [entry, address] : entries) module.entries[entry] = address;
}

ModuleHandle LoadLibrary(const std::string& name)
{
    Table& table = TheTable();
    std::string key = ModuleKey(name);
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* module = Find(table, key);
    if (module == nullptr || table.hiddenModules.count(key) != 0) return nullptr;
    ++module->loads;
    return module;
}

ModuleEntry FindProcEntry(ModuleHandle module, const std::string& entry)
{
    if (module == nullptr) return {};
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.hiddenEntries.count({module->name, entry}) != 0) return {};
    auto it = module->entries.find(entry);
    return it == module->entries.end() ? ModuleEntry{} : it->second;
}

bool HasProcAddress(ModuleHandle module, const std::string& entry)
{
    return FindProcEntry(module, entry).address != nullptr;
}

bool FreeLibrary(ModuleHandle module)
{
    if (module == nullptr) return false;
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (module == &table.executable || module->loads <= 0) return false;
    --module->loads;
    return true;
}

ModuleHandle GetModuleHandle(const char* name)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (name == nullptr) return &table.executable;
    std::string key = ModuleKey(name);
    Module* module = Find(table, key);
    if (module == nullptr || module->loads <= 0 || table.hiddenModules.count(key) != 0) return nullptr;
    return module;
}

int ModuleLoadCount(const std::string& name)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* module = Find(table, ModuleKey(name));
    return module == nullptr ? 0 : module->loads;
}

void HideModule(const std::string& name, bool hidden)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (hidden)
        table.hiddenModules.insert(ModuleKey(name));
    else
        table.hiddenModules.erase(ModuleKey(name));
}

void HideModuleEntry(const std::string& module, const std::string& entry, bool hidden)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (hidden)
        table.hiddenEntries.insert({ModuleKey(module), entry});
    else
        table.hiddenEntries.erase({ModuleKey(module), entry});
}

void RestoreHiddenModules()
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.hiddenModules.clear();
    table.hiddenEntries.clear();
}

} // namespace Platform
