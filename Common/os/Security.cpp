#include "Security.h"

#include "OsVersion.h"
#include "Win32Exception.h"

#include <aclapi.h>

namespace {
const wchar_t* const kSource = L".\\Common\\Security";
}

Security::Security() : enabled_(OsVersion::current().isNT()) {
    attributes_.nLength = sizeof(SECURITY_ATTRIBUTES);
    attributes_.lpSecurityDescriptor = nullptr;
    attributes_.bInheritHandle = TRUE;
}

Security::~Security() {}

SECURITY_ATTRIBUTES* Security::getSecurityAttributes() {
    return &attributes_;
}

void Security::doApply(HANDLE object) {
    if (!enabled_ || !attributes_.lpSecurityDescriptor)
        return;
    if (!SetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION,
                                 attributes_.lpSecurityDescriptor))
        throw Win32Exception(L"Security::doApply() SetKernelObjectSecurity failed ",
                             static_cast<int32_t>(GetLastError()), kSource, __LINE__);
}

void Security::doApply(HKEY key) {
    if (!enabled_ || !attributes_.lpSecurityDescriptor)
        return;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(attributes_.lpSecurityDescriptor, &present, &acl, &defaulted))
        throw Win32Exception(L"Security::doApply() GetSecurityDescriptorDacl failed ",
                             static_cast<int32_t>(GetLastError()), kSource, __LINE__);
    DWORD status = SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, acl, nullptr);
    if (status != ERROR_SUCCESS)
        throw Win32Exception(L"Security::doApply() SetSecurityInfo failed ",
                             static_cast<int32_t>(status), kSource, __LINE__);
}
