#include "CIniReader.h"

#include "IniValueSplit.h"
#include "MethodTrace.h"
#include "ProfileFile.h"
#include "ProfileMemo.h"
#include "TextCase.h"

#include <algorithm>
#include <cstdint>

namespace {
const uint32_t kBufferChars = 2000;
// The most a value or list is read to; longer ones are cut there.
const uint32_t kMostChars = 1u << 20;
} // namespace

CIniReader::CIniReader() {
    MethodTrace trace(LogKIVInit, L"CIniReader::CIniReader: ");
}

CIniReader::~CIniReader() {
    MethodTrace trace(LogKIVInit, L"CIniReader::~CIniReader: ");
}

void CIniReader::setINIFileName(const std::wstring& path) {
    logLine(LogKIVInit, L"CIniReader::setINIFileName iniPath=", path);
    path_ = path;
}

namespace {

ProfileMemo& profileMemo() {
    static ProfileMemo memo(&profileFileBytes, &profileFileStamp);
    return memo;
}

// Reads an answer into text, read again into a larger buffer while it fills
// the buffer: the system cuts a longer value (or list, which ends with two
// NULs) to the buffer without a word, and a sequence cut short would run
// only its first steps. Returns the count, the text holding it and its NULs.
template <class SystemRead>
uint32_t readWhole(ProfileMemo::Lookup& lookup, const std::wstring& what, bool list,
                   std::wstring& text, SystemRead system) {
    const uint32_t reserved = list ? 2 : 1;
    for (uint32_t size = kBufferChars;; size = std::min(size * 4, kMostChars)) {
        text.assign(size, L'\0');
        const uint32_t count = lookup.read(what, &text[0], size, system);
        if (count + reserved < size || size >= kMostChars)
            return count < size - reserved ? count : size - reserved;
    }
}

uint32_t readValue(ProfileMemo::Lookup& lookup, const std::wstring& path,
                   const std::wstring& section, const wchar_t* key, std::wstring& text) {
    const std::wstring what = key ? L"v" + section + L'\0' + key : L"k" + section;
    return readWhole(lookup, what, key == nullptr, text, [&](wchar_t* into, uint32_t size) {
        return profileString(section.c_str(), key, L"", into, size, path.c_str());
    });
}

// Calls visit(section) for every section name of the file, in file order,
// until it returns true. A section written twice is listed twice, though
// every read of it gives its first copy: it is visited once, or its values
// would count twice (a flash step run again).
template <class Visit>
void forEachSection(ProfileMemo::Lookup& lookup, const std::wstring& path, Visit visit) {
    std::wstring names;
    const uint32_t count = readWhole(lookup, L"n", true, names, [&](wchar_t* into, uint32_t size) {
        return profileSectionNames(into, size, path.c_str());
    });
    std::wstring section;
    std::vector<std::wstring> visited;
    for (uint32_t i = 0; i < count; ++i) {
        if (names[i] != L'\0') {
            section += names[i];
            continue;
        }
        const bool again =
            std::any_of(visited.begin(), visited.end(), [&](const std::wstring& seen) {
                return equalsIgnoringCase(seen, section);
            });
        if (!section.empty() && !again) {
            if (visit(section))
                break;
            visited.push_back(section);
        }
        section.clear();
    }
}

// Calls found(value, count) with the key's value in each section that has it,
// in file order, until it returns true. Without a path the system would read
// its own initialisation file: nothing is read then.
template <class Found>
void forEachValue(const std::wstring& path, const std::wstring& key, Found found) {
    if (path.empty())
        return;
    std::wstring value;
    ProfileMemo::Lookup lookup(profileMemo(), path);
    forEachSection(lookup, path, [&](const std::wstring& section) {
        const uint32_t count = readValue(lookup, path, section, key.c_str(), value);
        return count > 0 && found(value, count);
    });
}

} // namespace

bool CIniReader::keyExists(const std::wstring& key) {
    logLine(LogKIVInit, L"CIniReader::keyExists key=", key);
    bool found = false;
    forEachValue(path_, key, [&](std::wstring&, uint32_t) {
        found = true;
        return true;
    });
    return found;
}

const std::vector<std::wstring>& CIniReader::getKeyValue(const std::wstring& key) {
    logLine(LogKIVInit, L"CIniReader::getKeyValue key=", key);
    keyValues_.clear();
    forEachValue(path_, key, [&](std::wstring& value, uint32_t count) {
        appendCommaPieces(value.data(), count, keyValues_);
        return false;
    });
    return keyValues_;
}

bool CIniReader::firstValue(const std::wstring& key, std::wstring& value) {
    const std::vector<std::wstring>& values = getKeyValue(key);
    if (values.empty())
        return false;
    value = trimBlanks(values[0]);
    return true;
}

const std::vector<std::wstring>& CIniReader::getSectionKeys(const std::wstring& section) {
    logLine(LogKIVInit, L"CIniReader::getSectionKeys section=", section);
    sectionKeys_.clear();
    if (path_.empty())
        return sectionKeys_;
    std::wstring keys;
    ProfileMemo::Lookup lookup(profileMemo(), path_);
    uint32_t count = readValue(lookup, path_, section, nullptr, keys);
    appendNullSeparated(keys.data(), count, sectionKeys_);
    return sectionKeys_;
}
