#include "TestSupport.h"

#include "ScopedHandle.h"

#include <atomic>

TempFolder::TempFolder() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base = (n > 0 && n <= MAX_PATH) ? std::wstring(temp, n) : L"C:\\";
    if (base.back() != L'\\')
        base += L'\\';
    path_ = base + L"kivtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(serial++) + L"\\";
    CreateDirectoryW(path_.c_str(), nullptr);
}

namespace {
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (find.valid()) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = folder + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryW(folder.c_str());
}
} // namespace

TempFolder::~TempFolder() {
    removeTree(path_);
}

std::wstring exeFolder() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    std::wstring path(buffer, n);
    return path.substr(0, path.rfind(L'\\') + 1);
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void createFolder(const std::wstring& path) {
    CreateDirectoryW(path.c_str(), nullptr);
}

std::string readFileBytes(const std::wstring& path) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file.valid())
        return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const std::string& bytes) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.valid() && !bytes.empty())
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool deleteFileRetrying(const std::wstring& path) {
    // A line write may hold the file open for a moment.
    for (int i = 0; i < 200; ++i) {
        if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
        Sleep(10);
    }
    return false;
}

namespace {
std::wstring brandKey(const wchar_t* brand) {
    return std::wstring(L"Software\\") + brand;
}
} // namespace

void setLogSwitchRaw(const wchar_t* brand, const void* data, uint32_t size, uint32_t type) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, brandKey(brand).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return;
    ScopedRegKey key(raw);
    RegSetValueExW(key.get(), L"kivlog", 0, type, static_cast<const BYTE*>(data), size);
}

void setLogSwitch(const wchar_t* brand, uint32_t value) {
    setLogSwitchRaw(brand, &value, sizeof(value), REG_DWORD);
}

void removeLogSwitch(const wchar_t* brand) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, brandKey(brand).c_str(), 0, KEY_SET_VALUE, &raw) !=
        ERROR_SUCCESS)
        return;
    ScopedRegKey key(raw);
    RegDeleteValueW(key.get(), L"kivlog");
}

ScopedTestLog::ScopedTestLog() : hadProfile_(false), logger_(nullptr) {
    wchar_t old[MAX_PATH + 1];
    DWORD n = GetEnvironmentVariableW(L"ALLUSERSPROFILE", old, MAX_PATH + 1);
    hadProfile_ = n > 0 && n <= MAX_PATH;
    if (hadProfile_)
        oldProfile_.assign(old, n);
    std::wstring folder = folder_.path().substr(0, folder_.path().size() - 1);
    SetEnvironmentVariableW(L"ALLUSERSPROFILE", folder.c_str());
    path_ = folder_.path() + L"KIVlog.txt";
    setLogSwitch(L"Tavrin", 1);
    removeLogSwitch(L"Oskel");
    BasicLogger::clearDisabledForTesting();
    logger_ = makeBasicLogger();
    removeLogSwitch(L"Tavrin");
}

ScopedTestLog::~ScopedTestLog() {
    delete logger_;
    SetEnvironmentVariableW(L"ALLUSERSPROFILE", hadProfile_ ? oldProfile_.c_str() : nullptr);
}
