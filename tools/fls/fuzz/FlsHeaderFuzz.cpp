// The firmware file header with any bytes. Beyond running clean: a header
// that parses is written back byte for byte the same (every byte of it is
// accounted for), its texts are printable, and the printer accepts it with
// the declared length and CRC exactly when it names a model.
#include "FlsHeader.h"
#include "FuzzInput.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FlsHeader h;
    FlsStatus status = FlsHeader::parse(data, size, h);
    if (size < FlsHeader::kSize)
        FUZZ_CHECK(status == FlsStatus::TooShort);
    if (status != FlsStatus::Ok)
        return 0;
    uint8_t again[FlsHeader::kSize];
    FUZZ_CHECK(h.write(again) == FlsStatus::Ok);
    FUZZ_CHECK(std::memcmp(again, data, FlsHeader::kSize) == 0);
    for (const std::string* text : {&h.model, &h.aioVersion, &h.panelVersion, &h.scanVersion})
        for (unsigned char c : *text)
            FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    FlsVerdict verdict = h.judge(h.model, h.payloadLength, h.payloadCrc);
    FUZZ_CHECK((verdict == FlsVerdict::Accepted) == !h.model.empty());
    if (!h.model.empty())
        FUZZ_CHECK(h.judge(h.model, uint64_t(h.payloadLength) + 1, h.payloadCrc) ==
                   FlsVerdict::WrongLength);
    return 0;
}
