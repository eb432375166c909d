// The memo of initialization-file reads against a file held in memory and a
// system read that counts its calls: an answer is given again only while the
// file holds the bytes it was read from.
#include "ProfileMemo.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>

namespace {

struct Files {
    std::map<std::wstring, std::string> bytes;
    // Files without a stamp here have none (the memo then reads them).
    std::map<std::wstring, ProfileMemo::Stamp> stamps;
    uint64_t now = 0;
    int systemReads = 0;
    int byteReads = 0;
    // Runs inside a system read, before it reads the file: the file changes
    // between the memo's look at it and the system's.
    std::function<void()> duringRead;

    ProfileMemo memo{[this](const std::wstring& path, std::string& out) {
                         ++byteReads;
                         auto it = bytes.find(path);
                         if (it == bytes.end())
                             return false;
                         out = it->second;
                         return true;
                     },
                     [this](const std::wstring& path, ProfileMemo::Stamp& stamp) {
                         auto it = stamps.find(path);
                         if (it == stamps.end())
                             return false;
                         stamp = it->second;
                         stamp.askedAt = now;
                         return true;
                     }};

    void write(const std::wstring& path, const std::string& text, uint64_t at) {
        bytes[path] = text;
        stamps[path].size = text.size();
        stamps[path].written = at;
    }

    // A lookup of one value as the system would give it: the file's text.
    std::wstring lookUp(const std::wstring& path, const std::wstring& what, uint32_t size = 64) {
        ProfileMemo::Lookup lookup(memo, path);
        std::wstring buffer(size, L'#');
        const uint32_t count = lookup.read(what, &buffer[0], size, [&](wchar_t* into, uint32_t n) {
            ++systemReads;
            if (duringRead)
                duringRead();
            auto it = bytes.find(path);
            std::wstring text =
                it == bytes.end() ? L"" : std::wstring(it->second.begin(), it->second.end());
            const size_t copied = std::min<size_t>(text.size(), n - 1);
            std::wmemcpy(into, text.data(), copied);
            into[copied] = L'\0';
            return static_cast<uint32_t>(copied);
        });
        EXPECT_EQ(buffer[count], L'\0');
        return buffer.substr(0, count);
    }
};

} // namespace

TEST(ProfileMemo, AnswersAgainOnlyWhileTheFileHoldsTheSameBytes) {
    Files files;
    files.bytes[L"a.ini"] = "one";
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"one");
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"one");
    EXPECT_EQ(files.systemReads, 1);
    // Another question, another buffer size, another file: asked anew.
    EXPECT_EQ(files.lookUp(L"a.ini", L"j"), L"one");
    EXPECT_EQ(files.lookUp(L"a.ini", L"k", 3), L"on");
    files.bytes[L"b.ini"] = "two";
    EXPECT_EQ(files.lookUp(L"b.ini", L"k"), L"two");
    EXPECT_EQ(files.systemReads, 4);
    // Rewritten with the same length (as within one tick of a file clock).
    files.bytes[L"a.ini"] = "six";
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"six");
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"six");
    EXPECT_EQ(files.systemReads, 5);
}

TEST(ProfileMemo, KeepsNothingReadWhileTheFileChangedOrCouldNotBeRead) {
    Files files;
    files.bytes[L"a.ini"] = "old";
    files.duringRead = [&] { files.bytes[L"a.ini"] = "new"; };
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"new");
    files.duringRead = nullptr;
    // Changed back: the answer read from "new" must not pass for "old"'s.
    files.bytes[L"a.ini"] = "old";
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"old");
    EXPECT_EQ(files.systemReads, 2);
    // A file the memo cannot read is always left to the system.
    EXPECT_EQ(files.lookUp(L"gone.ini", L"k"), L"");
    EXPECT_EQ(files.lookUp(L"gone.ini", L"k"), L"");
    EXPECT_EQ(files.systemReads, 4);
}

TEST(ProfileMemo, TrustsAStampOnlyForBytesReadLongAfterTheLastWrite) {
    const uint64_t second = 10000000;
    Files files;
    files.write(L"a.ini", "old", 100 * second);
    // Read within a moment of its write: the file clock may not have ticked
    // since, so every lookup reads the file, and a same-size rewrite that
    // left the stamp as it was is still seen.
    files.now = 100 * second + second / 2;
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"old");
    files.bytes[L"a.ini"] = "new";
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"new");
    EXPECT_EQ(files.byteReads, 4);

    // Read a minute later: the stamp vouches for the bytes until it changes.
    files.now = 160 * second;
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"new");
    const int settledReads = files.byteReads;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"new");
    EXPECT_EQ(files.byteReads, settledReads);
    files.write(L"a.ini", "six", 161 * second);
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"six");
    EXPECT_EQ(files.systemReads, 3);

    // Rewritten while the system read it, with a later stamp: the answer read
    // then is not kept for the old bytes.
    files.now = 300 * second;
    EXPECT_EQ(files.lookUp(L"a.ini", L"k"), L"six");
    files.duringRead = [&] { files.write(L"a.ini", "ten", 300 * second); };
    EXPECT_EQ(files.lookUp(L"a.ini", L"j"), L"ten");
    files.duringRead = nullptr;
    // Put back from a copy, which keeps the copy's own write time.
    files.write(L"a.ini", "six", 100 * second);
    EXPECT_EQ(files.lookUp(L"a.ini", L"j"), L"six");
}
