// The package program's ZIP reader with any file. Beyond running clean: every
// entry of an archive that opens has its data inside the file, a name that
// the safety check accepts and that, resolved the way Windows resolves a
// path, never leaves the target folder, and no two entries name the same
// file; extracting never hands out more bytes than the directory declares,
// and a successful extraction hands out exactly that many.
#include "FuzzInput.h"
#include "ZipArchive.h"

#include <set>

namespace {

// Independent of the reader's own rules: separators of either kind, trailing
// dots and blanks dropped from each component as Windows drops them.
bool staysInside(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        return false;
    int depth = 0;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        while (!part.empty() && (part.back() == '.' || part.back() == ' '))
            part.pop_back();
        bool dotsOnly = name.compare(start, end - start, std::string(end - start, '.')) == 0;
        if (dotsOnly && end - start >= 2)
            --depth;
        else if (!part.empty())
            ++depth;
        if (depth < 0)
            return false;
        start = end + 1;
    }
    return true;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZipArchive zip(data, size);
    if (zip.open() != ZipStatus::Ok)
        return 0;
    std::set<std::string> names;
    for (const ZipEntry& e : zip.entries()) {
        FUZZ_CHECK(e.dataOffset <= size && e.compressedSize <= size - e.dataOffset);
        std::string path = e.name;
        if (e.directory)
            path.pop_back();
        FUZZ_CHECK(isSafeEntryName(path));
        FUZZ_CHECK(staysInside(path));
        FUZZ_CHECK(names.insert(lower(path)).second);
        uint64_t handed = 0;
        ZipStatus st = zip.extract(e, [&](const uint8_t*, size_t n) {
            handed += n;
            return true;
        });
        FUZZ_CHECK(handed <= e.size);
        if (st == ZipStatus::Ok)
            FUZZ_CHECK(handed == e.size);
    }
    return 0;
}
