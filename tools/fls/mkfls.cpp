// Makes a firmware file in our "flash.fls" format with a pseudo-random payload, or
// prints the header of an existing one (--info).
#include "Crc32.h"
#include "FlsHeader.h"
#include "FlsPayload.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: mkfls --model M --aio V [--panel V] [--scan V] [--payload-bytes N] [--seed S]\n"
    "             [--bad-crc] --out FILE\n"
    "       mkfls --info FILE\n";

struct Options {
    FlsHeader header;
    unsigned long long payloadBytes = 4ull << 20;
    unsigned long long seed = 1;
    bool badCrc = false;
    std::string out;
    std::string info;
};

bool parseNumber(const char* text, unsigned long long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtoull(text, &end, 0);
    return errno == 0 && end != text && *end == 0 && text[0] != '-';
}

bool parseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--bad-crc") {
            o.badCrc = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "mkfls: %s needs a value\n", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--model")
            o.header.model = v;
        else if (a == "--aio")
            o.header.aioVersion = v;
        else if (a == "--panel")
            o.header.panelVersion = v;
        else if (a == "--scan")
            o.header.scanVersion = v;
        else if (a == "--payload-bytes")
            ok = parseNumber(v, o.payloadBytes) && o.payloadBytes <= 0xFFFFFFFFull;
        else if (a == "--seed")
            ok = parseNumber(v, o.seed);
        else if (a == "--out")
            o.out = v;
        else if (a == "--info")
            o.info = v;
        else {
            std::fprintf(stderr, "mkfls: unknown option %s\n", a.c_str());
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "mkfls: bad value for %s: %s\n", a.c_str(), v);
            return false;
        }
    }
    if (!o.info.empty())
        return true;
    if (o.out.empty() || o.header.model.empty()) {
        std::fprintf(stderr, "mkfls: --model and --out are required\n");
        return false;
    }
    return true;
}

// The payload is made twice (once for the CRC, once to write) so that a large file
// never has to sit in memory whole.
uint32_t payloadCrc(const Options& o) {
    FlsPayload gen(o.seed);
    Crc32 crc;
    std::vector<uint8_t> buf(1 << 20);
    for (unsigned long long left = o.payloadBytes; left > 0;) {
        size_t n = left < buf.size() ? size_t(left) : buf.size();
        gen.fill(buf.data(), n);
        crc.update(buf.data(), n);
        left -= n;
    }
    return crc.value();
}

int make(Options& o) {
    o.header.payloadLength = uint32_t(o.payloadBytes);
    o.header.payloadCrc = payloadCrc(o) ^ (o.badCrc ? 0x5A5A5A5Au : 0u);
    uint8_t head[FlsHeader::kSize];
    FlsStatus st = o.header.write(head);
    if (st != FlsStatus::Ok) {
        std::fprintf(stderr, "mkfls: %s\n", toString(st));
        return 2;
    }
    std::string tmp = o.out + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "mkfls: cannot create %s: %s\n", tmp.c_str(), std::strerror(errno));
        return 1;
    }
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head;
    FlsPayload gen(o.seed);
    std::vector<uint8_t> buf(1 << 20);
    for (unsigned long long left = o.payloadBytes; ok && left > 0;) {
        size_t n = left < buf.size() ? size_t(left) : buf.size();
        gen.fill(buf.data(), n);
        ok = std::fwrite(buf.data(), 1, n, f) == n;
        left -= n;
    }
    ok = (std::fclose(f) == 0) && ok;
    // Renamed into place only when complete, so an interrupted build never leaves a
    // short file that looks up to date.
    if (!ok || std::rename(tmp.c_str(), o.out.c_str()) != 0) {
        std::fprintf(stderr, "mkfls: cannot write %s: %s\n", o.out.c_str(), std::strerror(errno));
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}

int info(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "mkfls: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    uint8_t head[FlsHeader::kSize];
    size_t got = std::fread(head, 1, sizeof head, f);
    FlsHeader h;
    FlsStatus st = FlsHeader::parse(head, got, h);
    if (st != FlsStatus::Ok) {
        std::fclose(f);
        std::printf("invalid: %s\n", toString(st));
        return 3;
    }
    Crc32 crc;
    unsigned long long length = 0;
    std::vector<uint8_t> buf(1 << 20);
    while ((got = std::fread(buf.data(), 1, buf.size(), f)) > 0) {
        crc.update(buf.data(), got);
        length += got;
    }
    std::fclose(f);
    FlsVerdict v = h.judge(h.model, length, crc.value());
    std::printf("model=%s\naio=%s\npanel=%s\nscan=%s\nlength=%u\ncrc=%08X\nverdict=%s\n",
                h.model.c_str(), h.aioVersion.c_str(), h.panelVersion.c_str(),
                h.scanVersion.c_str(), h.payloadLength, h.payloadCrc, toString(v));
    return v == FlsVerdict::Accepted ? 0 : 3;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return o.info.empty() ? make(o) : info(o.info);
}
