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

namespace Platform
{

struct Module;
using ModuleHandle = Module*; // opaque; stays valid for the whole run

// Adds a module, or adds/replaces entries of one already registered. Entries are function pointers.
void RegisterModule(const std::string& name, const std::map<std::string, void*>& entries);

// The module's handle, or null when it is not registered or hidden. Each success counts one load.
ModuleHandle LoadLibrary(const std::string& name);
// The entry, or null when the handle is null or the entry is missing or hidden.
void* GetProcAddress(ModuleHandle module, const std::string& entry);
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
