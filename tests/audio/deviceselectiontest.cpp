// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/deviceselection.h"

#include <gtest/gtest.h>

using namespace quietlane;

namespace {

std::string decodeError(std::string_view json) {
    const auto decoded = DeviceSelection::decode(json);
    return decoded ? "decoded" : decoded.error();
}

} // namespace

TEST(DeviceSelectionDecoding, TheStoredFormsDecodeWhateverElseTheObjectHolds) {
    const std::pair<const char*, DeviceSelection> accepted[] = {
        {R"({"systemDefault":{}})", DeviceSelection::systemDefault()},
        {R"({"allInputs":{"x":true}})", DeviceSelection::allInputs()},
        {R"({"pinned":{"uid":"X"},"extra":1})", DeviceSelection::pinned("X")},
        {R"( {"Pinned":{},"pinned":{"uid":""}} )", DeviceSelection::pinned("")},
    };
    for (const auto& [json, expected] : accepted) {
        const auto decoded = DeviceSelection::decode(json);
        ASSERT_TRUE(decoded) << json;
        EXPECT_EQ(*decoded, expected) << json;
    }
    for (const std::string uid : {"usb \"quoted\" \\ mic", "Микрофон™ 🎤", "a\x01b"}) {
        const auto selection = DeviceSelection::pinned(uid);
        EXPECT_EQ(DeviceSelection::restore(selection.encode()), selection) << uid;
    }
    EXPECT_EQ(DeviceSelection::allInputs().encode(), R"({"allInputs":{}})");
}

TEST(DeviceSelectionDecoding, AnythingElseFailsAndRestoresAsTheSystemDefault) {
    const std::string wrongCount = "Invalid number of keys found, expected one.";
    EXPECT_EQ(decodeError(R"({"systemDefault":{},"allInputs":{}})"), wrongCount);
    EXPECT_EQ(decodeError("{}"), wrongCount);
    EXPECT_EQ(decodeError(R"({"default":{}})"), wrongCount);
    for (const char* json :
         {R"({"pinned":{}})", R"({"pinned":{"uid":7}})", R"({"pinned":"X"})", R"({"allInputs":[]})",
          R"(["allInputs"])", "{\"pinned\":", "", "\"systemDefault\""}) {
        EXPECT_NE(decodeError(json), "decoded") << json;
        EXPECT_EQ(DeviceSelection::restore(std::string(json)), DeviceSelection::systemDefault())
            << json;
    }
    // An absent blob is no error either: the default.
    EXPECT_EQ(DeviceSelection::restore(std::nullopt), DeviceSelection::systemDefault());
}
