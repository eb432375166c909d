// A failed operating-system call: the code is the call's last error (or the
// status it returned), and the code text carries the system's message for it.
#pragma once

#include "Exception.h"

class Win32Exception : public Exception {
public:
    using Exception::Exception;

    // "" for code 0, otherwise "Win32(<code>): <system message>".
    std::wstring getCodeText() const override;
};
