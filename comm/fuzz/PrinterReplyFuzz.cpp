// A printer's reply, received in chunks of any size and read the way the link
// and the engine read it. Every parser gets a buffer exactly as long as the
// reply, so a read past its length is a sanitizer report. Beyond that: a
// framed reply is handed out whole or not at all; tokens are non-empty and
// hold no separator or zero; the header is always part of the first token;
// the model is token 2 before its "_"; identifiers come from bytes 11 to 14
// exactly when there are 15 bytes; the values cut from tokens are their
// prefixes; and the flash scan text stops at the first zero.
#include "EngineText.h"
#include "FuzzInput.h"
#include "PrinterReplies.h"
#include "ReplyReader.h"
#include "VersionReply.h"

#include <vector>

namespace {

std::vector<uint8_t> receive(FuzzedDataProvider& in, ReplyReader::Mode mode, size_t& fed) {
    ReplyReader reader(mode);
    std::vector<uint8_t> wire = in.ConsumeBytes<uint8_t>(in.remaining_bytes());
    fed = 0;
    // Chunk sizes come from the wire bytes themselves, so that no byte is lost
    // to the splitting.
    size_t step = wire.empty() ? 1 : wire.back() % 17 + 1;
    while (fed < wire.size() && !reader.complete()) {
        size_t n = std::min(step, wire.size() - fed);
        std::vector<uint8_t> chunk(wire.begin() + fed, wire.begin() + fed + n);
        reader.feed(chunk.data(), chunk.size());
        fed += n;
        step = step % 13 + 1;
    }
    std::vector<uint8_t> reply = reader.finish();
    FUZZ_CHECK(reply.size() <= fed);
    FUZZ_CHECK(std::equal(reply.begin(), reply.end(), wire.begin()));
    if (reader.mode() == ReplyReader::Framed && !reply.empty())
        FUZZ_CHECK(reply.size() == 3 + (size_t(reply[1]) << 8 | reply[2]));
    FUZZ_CHECK(reply.size() <= ReplyReader::MaxRawReply + 3 + 0xFFFF);
    return reply;
}

void checkVersionReply(const std::vector<uint8_t>& reply) {
    // Exactly as long as the reply: nothing behind it to read by mistake.
    std::vector<uint8_t> exact(reply);
    const uint8_t* bytes = exact.empty() ? nullptr : exact.data();
    std::vector<std::wstring> tokens = versionReplyTokens(bytes, exact.size());
    bool header = VersionReply::headerMatches(bytes, uint32_t(exact.size()));
    FUZZ_CHECK(header || tokens.empty());
    size_t total = 0;
    for (const std::wstring& t : tokens) {
        FUZZ_CHECK(!t.empty());
        FUZZ_CHECK(t.find_first_of(std::wstring(L" \r\n\0", 4)) == std::wstring::npos);
        total += t.size();
    }
    FUZZ_CHECK(total <= exact.size());
    if (header)
        FUZZ_CHECK(!tokens.empty() && tokens[0].size() >= VersionReply::HeaderLength &&
                   tokens[0][0] == 0xA5);

    std::wstring model;
    if (modelFromVersionReply(bytes, exact.size(), model))
        FUZZ_CHECK(tokens.size() > 2 && model.find(L'_') == std::wstring::npos &&
                   tokens[2].compare(0, model.size(), model) == 0);
    else
        FUZZ_CHECK(tokens.size() < 3);
    if (tokens.size() > VersionReply::AioToken) {
        const std::wstring& aio = tokens[VersionReply::AioToken];
        std::wstring value = VersionReply::aioValue(aio);
        FUZZ_CHECK(aio.compare(0, value.size(), value) == 0);
    }
    std::wstring panel;
    bool dotted = false;
    if (VersionReply::panelValue(tokens, panel, dotted)) {
        const std::wstring& main = tokens[VersionReply::PanelToken];
        FUZZ_CHECK(!panel.empty());
        FUZZ_CHECK(dotted ? panel.compare(0, main.size() + 1, main + L".") == 0
                          : main.compare(0, panel.size(), panel) == 0);
    }

    std::wstring vid, pid;
    bool ids = identifiersFromReply(bytes, exact.size(), vid, pid);
    FUZZ_CHECK(ids == (exact.size() >= VersionReply::IdentifierLength));
    if (ids)
        FUZZ_CHECK(vid == hex16(uint16_t(exact[11] << 8 | exact[12])) &&
                   pid == hex16(uint16_t(exact[13] << 8 | exact[14])));
}

void checkFlashScanReply(const std::vector<uint8_t>& reply) {
    std::vector<uint8_t> exact(reply);
    std::wstring text =
        EngineText::widenUntilZero(exact.empty() ? nullptr : exact.data(), uint32_t(exact.size()));
    FUZZ_CHECK(text.size() <= exact.size() && text.find(L'\0') == std::wstring::npos);
    for (size_t i = 0; i < text.size(); ++i)
        FUZZ_CHECK(text[i] == exact[i]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    // The version and identifier queries are A5 commands (framed replies);
    // the flash scan query is a raw escape sequence.
    bool raw = in.ConsumeBool();
    size_t fed = 0;
    std::vector<uint8_t> reply = receive(in, raw ? ReplyReader::Raw : ReplyReader::Framed, fed);
    if (raw)
        checkFlashScanReply(reply);
    else
        checkVersionReply(reply);
    return 0;
}
