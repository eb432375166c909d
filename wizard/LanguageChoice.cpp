#include "LanguageChoice.h"

#include "TextCase.h"

namespace {

std::wstring licencePattern(const std::wstring& folder, const std::wstring& code) {
    return folder + L"EU*-*-" + upperAscii(code) + L".txt";
}

} // namespace

LanguageChoice chooseLanguage(const std::wstring& languageCode, const std::wstring& packageFolder,
                              const std::function<std::wstring(const std::wstring&)>& firstMatch) {
    LanguageChoice choice;
    choice.wholeCode = languageCode;
    for (wchar_t& c : choice.wholeCode)
        if (c == L'-')
            c = L'_';
    choice.shortCode = choice.wholeCode.substr(0, 2);

    choice.licencePath = firstMatch(licencePattern(packageFolder, choice.shortCode));
    if (choice.licencePath.empty())
        choice.licencePath = firstMatch(licencePattern(packageFolder, choice.wholeCode));
    if (choice.licencePath.empty()) {
        choice.licencePath = firstMatch(licencePattern(packageFolder, L"EN"));
        choice.shortCode = L"en";
    }
    return choice;
}

std::vector<std::wstring> languageLibraryFolders(const LanguageChoice& choice,
                                                 const std::wstring& commonFolder) {
    return {commonFolder + choice.shortCode + L"\\", commonFolder + choice.wholeCode + L"\\"};
}

uint32_t licenceCodePage(const std::wstring& licencePath) {
    static const struct {
        const wchar_t* language;
        uint32_t codePage;
    } pages[] = {
#include "LicenceCodePages.inc"
    };
    const std::wstring name = upperAscii(licencePath.substr(licencePath.find_last_of(L"\\/") + 1));
    const std::wstring suffix = L".TXT";
    const size_t dash = name.rfind(L'-');
    if (dash == std::wstring::npos || name.size() < suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::wstring language = name.substr(dash + 1, name.size() - suffix.size() - dash - 1);
    for (const auto& page : pages)
        if (language == page.language)
            return page.codePage;
    return 0;
}
