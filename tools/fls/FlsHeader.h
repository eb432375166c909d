// The 128-byte header of a "flash.fls" firmware file (layout in docs/protocol.md).
// No OS calls here: the same code serves the native tools and could be built into
// the Windows programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class FlsStatus {
    Ok,
    TooShort,   // fewer than 128 bytes
    BadMagic,   // not "KIVFLS01"
    BadText,    // a text field with a control byte or bytes after its terminator
    TextTooLong // a text does not fit its field (writing only)
};

// Why a printer refuses a received file (the header itself parsed well).
enum class FlsVerdict { Accepted, WrongModel, WrongLength, BadCrc };

const char* toString(FlsStatus status);
const char* toString(FlsVerdict verdict);

struct FlsHeader {
    static constexpr size_t kSize = 128;
    static constexpr char kMagic[9] = "KIVFLS01";
    static constexpr size_t kModelSize = 16;
    static constexpr size_t kVersionSize = 32;

    std::string model;
    std::string aioVersion;   // empty: the file carries no main-board part
    std::string panelVersion; // empty: no operator panel part
    std::string scanVersion;  // empty: no flash-scan part
    uint32_t payloadLength = 0;
    uint32_t payloadCrc = 0;

    // Writes exactly kSize bytes to out; on failure nothing is written.
    FlsStatus write(uint8_t* out) const;
    static FlsStatus parse(const uint8_t* data, size_t size, FlsHeader& out);

    // The printer's judgement of a file whose header parsed: the model must be the
    // printer's (letters compared case-blind), and the payload actually received
    // must have the declared length and CRC.
    FlsVerdict judge(const std::string& printerModel, uint64_t receivedLength,
                     uint32_t receivedCrc) const;
};
