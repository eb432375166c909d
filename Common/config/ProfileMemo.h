// The answers of the system's initialization-file reads, kept with the bytes
// of the file they were read from. Each system read opens the file, looks for
// a mapping of it in the registry and closes it again, one section at a time
// and under one lock for the whole process; the engine asks some hundred keys
// per printer, and printers updated side by side then wait for each other.
// An answer is given again only while the file holds exactly the bytes it was
// read from, however the file was changed (a rewrite of the same size within
// the file system's clock tick included). A read of the file per lookup
// checks that, unless the file system's stamp of it (size, creation and write
// times) is the one it had when its bytes were read, and those bytes were
// read well after its last write: a file cannot then be rewritten without a
// later write time, and asking for the stamp costs far less than a read.
// That holds only while whoever writes the file leaves it the time of
// writing (ours do; a tool that copies times from an archive would not, and
// the system's own reads rest on the write time as well).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

class ProfileMemo {
    // What one system read put into the buffer (up to and with the NULs
    // after the text) and the count it returned.
    struct Answer {
        std::wstring text;
        uint32_t count;
    };

public:
    // What the file system tells of a file without reading it, and the moment
    // it was asked, on the clock of the file times (100 ns counts).
    struct Stamp {
        uint64_t size = 0;
        uint64_t created = 0;
        uint64_t written = 0;
        uint64_t askedAt = 0;
    };
    // Reads the whole file; false when it cannot be read.
    using ReadBytes = std::function<bool(const std::wstring& path, std::string& bytes)>;
    // The file's stamp; false when there is none. Without this every lookup
    // reads the file.
    using ReadStamp = std::function<bool(const std::wstring& path, Stamp& stamp)>;
    // One system read into buffer (see ProfileFile.h); returns its count.
    using SystemRead = std::function<uint32_t(wchar_t* buffer, uint32_t size)>;

    explicit ProfileMemo(ReadBytes readBytes, ReadStamp readStamp = nullptr);

    // One lookup of the configuration reader: the system reads it makes go
    // through read(), and are answered from the memo while the file's bytes
    // are those of the last lookup.
    class Lookup {
    public:
        Lookup(ProfileMemo& memo, const std::wstring& path);
        ~Lookup();
        Lookup(const Lookup&) = delete;
        Lookup& operator=(const Lookup&) = delete;

        // what names the read (section and key); the result is the one the
        // system gives for it, cut to size as the system cuts it.
        uint32_t read(const std::wstring& what, wchar_t* buffer, uint32_t size,
                      const SystemRead& system);

    private:
        ProfileMemo& memo_;
        std::wstring path_;
        // The file still holds bytes_: by its stamp when that vouches for
        // them, else by reading it.
        bool sameAsBefore();
        std::string bytes_;
        bool usable_;
        // Taken before bytes_ were read; settled_ as File::settled.
        Stamp stamp_;
        bool settled_;
        // Answers read from the system during this lookup: kept only when
        // the file still holds the same bytes afterwards.
        std::map<std::wstring, Answer> fresh_;
    };

private:
    struct File {
        std::string bytes;
        std::map<std::wstring, Answer> answers;
        // Taken just before the bytes were read; settled when they were read
        // long enough after the file's last write that any rewrite since
        // would show in its stamp.
        Stamp stamp;
        bool settled = false;
    };
    bool stampOf(const std::wstring& path, Stamp& stamp);
    ReadBytes readBytes_;
    ReadStamp readStamp_;
    std::mutex lock_;
    std::map<std::wstring, File> files_;
};
