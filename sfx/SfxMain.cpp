// The self-extracting package program: this program followed by a ZIP archive.
// Started without arguments, it extracts the archive into its current folder,
// overwriting, and shows nothing. Everything is first inflated and verified
// into temporary files; only when every entry is whole are they renamed to
// their final names, so a damaged archive leaves no file of its own behind.
// The renaming is all or nothing too: if one fails, the files already put in
// place are removed and the ones they replaced are put back.
//
// Exit codes: 0 done, 1 cannot read itself, 2 damaged or unsafe archive,
// 3 cannot write into the folder.
#include "WindowsSupport.h"

#include "ScopedHandle.h"
#include "ZipArchive.h"

#include <set>
#include <string>
#include <vector>

namespace {

enum ExitCode { ExitOk = 0, ExitNoSelf = 1, ExitDamaged = 2, ExitWrite = 3 };

// Our own temporary files in the target folder: staged data and the files
// they replace, kept until every entry is in place.
const wchar_t kOwnPrefix[] = L".sfx-";
const size_t kOwnPrefixLength = sizeof(kOwnPrefix) / sizeof(wchar_t) - 1;
const wchar_t kPartPrefix[] = L".sfx-part-";
const wchar_t kKeptPrefix[] = L".sfx-kept-";

// The file system ignores letter case, so must the test for our own names.
bool isOwnName(const std::wstring& name) {
    return name.size() >= kOwnPrefixLength &&
           ::CompareStringOrdinal(name.c_str(), static_cast<int>(kOwnPrefixLength), kOwnPrefix,
                                  static_cast<int>(kOwnPrefixLength), TRUE) == CSTR_EQUAL;
}

// The key under which the file system knows a name: it ignores letter case
// in every script, not only in ASCII, and two entries whose names differ only
// there (or only in the code page they were written in) are one file.
std::wstring fileSystemKey(const std::wstring& name) {
    std::wstring key = name;
    if (!key.empty())
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.c_str(),
                       static_cast<int>(name.size()), &key[0], static_cast<int>(key.size()));
    return key;
}

struct MappedView {
    const uint8_t* data = nullptr;
    ~MappedView() {
        if (data)
            ::UnmapViewOfFile(data);
    }
};

std::wstring ownPath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::wstring();
        if (n < buf.size())
            return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::wstring toWide(const ZipEntry& entry) {
    // Names without the UTF-8 flag are in the archive's historic code page 437.
    UINT cp = entry.utf8 ? CP_UTF8 : 437;
    int n = ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, entry.name.data(),
                                  static_cast<int>(entry.name.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, entry.name.data(),
                          static_cast<int>(entry.name.size()), &w[0], n);
    for (wchar_t& c : w)
        if (c == L'/')
            c = L'\\';
    while (!w.empty() && w.back() == L'\\')
        w.pop_back();
    return w;
}

// Creates every folder on the way to path (relative, backslash separated);
// with includeLast the last component is a folder too.
bool makeFolders(const std::wstring& path, bool includeLast) {
    size_t pos = 0;
    for (;;) {
        size_t sep = path.find(L'\\', pos);
        if (sep == std::wstring::npos && !includeLast)
            return true;
        std::wstring folder = path.substr(0, sep);
        if (!::CreateDirectoryW(folder.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        DWORD attrs = ::GetFileAttributesW(folder.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY))
            return false;
        if (sep == std::wstring::npos)
            return true;
        pos = sep + 1;
    }
}

struct Staged {
    std::wstring temp;
    std::wstring final;
    std::wstring kept; // where a file that final replaces waits until all are in place
    bool keptAside = false;
    DWORD keptAttributes = 0;
    bool placed = false;
};

void discard(const std::vector<Staged>& staged) {
    for (const Staged& s : staged)
        ::DeleteFileW(s.temp.c_str());
}

// The folder part of a relative path ("" for a name in the target folder).
std::wstring parentOf(const std::wstring& path) {
    const size_t sep = path.rfind(L'\\');
    return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep);
}

// A file just written, or one an earlier run left, may be held for a moment
// by a virus scanner that opened it without leaving it free to be renamed.
// That is no failed unpacking: such a refusal is tried again for a while.
const int kMoveAttempts = 25;
const DWORD kMovePauseMs = 100;

bool moveFile(const std::wstring& from, const std::wstring& to, DWORD flags) {
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), flags))
            return true;
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          error == ERROR_ACCESS_DENIED;
        if (!held || attempt == kMoveAttempts) {
            ::SetLastError(error);
            return false;
        }
        ::Sleep(kMovePauseMs);
    }
}

