// USB printers through the USB printing device interface: the interface path
// is opened like a file, commands are written and replies read back.
#pragma once

#include "Transport.h"

class UsbTransport : public Transport {
public:
    explicit UsbTransport(const std::wstring& devicePath);

    bool isReady() override;
    using Transport::exchange;
    Result exchange(const std::vector<uint8_t>& command, std::vector<uint8_t>& reply,
                    RawStart rawStart) override;
    Result sendFile(const std::wstring& path, uint32_t stallMs, uint32_t totalMs) override;
    std::wstring describe() const override { return path_; }

private:
    std::wstring path_;
};
