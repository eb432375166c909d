#include "FileStream.h"

#include <vector>

FileStream::FileStream(const std::wstring& path, size_t chunkBytes)
    : file_(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)),
      chunkBytes_(chunkBytes > 0 ? chunkBytes : 1) {}

Transport::Result FileStream::sendTo(const std::function<bool(const uint8_t*, size_t)>& write) {
    std::vector<uint8_t> chunk(chunkBytes_);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file_.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read,
                        nullptr))
            return Transport::FileError;
        if (read == 0)
            return Transport::Ok;
        if (!write(chunk.data(), read))
            return Transport::SendFailed;
    }
}
