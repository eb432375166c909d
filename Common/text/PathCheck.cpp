#include "PathCheck.h"

#include "TextCase.h"

bool isAbsoluteWindowsPath(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) {
        wchar_t drive = path[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\';
}

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, whatever follows a dot
// and whatever the case.
bool isDeviceName(const std::wstring& name) {
    std::wstring base = upperAscii(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL")
        return true;
    return base.size() == 4 &&
           (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

} // namespace

std::wstring fileNameProblem(const std::wstring& path) {
    if (path.empty())
        return L"no file name was given";
    size_t start = 0;
    // "\\?\C:\..." passes names through unchanged: its '?' is no wildcard.
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        start = 4;
    const size_t drive = start + 1;
    for (size_t i = start; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' ||
            c == L'*' || (c == L':' && i != drive))
            return L"the name holds a character that Windows does not allow in a file name";
    }
    size_t nameStart = path.size();
    while (nameStart > start && !isSeparator(path[nameStart - 1]))
        --nameStart;
    const std::wstring name = path.substr(nameStart);
    if (name.empty() || name == L"." || name == L"..")
        return L"the path names a folder, not a file";
    // Every part of the path, not only the file's own name.
    for (size_t from = start; from < path.size();) {
        size_t end = from;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        const std::wstring part = path.substr(from, end - from);
        if (!part.empty() && part != L"." && part != L".." &&
            (part.back() == L'.' || part.back() == L' '))
            return L"a name in the path ends in a dot or a blank, which Windows drops";
        from = end + 1;
    }
    if (isDeviceName(name))
        return L"the name is a device name that Windows reserves";
    return std::wstring();
}
