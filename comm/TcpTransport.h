// Network printers: TCP to the printer's raw port.
#pragma once

#include "Transport.h"

class TcpTransport : public Transport {
public:
    // address: dotted IPv4; anything else is never reachable.
    TcpTransport(const std::wstring& address, uint16_t port);

    bool isReady() override;
    using Transport::exchange;
    Result exchange(const std::vector<uint8_t>& command, std::vector<uint8_t>& reply,
                    RawStart rawStart) override;
    Result sendFile(const std::wstring& path, uint32_t stallMs, uint32_t totalMs) override;
    std::wstring describe() const override;

private:
    std::wstring address_;
    uint16_t port_;
};
