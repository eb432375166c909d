// The few list-view operations the pages need.
#pragma once

#include "WindowsSupport.h"

#include <string>

void listAddColumn(HWND list, int index, const std::wstring& header, int width);
void listAddRow(HWND list, int row, const std::wstring& first, const std::wstring& second);
// Selects and focuses the row, or clears both states.
void listSelectRow(HWND list, int row, bool selected);
