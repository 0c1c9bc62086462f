// The table of built-in modules that stands in for libraries loaded at run time and their entry points.
//
// Implements: LoadLibrary / GetProcAddress / FreeLibrary over a table of named modules compiled into the program,
// RegisterModule for the layers that provide such modules, the executable's own module handle, and a test hook
// that hides a module or a single entry so the missing-library paths can be exercised.
// Leaves out: loading code from disk (nothing is ever loaded dynamically), lookups by ordinal.
//
// Module names compare case-insensitively and any folder in front ("..\\x.dll", "./x.dll") is ignored; a name
// without an extension gets ".dll". Entry names compare exactly. Built in from the start: "shell32.dll" with
// "SHGetFolderPathA" (see Files.h). Every other module is registered by the layer that implements it.
#pragma once

#include <map>
#include <string>
#include <type_traits>
#include <typeinfo>

namespace Platform
{

struct Module;
using ModuleHandle = Module*; // opaque; stays valid for the whole run

// An entry point as the table keeps it: its address and the exact function type it was registered with, so a
// lookup hands it out only as that type.
struct ModuleEntry
{
    void (*address)() = nullptr;
    const std::type_info* type = nullptr;
};

// Wraps a function for RegisterModule under a signature the caller names; a function of another signature does
// not compile.
template <typename Signature>
ModuleEntry Entry(std::type_identity_t<Signature>* function)
{
    static_assert(std::is_function_v<Signature>, "an entry point is a function");
    return {reinterpret_cast<void (*)()>(function), &typeid(Signature)};
}

// The same, with the signature taken from a member of a library's table of entry points: the provider and the
// caller then share one declaration of every signature.
template <typename Table, typename Signature>
ModuleEntry Entry(Signature* Table::*, std::type_identity_t<Signature>* function)
{
    return Entry<Signature>(function);
}

// Adds a module, or adds/replaces entries of one already registered.
void RegisterModule(const std::string& name, const std::map<std::string, ModuleEntry>& entries);

// The module's handle, or null when it is not registered or hidden. Each success counts one load.
ModuleHandle LoadLibrary(const std::string& name);
// The entry as registered; empty when the handle is null or the entry is missing or hidden.
ModuleEntry FindProcEntry(ModuleHandle module, const std::string& entry);
// The entry as a function of the given signature; null when the handle is null, the entry is missing or hidden,
// or it was registered with another signature.
template <typename Signature>
Signature* GetProcAddress(ModuleHandle module, const std::string& entry)
{
    ModuleEntry found = FindProcEntry(module, entry);
    if (found.address == nullptr || found.type == nullptr || *found.type != typeid(Signature)) return nullptr;
    return reinterpret_cast<Signature*>(found.address);
}
// Fills a table member with the entry of that member's signature (null as GetProcAddress gives it); true when found.
template <typename Signature>
bool GetProcAddress(ModuleHandle module, const std::string& entry, Signature*& out)
{
    out = GetProcAddress<Signature>(module, entry);
    return out != nullptr;
}
// Whether the entry exists, whatever its signature (for entries that are looked up but never called).
bool HasProcAddress(ModuleHandle module, const std::string& entry);
// Gives back one load. False for a null handle or one with no loads outstanding.
bool FreeLibrary(ModuleHandle module);
// With null: the executable's own handle (never null). With a name: the module when it is loaded, else null.
ModuleHandle GetModuleHandle(const char* name);

// Loads minus frees of a module so far (0 for unknown names); lets tests check that libraries are released.
int ModuleLoadCount(const std::string& name);

// Test hook: hidden modules fail LoadLibrary, hidden entries fail GetProcAddress (also through handles obtained
// earlier). Hiding works for names not registered yet too.
void HideModule(const std::string& name, bool hidden = true);
void HideModuleEntry(const std::string& module, const std::string& entry, bool hidden = true);
// Shows everything hidden again.
void RestoreHiddenModules();

} // namespace Platform
