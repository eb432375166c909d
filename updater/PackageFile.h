// Whether the package carries a file the flash script names.
#pragma once

#include <string>

// True for an existing file; a folder of that name is not one.
bool packageFileExists(const std::wstring& path);
