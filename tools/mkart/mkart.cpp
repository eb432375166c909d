// Writes the package artwork: mkart bmp FILE | mkart avi FILE
#include "Art.h"

#include <cstdio>
#include <cstring>

namespace {

bool writeAll(const char* path, const std::vector<uint8_t>& data) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "bmp") != 0 && std::strcmp(argv[1], "avi") != 0)) {
        std::fprintf(stderr, "usage: mkart bmp|avi FILE\n");
        return 2;
    }
    // The background covers a wizard page of 473 x 266 dialog units at the
    // usual 8-point dialog font.
    std::vector<uint8_t> data = std::strcmp(argv[1], "bmp") == 0 ? art::makeBackgroundBmp(710, 432)
                                                                 : art::makeDropAvi(80, 60, 16, 10);
    if (!writeAll(argv[2], data)) {
        std::fprintf(stderr, "mkart: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
