// Addresses of printers as the system finds them: entered dotted addresses,
// the spooler's TCP/IP ports and USB device interface paths.
#pragma once

#include "IpAddressCheck.h"

#include <cstdint>
#include <string>

// The values of one port of the spooler's standard TCP/IP port monitor.
struct SpoolerPortValues {
    std::wstring name;                      // the port's key name
    std::wstring hostName;                  // "HostName"
    std::wstring ipAddress;                 // "IPAddress"
    uint32_t portNumber = DefaultPortValue; // "PortNumber"
    uint32_t protocol = RawProtocol;        // "Protocol": 1 raw, 2 LPR
    static const uint32_t DefaultPortValue = 9100;
    static const uint32_t RawProtocol = 1;
};

// Where to reach the printer behind a spooler port: only raw ports with a
// dotted address ("IPAddress" first, then "HostName") and a port 1-65535.
// The address comes back in plain dotted decimal ("192.168.1.10" for
// "192.168.001.010").
bool spoolerPortTarget(const SpoolerPortValues& values, std::wstring& address, uint16_t& port);

// A USB printer port's name as Windows writes it: the base name and the
// number in at least three digits ("USB" and 2 give "USB002").
std::wstring usbPortName(const std::wstring& baseName, uint32_t number);

// Vendor and product identifiers ("vid_XXXX", "pid_XXXX", any letter case)
// from a USB device interface path, as four upper-case hexadecimal digits.
bool usbIdentifiersFromPath(const std::wstring& path, std::wstring& vid, std::wstring& pid);
