#include "KIVEula.h"

#include "LanguageChoice.h"
#include "MethodTrace.h"
#include "ScopedHandle.h"
#include "PageControls.h"
#include "StringIds.h"
#include "WizardContext.h"

#include <vector>

KIVEula::KIVEula(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::Licence, context, resources) {}

void KIVEula::onInitDialog() {
    MethodTrace trace(LogGUIMode, L"KIVEula::OnInitDialog(): ");
    trace.message(L"Open");
    setHeading(Ctl::Licence::Heading, Str::LicenceHeading, true);
    setStrings({{Ctl::Licence::MustAgree, Str::LicenceMustAgree},
                {Ctl::Licence::Click, Str::LicenceClick},
                {Ctl::Licence::Agree, Str::Agree},
                {Ctl::Licence::Disagree, Str::Disagree}});
    loadLicence();
}

void KIVEula::loadLicence() {
    const std::wstring& path = context_->licencePath;
    if (path.empty())
        return;
    // Nobody may change the text while it is read.
    ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > 0x7FFFFFFF)
        return;
    std::vector<char> bytes(size);
    DWORD got = 0;
    if (size > 0 && (!::ReadFile(file.get(), bytes.data(), size, &got, nullptr) || got != size))
        return;
    // The text is in its own language's code page, which need not be the
    // system's: a Russian user on a Western system still reads Cyrillic.
    UINT codePage = licenceCodePage(path);
    if (codePage == 0 || !::IsValidCodePage(codePage))
        codePage = CP_ACP;
    std::wstring licence;
    if (size > 0) {
        const int length =
            ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(size), nullptr, 0);
        licence.resize(static_cast<size_t>(length));
        if (length > 0)
            ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(size), &licence[0],
                                  length);
    }
    // A text box takes only about 30000 characters unless told otherwise;
    // a licence is shown whole.
    ::SendMessageW(item(Ctl::Licence::Text), EM_SETLIMITTEXT, licence.size() + 1, 0);
    setText(Ctl::Licence::Text, licence);
}

void KIVEula::onOK() {
    MethodTrace trace(LogGUIMode, L"KIVEula::OnOK(): ");
    trace.message(L"Closed");
    endPage(PageConfirm);
}

void KIVEula::onCancel() {
    endPage(PageSecond);
}

void KIVEula::onClose() {
    MethodTrace trace(LogGUIMode, L"KIVEula::OnClose(): ");
    trace.message(L"Closed - close Button");
    endPage(PageClosed);
}
