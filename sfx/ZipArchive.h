// Reading a ZIP archive that sits at the end of a larger file (our extractor
// program followed by the archive). No OS calls: the caller hands in the
// bytes of the whole file and a sink for the extracted data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class ZipStatus {
    Ok,
    NoEndRecord,    // no end-of-central-directory record
    Unsupported,    // multi-disk, ZIP64, encryption or a method other than stored/deflate
    BadDirectory,   // central directory out of bounds or malformed
    BadLocalHeader, // local header missing or disagreeing with the directory
    UnsafeName,     // an entry would land outside the target folder
    DuplicateName,  // two entries for the same file
    DataError,      // the compressed data does not inflate cleanly
    SizeMismatch,   // inflated size differs from the directory
    CrcMismatch,    // CRC-32 of the data differs from the directory
    WriteFailed,    // the sink refused the data
};

const char* toString(ZipStatus status);

struct ZipEntry {
    std::string name;       // as stored, '/' separated
    bool utf8 = false;      // general-purpose flag bit 11
    bool directory = false; // name ends with '/'
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint64_t dataOffset = 0; // of the entry's data in the whole file
};

// A name is safe when every component is a plain relative name: no absolute
// path, drive letter, "..", ":" (drive or stream), backslash, control byte,
// trailing dot or blank, or reserved device name.
bool isSafeEntryName(const std::string& name);

class ZipArchive {
public:
    // data/size: the whole file; the archive may be preceded by anything and,
    // in a signed program, followed by the certificate table.
    ZipArchive(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // Reads and checks the whole central directory and every local header
    // before anything is extracted.
    ZipStatus open();
    const std::vector<ZipEntry>& entries() const { return entries_; }

    // Streams the entry's data to the sink in chunks and verifies size and
    // CRC at the end. The sink returns false to stop with WriteFailed.
    using Sink = std::function<bool(const uint8_t* chunk, size_t length)>;
    ZipStatus extract(const ZipEntry& entry, const Sink& sink) const;

private:
    // Where a signed program's certificate table begins (the archive ends
    // before it), or the file size when there is none.
    size_t certificateStart() const;
    ZipStatus findEnd(uint64_t& cdStart, uint32_t& cdSize, uint16_t& count, int64_t& delta) const;
    ZipStatus readDirectory(uint64_t cdStart, uint32_t cdSize, uint16_t count, int64_t delta);
    ZipStatus checkLocalHeader(ZipEntry& entry, uint64_t localOffset) const;

    const uint8_t* data_;
    size_t size_;
    std::vector<ZipEntry> entries_;
};
