#include "ReportFile.h"

#include "ErrorText.h"
#include "PathCheck.h"
#include "ScopedHandle.h"

#include <algorithm>
#include <vector>

namespace {

bool fail(std::wstring& problem, DWORD error) {
    problem = L"error " + std::to_wstring(error) + L": " + getErrorText(error);
    return false;
}

std::wstring fullPath(const std::wstring& path) {
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::vector<wchar_t> buffer(size + 1);
    const DWORD length = ::GetFullPathNameW(path.c_str(), size + 1, buffer.data(), nullptr);
    return length > 0 && length <= size ? std::wstring(buffer.data(), length) : path;
}

bool writeAll(const std::wstring& path, const std::string& bytes, std::wstring& problem) {
    ScopedFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return fail(problem, ::GetLastError());
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!::WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return fail(problem, ::GetLastError());
        done += wrote;
    }
    // On disk before the rename, so that a crash leaves the old report or
    // the new one, never a short one under the report's name.
    if (!::FlushFileBuffers(file.get()))
        return fail(problem, ::GetLastError());
    return true;
}

} // namespace

bool removeEarlierReport(const std::wstring& path) {
    if (!fileNameProblem(path).empty())
        return false;
    const std::wstring target = fullPath(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;
    return ::DeleteFileW(target.c_str()) != FALSE;
}

bool writeReportFile(const std::wstring& path, const std::string& bytes, std::wstring& problem) {
    problem = fileNameProblem(path);
    if (!problem.empty())
        return false;
    const std::wstring target = fullPath(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            problem = L"the path names a folder, not a file";
            return false;
        }
        // A read-only file says someone means to keep it.
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            problem = L"the file is read-only";
            return false;
        }
    }
    // Beside the report, so that the rename stays on one volume.
    const std::wstring temporary =
        target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    if (!writeAll(temporary, bytes, problem)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        return fail(problem, error);
    }
    return true;
}
