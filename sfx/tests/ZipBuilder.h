// Builds small ZIP archives in memory for the tests, including broken ones.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

class ZipBuilder {
public:
    struct Item {
        std::string name;
        std::string data;
        bool deflate;
        uint32_t localOffset;
        uint32_t crc;
        uint32_t csize;
    };

    void add(const std::string& name, const std::string& data, bool deflate = true) {
        items_.push_back({name, data, deflate, 0, 0, 0});
    }
    // The DOS time and date (low and high half) of every entry; none by default.
    uint32_t packedAt = 0;

    // prefix: bytes before the archive (the stub). relativeOffsets: offsets
    // counted from the archive start, as a plain "cat stub archive" gives.
    std::vector<uint8_t> build(const std::string& prefix = std::string(),
                               bool relativeOffsets = false) {
        std::vector<uint8_t> out(prefix.begin(), prefix.end());
        uint32_t base = relativeOffsets ? static_cast<uint32_t>(prefix.size()) : 0;
        for (Item& it : items_) {
            std::string payload = it.deflate ? rawDeflate(it.data) : it.data;
            it.crc = crc32(0, reinterpret_cast<const Bytef*>(it.data.data()),
                           static_cast<uInt>(it.data.size()));
            it.csize = static_cast<uint32_t>(payload.size());
            it.localOffset = static_cast<uint32_t>(out.size()) - base;
            put32(out, 0x04034b50);
            put16(out, 20);
            put16(out, 0);
            put16(out, it.deflate ? 8 : 0);
            put32(out, packedAt);
            put32(out, it.crc);
            put32(out, it.csize);
            put32(out, static_cast<uint32_t>(it.data.size()));
            put16(out, static_cast<uint16_t>(it.name.size()));
            put16(out, 0);
            out.insert(out.end(), it.name.begin(), it.name.end());
            out.insert(out.end(), payload.begin(), payload.end());
        }
        uint32_t cdStart = static_cast<uint32_t>(out.size());
        for (const Item& it : items_) {
            put32(out, 0x02014b50);
            put16(out, 20);
            put16(out, 20);
            put16(out, 0);
            put16(out, it.deflate ? 8 : 0);
            put32(out, packedAt);
            put32(out, it.crc);
            put32(out, it.csize);
            put32(out, static_cast<uint32_t>(it.data.size()));
            put16(out, static_cast<uint16_t>(it.name.size()));
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put32(out, 0);
            put32(out, it.localOffset);
            out.insert(out.end(), it.name.begin(), it.name.end());
        }
        uint32_t cdSize = static_cast<uint32_t>(out.size()) - cdStart;
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, static_cast<uint16_t>(items_.size()));
        put16(out, static_cast<uint16_t>(items_.size()));
        put32(out, cdSize);
        put32(out, cdStart - base);
        put16(out, 0);
        return out;
    }

    const std::vector<Item>& items() const { return items_; }

    static std::string rawDeflate(const std::string& data) {
        z_stream zs{};
        deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        zs.avail_in = static_cast<uInt>(data.size());
        zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
        zs.avail_out = static_cast<uInt>(out.size());
        deflate(&zs, Z_FINISH);
        out.resize(zs.total_out);
        deflateEnd(&zs);
        return out;
    }

private:
    static void put16(std::vector<uint8_t>& v, uint16_t x) {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
    }
    static void put32(std::vector<uint8_t>& v, uint32_t x) {
        put16(v, static_cast<uint16_t>(x));
        put16(v, static_cast<uint16_t>(x >> 16));
    }

    std::vector<Item> items_;
};
