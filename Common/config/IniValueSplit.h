// Splitting of the texts returned by the initialisation-file reads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Appends the comma-separated pieces of value[0, count) to out. Empty pieces
// are dropped; blanks inside a piece are kept.
void appendCommaPieces(const wchar_t* value, size_t count, std::vector<std::wstring>& out);

// Without the blanks and tabs around it: config.ini lists are often written
// "31C7, 31C8", and the pieces keep the blank after each comma.
std::wstring trimBlanks(const std::wstring& text);

// Appends the non-empty names of a null-separated list list[0, count) to out.
void appendNullSeparated(const wchar_t* list, size_t count, std::vector<std::wstring>& out);
