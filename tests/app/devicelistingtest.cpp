// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/devicelisting.h"
#include "audio/simulatedserver.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;

namespace {

std::string listing(std::string_view seed) {
    auto server = SimulatedServer::fromJson(seed);
    EXPECT_TRUE(server) << server.error();
    if (!server)
        return {};
    std::ostringstream out;
    printDeviceListing((*server)->state(), out);
    return out.str();
}

} // namespace

TEST(DeviceListing, PrintsInputsWithTagsAndNothingThatCouldFakeAColumnOrALine) {
    const std::string mic = R"("devices": [{"uid": "mic", "name": "Mic", "mute": false}]})";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"default": "mic", "devices": [
            {"uid": "speakers", "name": "Speakers", "channels": []},
            {"uid": "mic", "name": "Built-in", "channels": [2, 1], "mute": false},
            {"uid": "usb", "name": "USB", "channels": [1], "volumes": {"0": 0.5}},
            {"uid": "x", "uidReadable": false, "name": "No UID", "channels": [1]},
            {"uid": "y", "name": "n", "nameReadable": false, "channels": [1], "mute": true,
             "muteSettable": false}
         ]})",
         "mic\tBuilt-in\t[default] hwmute\n"
         "usb\tUSB\tvolfallback\n"
         "y\t?\tvolfallback\n"},
        // No default mark when the default is unreadable or zero.
        {R"({"default": 0, )" + mic, "mic\tMic\thwmute\n"},
        {R"({"default": "mic", "defaultReadable": false, )" + mic, "mic\tMic\thwmute\n"},
        {R"({"devices": []})", ""},
        // Control characters in names cannot fake columns or lines.
        {R"({"devices": [{"uid": "a\tb", "name": "line\r\nbreak\u00e9", "mute": false}]})",
         "a b\tline  breaké\thwmute\n"},
    };
    for (const auto& [seed, expected] : cases)
        EXPECT_EQ(listing(seed), expected) << seed;
}
