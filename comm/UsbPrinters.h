// USB printers present now, found through the USB printing device interface.
#pragma once

#include <string>
#include <vector>

struct UsbPrinterPath {
    std::wstring devicePath;
    std::wstring vid; // from the path; empty when it names none
    std::wstring pid;
};

std::vector<UsbPrinterPath> findUsbPrinters();
