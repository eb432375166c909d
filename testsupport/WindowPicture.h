// A picture of a window as it is on the screen, frame and caption included.
#pragma once

#include "WindowsSupport.h"

#include <string>

// Writes a 24-bit BMP file; false when the window or the file fails.
bool saveWindowPicture(HWND window, const std::wstring& path);
