#include "ProfileMemo.h"

#include <algorithm>

namespace {

// The coarsest file clock (FAT's) ticks every two seconds; one more for the
// clocks of the file system and of the asker not being one.
const uint64_t kSettledAfter = 3ull * 10000000;

bool sameFile(const ProfileMemo::Stamp& a, const ProfileMemo::Stamp& b) {
    return a.size == b.size && a.created == b.created && a.written == b.written;
}

} // namespace

ProfileMemo::ProfileMemo(ReadBytes readBytes, ReadStamp readStamp)
    : readBytes_(std::move(readBytes)), readStamp_(std::move(readStamp)) {}

bool ProfileMemo::stampOf(const std::wstring& path, Stamp& stamp) {
    return readStamp_ && readStamp_(path, stamp);
}

ProfileMemo::Lookup::Lookup(ProfileMemo& memo, const std::wstring& path)
    : memo_(memo), path_(path), usable_(false), settled_(false) {
    // Taken before the bytes are read: a write in between leaves the file
    // with a stamp that the next lookup finds different.
    const bool stamped = memo_.stampOf(path_, stamp_);
    if (stamped) {
        std::lock_guard<std::mutex> guard(memo_.lock_);
        auto it = memo_.files_.find(path_);
        if (it != memo_.files_.end() && it->second.settled && sameFile(it->second.stamp, stamp_)) {
            bytes_ = it->second.bytes;
            usable_ = settled_ = true;
            return;
        }
    }
    usable_ = memo_.readBytes_(path_, bytes_);
    if (!usable_)
        return;
    settled_ = stamped && stamp_.askedAt > stamp_.written + kSettledAfter;
    std::lock_guard<std::mutex> guard(memo_.lock_);
    File& file = memo_.files_[path_];
    if (file.bytes != bytes_) {
        file.bytes = bytes_;
        file.answers.clear();
    }
    file.stamp = stamp_;
    file.settled = settled_;
}

bool ProfileMemo::Lookup::sameAsBefore() {
    Stamp now;
    if (settled_ && memo_.stampOf(path_, now) && sameFile(now, stamp_))
        return true;
    std::string after;
    return memo_.readBytes_(path_, after) && after == bytes_;
}

ProfileMemo::Lookup::~Lookup() {
    if (!usable_ || fresh_.empty())
        return;
    // The system read the file at its own moments: its answers belong to
    // these bytes only when the file did not change in the meantime.
    try {
        const bool same = sameAsBefore();
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
