#include "ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

// A record of the archive: the signature it starts with and the length of its
// fixed part, before the names and fields of variable length.
struct RecordKind {
    uint32_t signature;
    size_t size;
};
const RecordKind kEnd = {0x06054b50, 22};
const RecordKind kCentral = {0x02014b50, 46};
const RecordKind kLocal = {0x04034b50, 30};

const size_t kChunk = 64 * 1024;
const uint32_t kSecurityDirectory = 4;
const size_t kCertificateAlignment = 8;

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isReservedDeviceName(const std::string& component) {
    // Windows opens the device for "NUL" and for "NUL.txt" alike.
    std::string base = upper(component.substr(0, component.find('.')));
    static const char* const names[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* n : names)
        if (base == n)
            return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '0' && base[3] <= '9')
        return true;
    return false;
}

bool isSafeComponent(const std::string& c) {
    if (c.empty() || c == "." || c == "..")
        return false;
    if (c.back() == '.' || c.back() == ' ')
        return false;
    return !isReservedDeviceName(c);
}

} // namespace

const char* toString(ZipStatus status) {
    switch (status) {
    case ZipStatus::Ok:
        return "ok";
    case ZipStatus::NoEndRecord:
        return "no end-of-central-directory record";
    case ZipStatus::Unsupported:
        return "unsupported archive feature";
    case ZipStatus::BadDirectory:
        return "damaged central directory";
    case ZipStatus::BadLocalHeader:
        return "damaged local header";
    case ZipStatus::UnsafeName:
        return "entry name outside the target folder";
    case ZipStatus::DuplicateName:
        return "duplicate entry";
    case ZipStatus::DataError:
        return "damaged compressed data";
    case ZipStatus::SizeMismatch:
        return "size mismatch";
    case ZipStatus::CrcMismatch:
        return "CRC mismatch";
    case ZipStatus::WriteFailed:
        return "write failed";
    }
    return "unknown";
}

bool isSafeEntryName(const std::string& name) {
    if (name.empty() || name[0] == '/')
        return false;
    for (unsigned char ch : name) {
        if (ch < 0x20 || ch == 0x7F)
            return false;
        if (ch == '\\' || ch == ':' || ch == '<' || ch == '>' || ch == '"' || ch == '|' ||
            ch == '?' || ch == '*')
            return false;
    }
    size_t start = 0;
    while (true) {
        size_t slash = name.find('/', start);
        if (!isSafeComponent(name.substr(start, slash - start)))
            return false;
        if (slash == std::string::npos)
            return true;
        start = slash + 1;
    }
}

ZipStatus ZipArchive::open() {
    entries_.clear();
    uint64_t cdStart = 0;
    uint32_t cdSize = 0;
    uint16_t count = 0;
    int64_t delta = 0;
    ZipStatus st = findEnd(cdStart, cdSize, count, delta);
    if (st != ZipStatus::Ok)
        return st;
    return readDirectory(cdStart, cdSize, count, delta);
}

size_t ZipArchive::certificateStart() const {
    // A signed program ends with its certificate table, which the PE header's
    // security directory (entry 4) locates by file offset.
    if (size_ < 0x40 || data_[0] != 'M' || data_[1] != 'Z')
        return size_;
    const uint64_t pe = le32(data_ + 0x3C);
    if (pe + 24 > size_ || le32(data_ + pe) != 0x00004550)
        return size_;
    const uint64_t optional = pe + 24;
    const uint64_t optionalEnd = optional + le16(data_ + pe + 20);
    if (optional + 2 > size_)
        return size_;
    const uint16_t magic = le16(data_ + optional);
    const uint64_t countAt = optional + (magic == 0x20b ? 108 : 92);
    if ((magic != 0x10b && magic != 0x20b) || countAt + 4 > size_)
        return size_;
    const uint64_t security = countAt + 4 + kSecurityDirectory * 8;
    if (le32(data_ + countAt) <= kSecurityDirectory || security + 8 > optionalEnd ||
        optionalEnd > size_)
        return size_;
    const uint32_t offset = le32(data_ + security);
    const uint32_t length = le32(data_ + security + 4);
    // Only a table that ends the file is the signature; anything after it
    // was added later and the archive does not end where it should.
    if (length == 0 || offset < optionalEnd || offset > size_ || size_ - offset != length)
        return size_;
    return offset;
}

ZipStatus ZipArchive::findEnd(uint64_t& cdStart, uint32_t& cdSize, uint16_t& count,
                              int64_t& delta) const {
    const size_t limit = certificateStart();
    if (limit < kEnd.size)
        return ZipStatus::NoEndRecord;
    // The record is followed only by its comment, which runs to the end of the
    // file or, in a signed program, to the zero bytes that align the
    // certificate table to 8 bytes.
    const size_t slack = limit == size_ ? 0 : kCertificateAlignment - 1;
    size_t lowest = limit - kEnd.size > 0xFFFF + slack ? limit - kEnd.size - 0xFFFF - slack : 0;
    for (size_t pos = limit - kEnd.size + 1; pos-- > lowest;) {
        const uint8_t* p = data_ + pos;
        if (le32(p) != kEnd.signature)
            continue;
        const size_t recordEnd = pos + kEnd.size + le16(p + 20);
        if (recordEnd > limit || limit - recordEnd > slack ||
            std::any_of(data_ + recordEnd, data_ + limit, [](uint8_t b) { return b != 0; }))
            continue;
        if (le16(p + 4) != 0 || le16(p + 6) != 0 || le16(p + 8) != le16(p + 10))
            return ZipStatus::Unsupported;
        count = le16(p + 10);
        cdSize = le32(p + 12);
        uint32_t writtenOffset = le32(p + 16);
        if (count == 0xFFFF || cdSize == 0xFFFFFFFFu || writtenOffset == 0xFFFFFFFFu)
            return ZipStatus::Unsupported;
        if (cdSize > pos)
            return ZipStatus::BadDirectory;
        // Offsets may be relative to the archive instead of the file when the
        // archive was appended to the program without adjustment.
        cdStart = pos - cdSize;
        delta = static_cast<int64_t>(cdStart) - static_cast<int64_t>(writtenOffset);
        if (delta < 0)
            return ZipStatus::BadDirectory;
        return ZipStatus::Ok;
    }
    return ZipStatus::NoEndRecord;
}

