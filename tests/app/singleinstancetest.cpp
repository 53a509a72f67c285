// SPDX-License-Identifier: GPL-3.0-or-later
// The instance channel with real sockets: the hand-over between a dying and a new
// instance, and the requests the command line sends, answered by the microphone.
#include "app/singleinstance.h"
#include "audio/simulatedserver.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "remote/controlclient.h"
#include "remote/remotecontrol.h"

#include "../eventloop.h"
#include "../tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/socket.h>
#include <thread>

using namespace quietlane;

namespace {

// Sends `bytes` as a client would and returns the first line of the answer, while this
// thread keeps serving the instance.
std::string ask(const std::string& socket, const std::string& bytes) {
    std::string answer = "<no answer>";
    std::atomic<bool> done = false;
    std::thread client([&] {
        ControlConnection connection;
        const auto opened = connection.open(socket);
        if (opened && *opened == ControlConnection::Opened::connected &&
            ::send(connection.descriptor(), bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0)
            connection.readLine(answer, 5000);
        done = true;
    });
    test::spinUntil([&] { return done.load(); }, 10000);
    client.join();
    return answer;
}

void claimPrimary(SingleInstance& instance) {
    ASSERT_TRUE(instance.secureDirectory());
    const auto claimed = instance.claim();
    ASSERT_TRUE(claimed) << claimed.error();
    ASSERT_EQ(*claimed, SingleInstance::Outcome::primary);
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        device = simulated.addDevice(SimulatedDevice::withMute("mic"));
        simulated.setDefaultInput(device);
    }
    bool simulatedMuted() const { return simulated.device(device)->muted; }

    test::TempDir temp;
    std::string socket = (temp.path / "run/instance").string();
    Preferences preferences{temp.path / "preferences.json"};
    SimulatedServer simulated;
    std::string device;
    MicrophoneController microphone{simulated, preferences};
    RemoteControl remote{microphone};
};

} // namespace

TEST_F(ChannelTest, ANewInstanceKeepsTheSocketItTookFromOneThatStoppedAnswering) {
    auto dying = std::make_unique<SingleInstance>(socket);
    claimPrimary(*dying);

    // The first instance's event loop does not run during the claim: it never answers,
    // as when it hangs while quitting, so the new one takes over after its timeout.
    SingleInstance successor(socket);
    claimPrimary(successor);
    successor.serve(remote);
    // The old one hears of it as soon as its loop runs (it must quit then); the new one
    // knows whom it replaced, to wait for it to let go of the shortcut.
    bool heard = false;
    QObject::connect(dying.get(), &SingleInstance::takenOver, [&] { heard = true; });
    EXPECT_TRUE(test::spinUntil([&] { return heard; }));
    EXPECT_FALSE(successor.isTakenOver());
    EXPECT_EQ(successor.predecessor(), ::getpid());
    dying.reset();

    EXPECT_TRUE(std::filesystem::exists(socket)) << "the old instance removed the new socket";
    EXPECT_EQ(ask(socket, "open-settings\n"), "ok");
}

TEST_F(ChannelTest, AnswersOnceTheDevicesConfirmAndRefusesMalformedRequests) {
    SingleInstance instance(socket);
    claimPrimary(instance);
    instance.serve(remote);
    ASSERT_TRUE(test::spinUntil([&] { return microphone.hasActiveDeviceName(); }));

    EXPECT_EQ(ask(socket, "toggle\n"),
              R"(ok {"device":"mic","state":"muted","volumeFallback":false})");
    EXPECT_TRUE(simulatedMuted());
    EXPECT_EQ(ask(socket, "unmute\n").substr(0, 3), "ok ");
    EXPECT_FALSE(simulatedMuted());

    // Malformed requests get an error and change nothing.
    EXPECT_EQ(ask(socket, "Toggle\n"), "error unknown request");
    EXPECT_EQ(ask(socket, std::string(200, 't')), "error request too long");
    EXPECT_FALSE(simulatedMuted());

    // A write the server refuses is reported, not passed off as done.
    simulated.failWrites(SoundError::refused);
    EXPECT_EQ(ask(socket, "mute\n").substr(0, 8), "refused ");
    EXPECT_FALSE(simulatedMuted());
}
