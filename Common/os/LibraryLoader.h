// Loading of our own libraries, by full path only.
#pragma once

#include "WindowsSupport.h"

#include <string>

// Loads folder + fileName. When the folder is empty or relative (unpacking
// failed), nothing is loaded: a bare name would be looked up along the DLL
// search order, where a planted library could be waiting. The library's own
// imports are looked up beside it first.
HMODULE loadLibraryInFolder(const std::wstring& folder, const wchar_t* fileName);
