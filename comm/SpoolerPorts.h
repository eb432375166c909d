// The TCP/IP printer ports that the Windows spooler knows, read from the
// standard TCP/IP port monitor's registry keys.
#pragma once

#include "DeviceAddress.h"

#include <map>
#include <string>
#include <vector>

// The monitor's key below HKEY_LOCAL_MACHINE; one subkey per port.
extern const wchar_t* const SpoolerPortsKey;

// Every port subkey with its values; missing values keep their defaults. An
// absent monitor key gives an empty list.
std::vector<SpoolerPortValues> readSpoolerPorts();

// The spooler's print queues below HKEY_LOCAL_MACHINE; one subkey per queue.
extern const wchar_t* const PrintQueuesKey;

// For each port name (upper case), the drivers of the print queues that print
// to it, in the order the queues are listed. A queue that pools several ports
// names them separated by commas.
std::map<std::wstring, std::vector<std::wstring>> readQueueDrivers();
