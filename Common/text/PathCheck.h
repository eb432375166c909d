// Tests on path texts.
#pragma once

#include <string>

// A drive path ("C:\...") or a UNC path ("\\server\..."). Libraries are
// loaded only by such paths, never through the DLL search order.
bool isAbsoluteWindowsPath(const std::wstring& path);

// Why Windows would refuse the path as the name of a file to write, or would
// quietly write another file than the one named (it drops a trailing dot or
// blank, and a device name such as "CON" or "nul.json" opens the device);
// empty when there is no such reason.
std::wstring fileNameProblem(const std::wstring& path);
