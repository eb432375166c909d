// A security descriptor to hand to creation calls or to apply to an existing
// object. On systems outside the NT family it builds nothing and the
// attributes carry no descriptor (default security).
#pragma once

#include "WindowsSupport.h"

class Security {
public:
    Security();
    virtual ~Security() = 0;
    Security(const Security&) = delete;
    Security& operator=(const Security&) = delete;

    // Always the same record; its descriptor is null when nothing was built.
    virtual SECURITY_ATTRIBUTES* getSecurityAttributes();
    // Replaces the access list of a kernel object with the descriptor's.
    virtual void doApply(HANDLE object);
    // Replaces the access list of a registry key with the descriptor's.
    virtual void doApply(HKEY key);

    bool isEnabled() const { return enabled_; }

protected:
    SECURITY_ATTRIBUTES attributes_;
    bool enabled_;
};