// Puts one staged file in place; an existing file of that name is kept aside.
// Folders made (or found) once are not asked for again: every question is a
// round trip to the file system, and most entries share a few folders.
bool place(Staged& s, std::set<std::wstring>& folders) {
    const std::wstring parent = parentOf(s.final);
    if (!parent.empty() && !folders.count(parent)) {
        if (!makeFolders(s.final, false))
            return false;
        folders.insert(parent);
    }
    // Most names are new: only a name that is taken needs its file kept aside.
    if (moveFile(s.temp, s.final, 0)) {
        s.placed = true;
        return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS)
        return false;
    DWORD attrs = ::GetFileAttributesW(s.final.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        // Overwriting must also work for a read-only file left by an earlier run.
        ::SetFileAttributesW(s.final.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!moveFile(s.final, s.kept, MOVEFILE_REPLACE_EXISTING)) {
            ::SetFileAttributesW(s.final.c_str(), attrs);
            return false;
        }
        s.keptAside = true;
        s.keptAttributes = attrs;
    }
    s.placed = moveFile(s.temp, s.final, 0);
    return s.placed;
}

// All or nothing: what was placed goes, and the files it replaced come back.
void undo(const std::vector<Staged>& staged) {
    for (auto it = staged.rbegin(); it != staged.rend(); ++it) {
        ::DeleteFileW((it->placed ? it->final : it->temp).c_str());
        if (it->keptAside && moveFile(it->kept, it->final, 0))
            ::SetFileAttributesW(it->final.c_str(), it->keptAttributes);
    }
}

ZipStatus inflateToFile(const ZipArchive& zip, const ZipEntry& entry, const std::wstring& temp) {
    ScopedFileHandle out(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out)
        return ZipStatus::WriteFailed;
    ZipStatus st = zip.extract(entry, [&](const uint8_t* chunk, size_t length) {
        DWORD written = 0;
        return ::WriteFile(out.get(), chunk, static_cast<DWORD>(length), &written, nullptr) &&
               written == length;
    });
    if (!out.reset() && st == ZipStatus::Ok)
        st = ZipStatus::WriteFailed;
    return st;
}

int extractAll(const ZipArchive& zip) {
    std::vector<Staged> staged;
    std::vector<std::wstring> folders;
    std::set<std::wstring> keys;
    for (size_t i = 0; i < zip.entries().size(); ++i) {
        const ZipEntry& entry = zip.entries()[i];
        std::wstring name = toWide(entry);
        // A name of our own temporary files would let one entry overwrite
        // another's staged data, and two names that are one file to the file
        // system would let the later entry silently replace the earlier one.
        if (name.empty() || isOwnName(name) || !keys.insert(fileSystemKey(name)).second) {
            discard(staged);
            return ExitDamaged;
        }
        if (entry.directory) {
            folders.push_back(name);
            continue;
        }
        Staged s;
        s.temp = kPartPrefix + std::to_wstring(i);
        s.final = name;
        s.kept = kKeptPrefix + std::to_wstring(i);
        ZipStatus st = inflateToFile(zip, entry, s.temp);
        staged.push_back(s);
        if (st != ZipStatus::Ok) {
            discard(staged);
            return st == ZipStatus::WriteFailed ? ExitWrite : ExitDamaged;
        }
    }
    std::set<std::wstring> made;
    for (const std::wstring& f : folders) {
        if (!makeFolders(f, true)) {
            discard(staged);
            return ExitWrite;
        }
        for (std::wstring p = f; !p.empty(); p = parentOf(p))
            made.insert(p);
    }
    for (Staged& s : staged) {
        if (!place(s, made)) {
            undo(staged);
            return ExitWrite;
        }
    }
    for (const Staged& s : staged)
        if (s.keptAside)
            ::DeleteFileW(s.kept.c_str());
    return ExitOk;
}

int run() {
    std::wstring self = ownPath();
    if (self.empty())
        return ExitNoSelf;
    ScopedFileHandle file(::CreateFileW(self.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ExitNoSelf;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.HighPart != 0)
        return ExitDamaged;
    ScopedKernelHandle mapping(
        ::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return ExitNoSelf;
    MappedView view;
    view.data = static_cast<const uint8_t*>(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.data)
        return ExitNoSelf;
    ZipArchive zip(view.data, static_cast<size_t>(size.QuadPart));
    if (zip.open() != ZipStatus::Ok)
        return ExitDamaged;
    return extractAll(zip);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return run();
}
