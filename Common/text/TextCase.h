// Letter case of the program's own texts: config.ini keys and values, printer
// replies, command lines, language codes and the names of the files it makes.
// Only a to z and A to Z change: these texts are ASCII, and a conversion that
// followed the user's locale would make a comparison machine-dependent.
#pragma once

#include <string>

std::wstring upperAscii(std::wstring text);
std::wstring lowerAscii(std::wstring text);
bool equalsIgnoringCase(const std::wstring& a, const std::wstring& b);
