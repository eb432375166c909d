// Loading of our own libraries, by full path only.
#pragma once

#include "WindowsSupport.h"

#include <string>

// Loads folder + fileName. When the folder is empty or relative (unpacking
// failed), nothing is loaded: a bare name would be looked up along the DLL
// search order, where a planted library could be waiting. The library's own
// imports are looked up beside it first.
HMODULE loadLibraryInFolder(const std::wstring& folder, const wchar_t* fileName);

// Takes the program's own folder and the current folder out of the search
// for libraries loaded by name from now on (the system's own components load
// some that way): a program run from a downloads folder must not pick up a
// library planted beside it. Where the system lacks the call for that (an
// old update level), the current folder at least goes.
void hardenLibrarySearch();
