// A file on its way to a printer, read from start to end in chunks that the
// transport hands to its link. A transport opens the file before the link,
// so that a file it cannot read never costs a connection.
#pragma once

#include "ScopedHandle.h"
#include "Transport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class FileStream {
public:
    // chunkBytes: how much is read and handed on at a time.
    explicit FileStream(const std::wstring& path, size_t chunkBytes = 64 * 1024);

    bool isOpen() const { return file_.valid(); }

    // Hands every chunk to write in file order. write returns false once the
    // printer has stopped taking bytes; nothing more is read then. Ok at the
    // end of the file, FileError when a read fails, SendFailed when write
    // refused a chunk.
    Transport::Result sendTo(const std::function<bool(const uint8_t*, size_t)>& write);

private:
    ScopedFileHandle file_;
    size_t chunkBytes_;
};
