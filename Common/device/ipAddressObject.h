// One network address named by the user or the command line, handed to the
// device enumeration. The communication library sets the status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ipAddressObject {
public:
    enum Status : int32_t {
        NoPrinter = 2,    // nothing answered at the address
        WrongPrinter = 3, // a printer answered, but not one this package fits
        PrinterFound = 1, // any value other than 2 and 3 means a usable printer
    };

    explicit ipAddressObject(const std::wstring& address = std::wstring())
        : address_(address), status_(NoPrinter) {}

    const std::wstring& getAddress() const { return address_; }
    void setAddress(const std::wstring& address) { address_ = address; }
    int32_t getStatus() const { return status_; }
    void setStatus(int32_t status) { status_ = status; }

private:
    std::wstring address_;
    int32_t status_;
};

typedef std::vector<ipAddressObject*> IpAddressArray;
