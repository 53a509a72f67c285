// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/controlprotocol.h"
#include "audio/micstate.h"

#include <gtest/gtest.h>

using namespace quietlane;

TEST(ControlProtocol, ReadsOneBoundedRequestHoweverItIsSplit) {
    RequestReader split;
    EXPECT_TRUE(std::holds_alternative<RequestReader::Incomplete>(split.feed("push-to-")));
    const auto press = split.feed("talk-press\nmute\n");
    ASSERT_TRUE(std::holds_alternative<ControlRequest>(press));
    EXPECT_EQ(std::get<ControlRequest>(press), ControlRequest::pushToTalkPress);

    for (std::string_view bad : {"Toggle\n", "toggle \n", "\n", "toggle\r\n"}) {
        RequestReader reader;
        EXPECT_TRUE(std::holds_alternative<RequestReader::Malformed>(reader.feed(bad))) << bad;
    }
    // The bound holds across pieces, so a slow client cannot grow the buffer either.
    RequestReader endless;
    std::string piece(kMaxRequestBytes / 2, 'x');
    EXPECT_TRUE(std::holds_alternative<RequestReader::Incomplete>(endless.feed(piece)));
    EXPECT_TRUE(std::holds_alternative<RequestReader::Malformed>(endless.feed(piece)));
}

TEST(ControlProtocol, StatusAndRepliesSurviveTheWireAndOddNames) {
    MicState state;
    state.isMuted = true;
    state.usingVolumeFallback = true;
    state.activeDeviceName = "Mic \"A\"\n\ttab";
    state.devices = {AudioInputDevice{}};
    const ControlStatus status = statusOf(state);
    const std::string line = encodeStatus(status);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(decodeStatus(line), status);

    // No device at all: neither muted nor unmuted would be true.
    state.devices.clear();
    EXPECT_EQ(statusOf(state).state, ControlStatus::State::unavailable);

    for (std::string_view bad : {"", "[]", R"({"state":"muted"})",
                                 R"({"state":"off","device":null,"volumeFallback":false})",
                                 R"({"state":"muted","device":1,"volumeFallback":false})"})
        EXPECT_FALSE(decodeStatus(bad)) << bad;

    // The instance's channel test sees "ok" and "refused" go out; this is how they come back.
    ControlStatus muted{ControlStatus::State::muted, "Mic", false};
    EXPECT_EQ(settledReply(std::nullopt, ControlStatus{}).kind, ControlReply::Kind::refused);
    const auto parsed = parseReply(replyLine(settledReply(false, muted)));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, ControlReply::Kind::refused);
    EXPECT_EQ(decodeStatus(parsed->payload), muted);
    // An error's reason cannot break the line it travels in.
    EXPECT_EQ(replyLine({ControlReply::Kind::error, "a\nb"}), "error a b\n");
    EXPECT_FALSE(parseReply("refused not-json"));
    EXPECT_FALSE(parseReply("fine"));
}
