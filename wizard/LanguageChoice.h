// Which licence text and which language library a user gets, from the
// language code of the user's locale. The pages follow the licence: without
// a licence in the user's language the pages are English too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct LanguageChoice {
    std::wstring shortCode;   // "de", "pt"; "en" when the English licence is taken
    std::wstring wholeCode;   // "de", "pt_BR"
    std::wstring licencePath; // empty when not even the English licence exists
};

// firstMatch(pattern) answers the full path of the first file matching a
// wildcard pattern, or an empty text.
LanguageChoice chooseLanguage(const std::wstring& languageCode, const std::wstring& packageFolder,
                              const std::function<std::wstring(const std::wstring&)>& firstMatch);

// The code page a licence file is written in, known by the language in its
// name ("EULA-KIV-RU.txt": 1251); 0 when the package does not say.
uint32_t licenceCodePage(const std::wstring& licencePath);

// The folders of the language library ("lang.dll") to try, in order.
std::vector<std::wstring> languageLibraryFolders(const LanguageChoice& choice,
                                                 const std::wstring& commonFolder);
