#include "LanguageChoice.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

const wchar_t kPackage[] = L"C:\\t\\KIV_1\\package\\";

// The package folder holds these licence files; patterns are matched by
// their language part only (the part between the last "-" and ".txt").
struct Folder {
    std::set<std::wstring> languages;
    std::vector<std::wstring> asked;

    std::wstring operator()(const std::wstring& pattern) {
        asked.push_back(pattern);
        const size_t dash = pattern.rfind(L'-');
        const std::wstring language = pattern.substr(dash + 1, pattern.size() - dash - 5);
        if (!languages.count(language))
            return std::wstring();
        return std::wstring(kPackage) + L"EULA-KIV-" + language + L".txt";
    }
};

LanguageChoice choose(Folder& folder, const std::wstring& code) {
    return chooseLanguage(code, kPackage, [&](const std::wstring& p) { return folder(p); });
}

TEST(LanguageChoice, LicenceInTheUsersLanguageChoosesItsLibrary) {
    Folder folder{{L"EN", L"DE", L"JA"}, {}};
    const LanguageChoice de = choose(folder, L"de");
    EXPECT_EQ(de.licencePath, std::wstring(kPackage) + L"EULA-KIV-DE.txt");
    EXPECT_EQ(de.shortCode, L"de");
    EXPECT_EQ(folder.asked, std::vector<std::wstring>{std::wstring(kPackage) + L"EU*-*-DE.txt"});
    EXPECT_EQ(languageLibraryFolders(de, L"C:\\c\\"),
              (std::vector<std::wstring>{L"C:\\c\\de\\", L"C:\\c\\de\\"}));
}

TEST(LanguageChoice, NoLicenceInTheLanguageMeansEnglishEverywhere) {
    Folder folder{{L"EN", L"DE"}, {}};
    const LanguageChoice ko = choose(folder, L"ko");
    EXPECT_EQ(ko.licencePath, std::wstring(kPackage) + L"EULA-KIV-EN.txt");
    EXPECT_EQ(ko.shortCode, L"en");
    EXPECT_EQ(languageLibraryFolders(ko, L"C:\\c\\")[0], L"C:\\c\\en\\");

    folder.asked.clear();
    const LanguageChoice br = choose(folder, L"pt-BR");
    EXPECT_EQ(folder.asked, (std::vector<std::wstring>{std::wstring(kPackage) + L"EU*-*-PT.txt",
                                                       std::wstring(kPackage) + L"EU*-*-PT_BR.txt",
                                                       std::wstring(kPackage) + L"EU*-*-EN.txt"}));
    EXPECT_EQ(br.shortCode, L"en");
    EXPECT_EQ(br.wholeCode, L"pt_BR");
    EXPECT_EQ(languageLibraryFolders(br, L"C:\\c\\"),
              (std::vector<std::wstring>{L"C:\\c\\en\\", L"C:\\c\\pt_BR\\"}));
}

TEST(LanguageChoice, WholeCodeLicenceKeepsTheShortCodeFirst) {
    Folder folder{{L"EN", L"ZH_TW"}, {}};
    const LanguageChoice tw = choose(folder, L"zh-TW");
    EXPECT_EQ(tw.licencePath, std::wstring(kPackage) + L"EULA-KIV-ZH_TW.txt");
    EXPECT_EQ(tw.shortCode, L"zh");
    EXPECT_EQ(languageLibraryFolders(tw, L"C:\\c\\"),
              (std::vector<std::wstring>{L"C:\\c\\zh\\", L"C:\\c\\zh_TW\\"}));
}

TEST(LanguageChoice, WithoutAnyLicenceThePathStaysEmpty) {
    Folder folder{{}, {}};
    const LanguageChoice fr = choose(folder, L"fr");
    EXPECT_EQ(fr.licencePath, L"");
    EXPECT_EQ(fr.shortCode, L"en");
}

TEST(LanguageChoice, LicenceCodePageComesFromTheFileNameOnly) {
    EXPECT_EQ(licenceCodePage(L"C:\\t\\KIV-1\\package\\eula-kiv-ru.TXT"), 1251u);
    EXPECT_EQ(licenceCodePage(L"C:\\t\\package\\EULA-KIV-JA.txt"), 932u);
    // Not the folder's "-RU", and nothing for a language the package lacks.
    EXPECT_EQ(licenceCodePage(L"C:\\x-RU\\EULA-KIV-KO.txt"), 0u);
    EXPECT_EQ(licenceCodePage(L"C:\\x\\EULA-KIV-RU"), 0u);
    EXPECT_EQ(licenceCodePage(L""), 0u);
}

} // namespace
