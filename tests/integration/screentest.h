// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "xsession.h"

#include "../tempdir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <utility>

namespace quietlane::testing {

/// The real program on a private X desktop (1280 × 800) with the simulated sound server
/// offering one live "USB Mic", and this process connected to that desktop to see it.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_session.start(error)) << error;
        setenv("DISPLAY", display().c_str(), 1);
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_screen = std::make_unique<QGuiApplication>(m_argc, m_argv);
        std::ofstream(m_devices) << R"({"default": "usb-mic", "devices": )"
                                 << R"([{"uid": "usb-mic", "name": "USB Mic", "mute": false}]})";
    }

    const std::string& display() const { return m_session.display(); }
    std::string run(const std::string& command) const { return runOnDisplay(display(), command); }
    WindowGeometry geometry(const std::string& id) const { return windowGeometry(display(), id); }
    std::vector<std::string> search(const std::string& arguments) const {
        return searchWindows(display(), arguments);
    }
    QImage grab(const WindowGeometry& g) const {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, g.x, g.y, g.width, g.height)
            .toImage();
    }
    void click(int x, int y) const {
        run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    /// The window's picture once two grabs in a row agree: animations have ended.
    QImage stillImage(const std::function<WindowGeometry()>& where) const {
        QImage last;
        waitUntil([&] {
            QImage now = grab(where());
            return std::exchange(last, now) == now;
        });
        return last;
    }
    bool indicatorShown() const {
        return !search("--onlyvisible --name '^Quietlane HUD$'").empty();
    }
    /// Clicks at (x, y), each click flipping `muted`, until one mutes with the indicator on
    /// screen: within the start-up grace a change shows none.
    bool clickUntilMutedWithIndicator(int x, int y, const std::function<bool()>& muted) const {
        using namespace std::chrono_literals;
        return waitUntil(
            [&] {
                const bool was = muted();
                click(x, y);
                return waitUntil([&] { return muted() != was; }) && !was &&
                       waitUntil([&] { return indicatorShown(); }, 400ms);
            },
            15s);
    }
    /// The running program's answer to `quietlane <arguments>`.
    std::string ask(const std::string& arguments) const {
        return runCommand("XDG_RUNTIME_DIR=" + (home.path / "run").string() + " " +
                          QUIETLANE_BINARY + " " + arguments + " 2>/dev/null");
    }
    /// The program, with `home` below as its home and XDG folders.
    std::unique_ptr<ChildProcess> launch() const {
        return std::make_unique<ChildProcess>(
            [this] { execSimulatedQuietlane(QUIETLANE_BINARY, home.path, m_devices); });
    }

    test::TempDir home;

private:
    XSession m_session;
    int m_argc = 1;
    char m_name[12] = "screen_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_screen;
    std::filesystem::path m_devices = home.path / "devices.json";
};

} // namespace quietlane::testing
