// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes, split at an arbitrary point, to the instance's request reader,
// and the same bytes to the client's reply and status decoders. Nothing may crash, a
// request is never accepted from more bytes than the bound, and what is accepted reads
// back the same after encoding.
#include "remote/controlprotocol.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quietlane;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = size ? data[0] % (size + 1) : 0;

    RequestReader reader;
    auto result = reader.feed(bytes.substr(0, split));
    if (std::holds_alternative<RequestReader::Incomplete>(result))
        result = reader.feed(bytes.substr(split));
    if (const auto* request = std::get_if<ControlRequest>(&result)) {
        const std::string line = requestLine(*request);
        if (bytes.find(line + '\n') == std::string_view::npos || line.size() >= kMaxRequestBytes)
            std::abort();
    }

    if (const auto reply = parseReply(bytes)) {
        const auto again = parseReply(replyLine(*reply));
        if (!again || again->kind != reply->kind)
            std::abort();
    }
    if (const auto status = decodeStatus(bytes)) {
        if (decodeStatus(encodeStatus(*status)) != status)
            std::abort();
    }
    return 0;
}
