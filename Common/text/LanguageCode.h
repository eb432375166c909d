// The language code that names a language resource folder and licence text.
#pragma once

#include <cstdint>
#include <string>

// "en" for any language without its own texts.
std::wstring getLanguageCode(uint16_t languageId);
