// The platform's side of loading a plug-in library: Win32's LoadLibrary for
// the DLLs, dlopen for the Linux VST; what PluginLoader needs and no more.
#pragma once

#include <string>

namespace library {

// The library at `path` (a relative path taken from the current folder,
// never from the system's search folders), or null with the system's error
// code in `error`.
void* open(const std::string& path, unsigned long& error);
void* symbol(void* module, const char* name);
void close(void* module);

// The names a host looks up for the entry point, in order: "main" for the
// DLLs; "VSTPluginMain", then "main", on Linux.
extern const char* const kEntryNames[];
extern const int kEntryNameCount;

// The folder of the running program, with its trailing separator.
std::string programFolder();

// Where the build puts the plug-in, relative to the programs' folder.
extern const char kPluginBesideProgram[];

}  // namespace library
