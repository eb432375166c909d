// The few list-view operations the pages need.
#pragma once

#include "WindowsSupport.h"

#include <string>

void listAddColumn(HWND list, int index, const std::wstring& header, int width);
// The printer column and an outcome column that takes the rest of the list's
// width (at least secondWidth), so a long text such as "Your printer
// firmware is up to date." is not cut short.
void listAddTwoColumns(HWND list, const std::wstring& first, int firstWidth,
                       const std::wstring& second, int secondWidth);
void listAddRow(HWND list, int row, const std::wstring& first, const std::wstring& second);
// Selects and focuses the row, or clears both states.
void listSelectRow(HWND list, int row, bool selected);
