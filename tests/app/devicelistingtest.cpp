// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/devicelisting.h"
#include "audio/simulatedhal.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;

namespace {

std::string listing(std::string_view seed) {
    std::string error;
    auto hal = SimulatedHal::fromJson(seed, &error);
    EXPECT_TRUE(hal) << error;
    if (!hal)
        return {};
    std::ostringstream out;
    printDeviceListing(*hal, out);
    return out.str();
}

} // namespace

TEST(DeviceListing, PrintsInputDevicesWithTagsAndQuestionMarks) {
    EXPECT_EQ(listing(R"({"default": "mic", "devices": [
        {"uid": "speakers", "name": "Speakers", "channels": []},
        {"uid": "mic", "name": "Built-in", "channels": [2, 1], "mute": false},
        {"uid": "usb", "name": "USB", "channels": [1], "volumes": {"0": 0.5}},
        {"uid": "x", "uidReadable": false, "name": "No UID", "channels": [1]},
        {"uid": "y", "name": "n", "nameReadable": false, "channels": [1], "mute": true,
         "muteSettable": false}
    ]})"),
              "mic\tBuilt-in\t[default] hwmute\n"
              "usb\tUSB\tvolfallback\n"
              "?\tNo UID\tvolfallback\n"
              "y\t?\tvolfallback\n");
}

TEST(DeviceListing, NoDefaultMarkWhenTheDefaultIsUnreadableOrZero) {
    const char* devices = R"("devices": [{"uid": "mic", "name": "Mic", "mute": false}])";
    EXPECT_EQ(listing(std::string("{\"default\": 0, ") + devices + "}"), "mic\tMic\thwmute\n");
    EXPECT_EQ(
        listing(std::string(R"({"default": "mic", "defaultReadable": false, )") + devices + "}"),
        "mic\tMic\thwmute\n");
    EXPECT_EQ(listing(R"({"devices": []})"), "");
}

TEST(DeviceListing, ControlCharactersInNamesCannotFakeColumnsOrLines) {
    EXPECT_EQ(
        listing(R"({"devices": [{"uid": "a\tb", "name": "line\r\nbreak\u00e9", "mute": false}]})"),
        "a b\tline  breaké\thwmute\n");
}
