#include "PageTestSupport.h"

#include "WizardPage.h"

#include <map>

std::wstring winPath(const char* path) {
    std::wstring out;
    for (const char* p = path; *p; ++p)
        out += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    if (!out.empty() && out.back() != L'\\')
        out += L'\\';
    return out;
}

std::wstring winFile(const char* path) {
    std::wstring folder = winPath(path);
    folder.pop_back();
    return folder;
}

HMODULE languageLibrary(const std::wstring& code) {
    static std::map<std::wstring, HMODULE> loaded;
    HMODULE& module = loaded[code];
    if (!module) {
        const std::wstring path = winPath(KIV_LANG_DIR) + code + L"\\lang.dll";
        module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return module;
}

PageSetup::PageSetup(const std::wstring& code, const std::wstring& packageFolder)
    : lang(languageLibrary(code)), context(&options, &updater) {
    const std::wstring art = winPath(KIV_ART_DIR);
    options.getRsrcMgr().setDirectories(packageFolder.empty() ? art : packageFolder, art);
    context.packageVersion = updater.packageVersion;
}

std::wstring PageSetup::t(uint32_t id) const {
    return WizardPage::loadText(lang, id);
}

KIVDevice* PageSetup::device(int32_t type, const std::wstring& name, const std::wstring& port,
                             const std::wstring& ip, const std::wstring& version) {
    std::unique_ptr<KIVDevice> d(new KIVDevice());
    d->setType(type);
    d->setName(name);
    d->setPortName(port);
    d->setIPAddress(ip);
    d->setCurrVer(version);
    records.push_back(std::move(d));
    return records.back().get();
}

LOGFONTW controlFont(HWND dialog, int control) {
    LOGFONTW font{};
    HFONT handle =
        reinterpret_cast<HFONT>(::SendMessageW(::GetDlgItem(dialog, control), WM_GETFONT, 0, 0));
    if (handle)
        ::GetObjectW(handle, sizeof(font), &font);
    return font;
}
