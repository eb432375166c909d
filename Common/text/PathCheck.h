// Tests on path texts.
#pragma once

#include <string>

// A drive path ("C:\...") or a UNC path ("\\server\..."). Libraries are
// loaded only by such paths, never through the DLL search order.
bool isAbsoluteWindowsPath(const std::wstring& path);
