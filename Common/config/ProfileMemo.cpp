#include "ProfileMemo.h"

#include <algorithm>

ProfileMemo::ProfileMemo(ReadBytes readBytes) : readBytes_(std::move(readBytes)) {}

ProfileMemo::Lookup::Lookup(ProfileMemo& memo, const std::wstring& path)
    : memo_(memo), path_(path), usable_(memo.readBytes_(path, bytes_)) {
    if (!usable_)
        return;
    std::lock_guard<std::mutex> guard(memo_.lock_);
    File& file = memo_.files_[path_];
    if (file.bytes != bytes_) {
        file.bytes = bytes_;
        file.answers.clear();
    }
}

ProfileMemo::Lookup::~Lookup() {
    if (!usable_ || fresh_.empty())
        return;
    // The system read the file at its own moments: its answers belong to
    // these bytes only when the file did not change in the meantime.
    std::string after;
    const bool same = memo_.readBytes_(path_, after) && after == bytes_;
    try {
        std::lock_guard<std::mutex> guard(memo_.lock_);
        File& file = memo_.files_[path_];
        if (same && file.bytes == bytes_)
            file.answers.insert(fresh_.begin(), fresh_.end());
    } catch (...) {
        // Not kept: the next lookup asks the system again.
    }
}

uint32_t ProfileMemo::Lookup::read(const std::wstring& what, wchar_t* buffer, uint32_t size,
                                   const SystemRead& system) {
    // A text cut to a smaller buffer ends differently: the size is part of
    // the question.
    const std::wstring question = what + L'\x1' + std::to_wstring(size);
    if (usable_) {
        std::lock_guard<std::mutex> guard(memo_.lock_);
        const File& file = memo_.files_[path_];
        auto it = file.bytes == bytes_ ? file.answers.find(question) : file.answers.end();
        if (it != file.answers.end()) {
            std::copy(it->second.text.begin(), it->second.text.end(), buffer);
            return it->second.count;
        }
    }
    const uint32_t count = system(buffer, size);
    if (usable_) {
        // The text and the one or two NULs after it (a list ends with two).
        const size_t kept = std::min<size_t>(size, static_cast<size_t>(count) + 2);
        fresh_[question] = Answer{std::wstring(buffer, kept), count};
    }
    return count;
}