ZipStatus ZipArchive::readDirectory(uint64_t cdStart, uint32_t cdSize, uint16_t count,
                                    int64_t delta) {
    uint64_t pos = cdStart;
    const uint64_t end = cdStart + cdSize;
    std::set<std::string> seen;
    for (uint16_t i = 0; i < count; ++i) {
        if (pos + kCentral.size > end || le32(data_ + pos) != kCentral.signature)
            return ZipStatus::BadDirectory;
        const uint8_t* p = data_ + pos;
        uint16_t flags = le16(p + 8);
        ZipEntry e;
        e.method = le16(p + 10);
        e.crc = le32(p + 16);
        e.compressedSize = le32(p + 20);
        e.size = le32(p + 24);
        uint16_t nameLen = le16(p + 28);
        uint64_t recordLen = kCentral.size + nameLen + le16(p + 30) + le16(p + 32);
        uint32_t localOffset = le32(p + 42);
        if (pos + recordLen > end || nameLen == 0)
            return ZipStatus::BadDirectory;
        if ((flags & 0x0001) || (e.method != 0 && e.method != 8) ||
            e.compressedSize == 0xFFFFFFFFu || e.size == 0xFFFFFFFFu || localOffset == 0xFFFFFFFFu)
            return ZipStatus::Unsupported;
        if (e.method == 0 && e.compressedSize != e.size)
            return ZipStatus::BadDirectory;
        e.utf8 = (flags & 0x0800) != 0;
        e.name.assign(reinterpret_cast<const char*>(p + kCentral.size), nameLen);
        std::string path = e.name;
        if (path.back() == '/') {
            e.directory = true;
            path.pop_back();
        }
        if (!isSafeEntryName(path))
            return ZipStatus::UnsafeName;
        if (!seen.insert(upper(path)).second)
            return ZipStatus::DuplicateName;
        ZipStatus st = checkLocalHeader(e, localOffset + static_cast<uint64_t>(delta));
        if (st != ZipStatus::Ok)
            return st;
        if (e.dataOffset + e.compressedSize > cdStart)
            return ZipStatus::BadLocalHeader;
        entries_.push_back(e);
        pos += recordLen;
    }
    return ZipStatus::Ok;
}

ZipStatus ZipArchive::checkLocalHeader(ZipEntry& entry, uint64_t localOffset) const {
    if (localOffset + kLocal.size > size_)
        return ZipStatus::BadLocalHeader;
    const uint8_t* p = data_ + localOffset;
    if (le32(p) != kLocal.signature || le16(p + 8) != entry.method)
        return ZipStatus::BadLocalHeader;
    uint16_t nameLen = le16(p + 26);
    uint64_t dataOffset = localOffset + kLocal.size + nameLen + le16(p + 28);
    if (dataOffset > size_ || nameLen != entry.name.size() ||
        entry.name.compare(0, nameLen, reinterpret_cast<const char*>(p + kLocal.size), nameLen) !=
            0)
        return ZipStatus::BadLocalHeader;
    entry.dataOffset = dataOffset;
    return ZipStatus::Ok;
}

ZipStatus ZipArchive::extract(const ZipEntry& entry, const Sink& sink) const {
    const uint8_t* in = data_ + entry.dataOffset;
    uLong crc = crc32(0L, Z_NULL, 0);
    if (entry.method == 0) {
        for (uint32_t done = 0; done < entry.size;) {
            uInt n = static_cast<uInt>(std::min<uint64_t>(kChunk, entry.size - done));
            crc = crc32(crc, in + done, n);
            if (!sink(in + done, n))
                return ZipStatus::WriteFailed;
            done += n;
        }
        return crc == entry.crc ? ZipStatus::Ok : ZipStatus::CrcMismatch;
    }

    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return ZipStatus::DataError;
    zs.next_in = const_cast<Bytef*>(in);
    zs.avail_in = entry.compressedSize;
    std::vector<uint8_t> out(kChunk);
    uint64_t total = 0;
    ZipStatus st = ZipStatus::Ok;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        size_t produced = out.size() - zs.avail_out;
        if (rc != Z_OK && rc != Z_STREAM_END) {
            st = ZipStatus::DataError;
            break;
        }
        total += produced;
        // Never hand out more than the directory promised.
        if (total > entry.size) {
            st = ZipStatus::SizeMismatch;
            break;
        }
        crc = crc32(crc, out.data(), static_cast<uInt>(produced));
        if (produced > 0 && !sink(out.data(), produced)) {
            st = ZipStatus::WriteFailed;
            break;
        }
        if (rc == Z_OK && produced == 0 && zs.avail_in == 0) {
            st = ZipStatus::DataError; // input ran out before the end of the stream
            break;
        }
    }
    inflateEnd(&zs);
    if (st != ZipStatus::Ok)
        return st;
    if (zs.avail_in != 0)
        return ZipStatus::DataError;
    if (total != entry.size)
        return ZipStatus::SizeMismatch;
    return crc == entry.crc ? ZipStatus::Ok : ZipStatus::CrcMismatch;
}
