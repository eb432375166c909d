#include "SecurityEveryone.h"

#include "Win32Exception.h"

#include <cstdlib>

namespace {
const wchar_t* const kSource = L".\\Common\\SecurityEveryone";
const wchar_t* const kInitFailed =
    L"SecurityEveryone::SecurityEveryone() InitializeSecurityDescriptor failed";

[[noreturn]] void fail(const wchar_t* message, int line) {
    throw Win32Exception(message, static_cast<int32_t>(GetLastError()), kSource, line);
}
} // namespace

SecurityEveryone::SecurityEveryone(bool inherit)
    : descriptor_(nullptr), acl_(nullptr), everyone_(nullptr) {
    if (!enabled_)
        return;
    // A throwing constructor runs no destructor: free what was built so far.
    try {
        descriptor_ = std::calloc(1, SECURITY_DESCRIPTOR_MIN_LENGTH);
        if (!descriptor_)
            throw Win32Exception(kInitFailed, ERROR_NOT_ENOUGH_MEMORY, kSource, __LINE__);
        if (!InitializeSecurityDescriptor(descriptor_, SECURITY_DESCRIPTOR_REVISION))
            fail(kInitFailed, __LINE__);

        setSecurityIdEveryone();
        if (!IsValidSid(everyone_))
            fail(L"SecurityEveryone::SecurityEveryone() IsValidSid failed", __LINE__);

        DWORD aclSize =
            sizeof(ACL) + GetLengthSid(everyone_) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
        acl_ = static_cast<PACL>(std::calloc(1, aclSize));
        if (!acl_)
            throw Win32Exception(kInitFailed, ERROR_NOT_ENOUGH_MEMORY, kSource, __LINE__);
        if (!InitializeAcl(acl_, aclSize, ACL_REVISION))
            fail(kInitFailed, __LINE__);
        if (!AddAccessAllowedAce(acl_, ACL_REVISION, GENERIC_ALL, everyone_))
            fail(kInitFailed, __LINE__);
        if (!SetSecurityDescriptorDacl(descriptor_, TRUE, acl_, FALSE))
            fail(kInitFailed, __LINE__);
        if (inherit) {
            void* ace = nullptr;
            if (!GetAce(acl_, 0, &ace))
                fail(kInitFailed, __LINE__);
            static_cast<ACE_HEADER*>(ace)->AceFlags |= CONTAINER_INHERIT_ACE;
        }
    } catch (...) {
        release();
        throw;
    }
    attributes_.lpSecurityDescriptor = descriptor_;
}

SecurityEveryone::~SecurityEveryone() {
    release();
}

void SecurityEveryone::setSecurityIdEveryone() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone_)) {
        everyone_ = nullptr;
        fail(L"SecurityEveryone::setSecurityIdEveryone() AllocateAndInitializeSid failed",
             __LINE__);
    }
}

void SecurityEveryone::release() {
    attributes_.lpSecurityDescriptor = nullptr;
    std::free(descriptor_);
    descriptor_ = nullptr;
    std::free(acl_);
    acl_ = nullptr;
    if (everyone_)
        FreeSid(everyone_);
    everyone_ = nullptr;
}
