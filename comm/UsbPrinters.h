// USB printers present now, found through the USB printing device interface.
#pragma once

#include <string>
#include <vector>

struct UsbPrinterPath {
    std::wstring devicePath;
    std::wstring vid; // from the path; empty when it names none
    std::wstring pid;
    // The name Windows gives the printer's port ("USB001"); empty when the
    // driver keeps none.
    std::wstring portName;
};

std::vector<UsbPrinterPath> findUsbPrinters();
