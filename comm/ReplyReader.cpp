#include "ReplyReader.h"

namespace {
const uint8_t FrameStart = 0xA5;
const size_t FrameHeader = 3;
} // namespace

ReplyReader::ReplyReader(Mode mode) : mode_(mode) {}

ReplyReader::Mode ReplyReader::modeForCommand(const std::vector<uint8_t>& command) {
    return !command.empty() && command[0] == FrameStart ? Framed : Raw;
}

size_t ReplyReader::frameSize() const {
    if (bytes_.size() < FrameHeader)
        return 0;
    return FrameHeader + ((static_cast<size_t>(bytes_[1]) << 8) | bytes_[2]);
}

void ReplyReader::feed(const uint8_t* data, size_t size) {
    if (complete())
        return;
    if (mode_ == Framed && bytes_.empty() && size > 0 && data[0] != FrameStart)
        mode_ = Raw;
    if (mode_ == Raw) {
        size_t room = MaxRawReply - bytes_.size();
        bytes_.insert(bytes_.end(), data, data + (size < room ? size : room));
        return;
    }
    // Header first: its count decides how much of the chunk belongs to us.
    size_t i = 0;
    while (i < size && bytes_.size() < FrameHeader)
        bytes_.push_back(data[i++]);
    if (i == size)
        return;
    size_t want = frameSize() - bytes_.size();
    size_t take = size - i < want ? size - i : want;
    bytes_.insert(bytes_.end(), data + i, data + i + take);
}

bool ReplyReader::complete() const {
    if (mode_ == Raw)
        return bytes_.size() >= MaxRawReply;
    return bytes_.size() >= FrameHeader && bytes_.size() == frameSize();
}

size_t ReplyReader::missing() const {
    if (mode_ == Raw || bytes_.size() < FrameHeader)
        return 0;
    return frameSize() - bytes_.size();
}

std::vector<uint8_t> ReplyReader::finish() const {
    if (mode_ == Framed && !complete())
        return std::vector<uint8_t>();
    return bytes_;
}
