// The log file's creation at bring-up, apart from the logger so that the
// logic that includes the logger's header stays free of <windows.h>.
#pragma once

#include "WindowsSupport.h"

#include <string>

// Creates the log file empty, writable by every user, unless it exists
// already (then it is left as it is). True when this call created it.
// createFile is the system's CreateFileW; tests pass one that records what
// the file would be given where the platform cannot keep it.
using CreateFileFunction = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                                           DWORD, HANDLE);
bool createLogFile(const std::wstring& path, CreateFileFunction createFile = &CreateFileW);
