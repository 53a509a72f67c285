// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcut recorder on a real X server, fed real key events (XTest): what it takes,
// and that the global shortcut keeps working throughout.
#include "base/preferences.h"
#include "keyinjector.h"
#include "shortcuts/recorderfield.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/x11/x11hotkeybackend.h"
#include "xsession.h"

#include "../eventloop.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

using namespace quietlane;
using namespace quietlane::GlobalShortcuts;

namespace {

std::string g_display;

/// The user at the keyboard and mouse of the test display.
class User : public QObject {
public:
    explicit User(const QWidget& window) : m_window(window) {
        QApplication::instance()->installEventFilter(this);
    }
    void press(std::initializer_list<uint32_t> keys) {
        m_client.press(keys);
        settle();
    }
    void click(QPoint global) {
        m_pointer = m_last = global;
        m_client.click(global.x(), global.y());
        settle();
    }
    /// Until what was sent so far has reached the widgets and the global shortcut: a
    /// pointer nudge comes after it, on the server and here. It stays where the last click
    /// was, as a move away would look like a click's end outside the field. A nudge that
    /// does not come through is sent again.
    void settle() {
        if (m_pointer.isNull())
            m_pointer = m_window.mapToGlobal(QPoint(1, 1));
        m_markerSeen = false;
        for (int attempt = 0; attempt < 20 && !m_markerSeen; ++attempt) {
            // It must move: a pointer that stays puts nothing on the wire.
            m_marker = m_pointer + QPoint(m_pointer == m_last ? 1 : 0, 0);
            m_last = m_marker;
            m_client.move(m_marker.x(), m_marker.y());
            test::spinUntil([&] { return m_markerSeen; }, 250);
        }
        ASSERT_TRUE(m_markerSeen);
        // The shortcut's connection, ready by now, and the work the events posted.
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove &&
            static_cast<QMouseEvent*>(event)->globalPosition().toPoint() == m_marker)
            m_markerSeen = true;
        return false;
    }

private:
    const QWidget& m_window;
    quietlane::testing::KeyInjector m_client{g_display};
    QPoint m_pointer;
    QPoint m_last{-1, -1};
    QPoint m_marker;
    bool m_markerSeen = false;
};

class RecorderOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_directory.isValid());
        m_preferences = std::make_unique<Preferences>(
            m_directory.filePath(QStringLiteral("preferences.json")).toStdString());
        std::string error;
        m_backend = X11HotkeyBackend::open(g_display, error);
        ASSERT_TRUE(m_backend) << error;
        m_center = std::make_unique<ShortcutCenter>(*m_preferences, *m_backend, m_errors);
        m_center->declare(Name::toggleMute());
        m_center->onKeyDown(Name::toggleMute(), [this] { ++m_presses; });

        auto* layout = new QVBoxLayout(&m_window);
        layout->addWidget(new QLineEdit(&m_window));
        m_field = new RecorderField(*m_center, Name::toggleMute(), {}, &m_window);
        layout->addWidget(m_field);
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(test::spinUntil([this] { return QApplication::activeWindow() == &m_window; }));
        m_user.settle();
    }

    std::string stored() const {
        const auto text = m_preferences->stringValue("GlobalShortcuts_toggleMute");
        return text ? *text : "(not text)";
    }
    QPoint fieldCentre() const { return m_field->mapToGlobal(m_field->rect().center()); }

    QTemporaryDir m_directory;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<X11HotkeyBackend> m_backend;
    std::ostringstream m_errors;
    std::unique_ptr<ShortcutCenter> m_center;
    QWidget m_window;
    RecorderField* m_field = nullptr;
    int m_presses = 0;
    User m_user{m_window};
};

const std::string kDefault = R"({"carbonKeyCode":46,"carbonModifiers":6400})";
const std::string kCtrlAltK = R"({"carbonKeyCode":40,"carbonModifiers":6144})";

} // namespace

TEST_F(RecorderOnX11, RecordsWhileHoldingTheKeyboardAndLeavesTheShortcutAloneOnEscape) {
    // A window that becomes active does not start recording; the shortcut works.
    EXPECT_FALSE(m_field->isRecording());
    m_user.press({XKB_KEY_Control_L, XKB_KEY_Alt_L, XKB_KEY_Super_L, XKB_KEY_m});
    EXPECT_EQ(m_presses, 1);

    m_user.click(fieldCentre());
    ASSERT_TRUE(m_field->isRecording());
    EXPECT_TRUE(m_center->isPaused());

    // The current shortcut reaches the field, not the handlers; M alone is refused.
    m_user.press({XKB_KEY_m});
    EXPECT_TRUE(m_field->isRecording());
    m_user.press({XKB_KEY_Escape});
    EXPECT_FALSE(m_field->isRecording());
    EXPECT_FALSE(m_center->isPaused());
    EXPECT_EQ(stored(), kDefault);
    EXPECT_EQ(m_presses, 1);

    m_user.click(fieldCentre());
    m_user.press({XKB_KEY_Control_L, XKB_KEY_Alt_L, XKB_KEY_k});
    EXPECT_FALSE(m_field->isRecording());
    EXPECT_EQ(stored(), kCtrlAltK);
    EXPECT_EQ(m_field->text(), QStringLiteral("Ctrl+Alt+K"));
    m_user.press({XKB_KEY_Control_L, XKB_KEY_Alt_L, XKB_KEY_k});
    EXPECT_EQ(m_presses, 2);
}

int main(int argc, char** argv) {
    quietlane::testing::XSession session;
    std::string error;
    if (!session.start(error)) {
        std::cerr << "cannot start the X session: " << error << '\n';
        return 1;
    }
    g_display = session.display();
    qputenv("DISPLAY", QByteArray::fromStdString(g_display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
