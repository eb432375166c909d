// A descriptor whose access list grants full access to Everyone, so that an
// object created by one user (a log mutex, the log file) can be opened by any
// other.
#pragma once

#include "Security.h"

class SecurityEveryone : public Security {
public:
    // inherit: mark the access entry container-inherit (for registry keys).
    explicit SecurityEveryone(bool inherit);
    ~SecurityEveryone() override;

private:
    void setSecurityIdEveryone();
    void release();

    PSECURITY_DESCRIPTOR descriptor_;
    PACL acl_;
    PSID everyone_;
};
