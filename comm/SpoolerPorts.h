// The TCP/IP printer ports that the Windows spooler knows, read from the
// standard TCP/IP port monitor's registry keys.
#pragma once

#include "DeviceAddress.h"

#include <vector>

// The monitor's key below HKEY_LOCAL_MACHINE; one subkey per port.
extern const wchar_t* const SpoolerPortsKey;

// Every port subkey with its values; missing values keep their defaults. An
// absent monitor key gives an empty list.
std::vector<SpoolerPortValues> readSpoolerPorts();
