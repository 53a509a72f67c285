// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/recorderfield.h"

#include "controls/controlpalette.h"
#include "shortcuts/recorderrules.h"
#include "shortcuts/shortcutcenter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolTip>

namespace quietlane::GlobalShortcuts {

namespace {

// The recorder's own string table, kept apart from the rest of the program's texts.
constexpr const char* kContext = "GlobalShortcuts";
constexpr const char* kRecordShortcut = QT_TRANSLATE_NOOP("GlobalShortcuts", "Записать сочетание");
constexpr const char* kPressShortcut = QT_TRANSLATE_NOOP("GlobalShortcuts", "Нажмите сочетание…");
constexpr const char* kSetOnDesktop =
    QT_TRANSLATE_NOOP("GlobalShortcuts", "Клавиша задаётся на рабочем столе");
constexpr const char* kUsedBySystem = QT_TRANSLATE_NOOP(
    "GlobalShortcuts", "Это сочетание клавиш уже занято системой или другим приложением.");
constexpr const char* kCanBeChanged = QT_TRANSLATE_NOOP(
    "GlobalShortcuts", "Сочетания рабочего стола можно изменить в его настройках клавиатуры.");
constexpr const char* kOk = QT_TRANSLATE_NOOP("GlobalShortcuts", "ОК");
constexpr const char* kForceUse = QT_TRANSLATE_NOOP("GlobalShortcuts", "Всё равно использовать");
constexpr const char* kClear = QT_TRANSLATE_NOOP("GlobalShortcuts", "Удалить сочетание");
constexpr const char* kNeedsModifier = QT_TRANSLATE_NOOP(
    "GlobalShortcuts", "Нужна клавиша Ctrl, Alt или Super вместе с клавишей (или F1–F12)");
constexpr const char* kUsedByUs =
    QT_TRANSLATE_NOOP("GlobalShortcuts", "Это сочетание уже назначено другому действию Quietlane.");
constexpr const char* kChooseAnother =
    QT_TRANSLATE_NOOP("GlobalShortcuts", "Выберите другое или сначала удалите то.");

QString localized(const char* source) {
    return QCoreApplication::translate(kContext, source);
}

constexpr double kClearButtonSide = 14;
// Clicks this close to the field still count as inside, so a slightly missed click on the
// field does not stop the recording.
constexpr int kClickSlop = 3;

struct PressedKey {
    int64_t keyCode;
    Modifiers modifiers;
};

bool isModifierOnly(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

Modifiers eventModifiers(Qt::KeyboardModifiers qt) {
    Modifiers modifiers = 0;
    if (qt & Qt::ShiftModifier)
        modifiers |= Modifier::shift;
    if (qt & Qt::ControlModifier)
        modifiers |= Modifier::control;
    if (qt & Qt::AltModifier)
        modifiers |= Modifier::alt;
    if (qt & Qt::MetaModifier)
        modifiers |= Modifier::super;
    return modifiers;
}

std::optional<PressedKey> pressedKey(const QKeyEvent& event, const KeyGrabs* grabs) {
    if (const auto native =
            grabs ? grabs->shortcutForNativeKey(event.nativeScanCode(), event.nativeModifiers())
                  : std::nullopt)
        return PressedKey{native->keyCode, native->modifiers};
    // Without a key hook only the keys that steer the field are understood, so that the
    // user can still leave it or clear the shortcut, and the microphone-mute key, which
    // every backend can name.
    const Modifiers modifiers = eventModifiers(event.modifiers());
    switch (event.key()) {
    case Qt::Key_MicMute:
        return PressedKey{Key::micMute, modifiers};
    case Qt::Key_Tab:
        return PressedKey{Key::tab, modifiers};
    case Qt::Key_Escape:
        return PressedKey{Key::escape, modifiers};
    case Qt::Key_Backspace:
        return PressedKey{Key::backspace, modifiers};
    case Qt::Key_Delete:
        return PressedKey{Key::delete_, modifiers};
    default:
        return std::nullopt;
    }
}

std::optional<int64_t> buttonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::MiddleButton:
        return Key::middleButton;
    case Qt::BackButton:
        return Key::backButton;
    case Qt::ForwardButton:
        return Key::forwardButton;
    default:
        return std::nullopt;
    }
}

} // namespace

RecorderField::RecorderField(ShortcutCenter& center, Name name, ChangeCallback onChange,
                             QWidget* parent)
    : QWidget(parent), m_center(center), m_name(std::move(name)), m_onChange(std::move(onChange)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&m_center, &ShortcutCenter::shortcutChanged, this, [this](const Name& changed) {
        if (changed == m_name)
            refreshText();
    });
    refreshText();
}

RecorderField::~RecorderField() {
    endRecording();
}

void RecorderField::setShortcutName(const Name& name) {
    if (name == m_name)
        return;
    m_name = name;
    refreshText();
}

QString RecorderField::placeholderText() const {
    return localized(m_recording ? kPressShortcut : kRecordShortcut);
}

void RecorderField::refreshText() {
    const auto shortcut = m_center.shortcut(m_name);
    m_text = shortcut ? m_center.displayText(*shortcut) : QString();
    if (shortcut && m_text.isEmpty() && m_center.backend().desktopKeys())
        m_text = localized(kSetOnDesktop);
    notifyValue(this);
    updateGeometry();
    update();
}

void RecorderField::startRecording() {
    if (m_recording || !isVisible())
        return;
    m_recording = true;
    setAccessibleDescription(QString());
    setFocus(Qt::OtherFocusReason);
    // Holding the keyboard keeps passive grabs (the desktop's, other applications', our
    // own global shortcut) from firing, so the field sees every combination.
    grabKeyboard();
    qApp->installEventFilter(this);
    m_center.setPaused(true);
    notifyValue(this);
    update();
    emit recordingChanged(true);
}

void RecorderField::endRecording() {
    if (!m_recording)
        return;
    m_recording = false;
    releaseKeyboard();
    qApp->removeEventFilter(this);
    m_center.setPaused(false);
    notifyValue(this);
    update();
    emit recordingChanged(false);
}

bool RecorderField::event(QEvent* event) {
    if (m_recording) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Window shortcuts must not fire on a combination meant for the field.
            event->accept();
            return true;
        case QEvent::KeyPress:
            // Before QWidget::event, which would take Tab for the focus chain.
            handleKeyPress(static_cast<QKeyEvent*>(event));
            return true;
        case QEvent::KeyRelease:
            return true;
        default:
            break;
        }
    } else if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (!m_text.isEmpty() && clearButtonRect().contains(help->pos()))
            QToolTip::showText(help->globalPos(), localized(kClear), this);
        else
            QToolTip::hideText();
        return true;
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            startRecording();
            return true;
        }
    }
    return QWidget::event(event);
}

void RecorderField::handleKeyPress(QKeyEvent* event) {
    const auto key = pressedKey(*event, m_center.backend().keyGrabs());
    if (!key) {
        if (!isModifierOnly(event->key()))
            QApplication::beep();
        return;
    }
    decide(key->keyCode, key->modifiers);
}

bool RecorderField::usedByOtherName(const Shortcut& shortcut) const {
    for (const Name& other :
         {Name::toggleMute(), Name::mute(), Name::unmute(), Name::pushToMute()}) {
        if (!(other == m_name) && m_center.shortcut(other) == shortcut)
            return true;
    }
    return false;
}

void RecorderField::decide(int64_t keyCode, Modifiers modifiers) {
    const RecorderDecision decision =
        evaluateRecorderKey(keyCode, modifiers, [this](const Shortcut& shortcut) {
            auto* grabs = m_center.backend().keyGrabs();
            return isReservedDesktopShortcut(shortcut) ||
                   (grabs && grabs->isHeldElsewhere(shortcut));
        });
    QPointer<RecorderField> self(this);
    // Two of our own actions on one key would both run on every press.
    if (decision.shortcut && usedByOtherName(*decision.shortcut)) {
        confirmSystemShortcut(/*offerForce=*/false, kUsedByUs, kChooseAnother);
        return;
    }
    switch (decision.verdict) {
    case RecorderVerdict::wait:
        return;
    case RecorderVerdict::stopAndPass:
        endRecording();
        focusNextChild();
        return;
    case RecorderVerdict::cancel:
        endRecording();
        clearFocus();
        return;
    case RecorderVerdict::clear:
        clearShortcut();
        return;
    case RecorderVerdict::reject:
        // A bell alone does not say what is wrong with the key.
        QApplication::beep();
        setAccessibleDescription(localized(kNeedsModifier));
        QToolTip::showText(mapToGlobal(QPoint(0, height())), localized(kNeedsModifier), this);
        return;
    case RecorderVerdict::usedBySystem:
        if (confirmSystemShortcut(/*offerForce=*/true) && self)
            take(*decision.shortcut);
        return;
    case RecorderVerdict::accept:
        take(*decision.shortcut);
        return;
    }
}

void RecorderField::clearShortcut() {
    m_center.setShortcut(std::nullopt, m_name);
    if (m_onChange)
        m_onChange(std::nullopt);
    startRecording();
}

void RecorderField::take(const Shortcut& shortcut) {
    const auto previous = m_center.shortcut(m_name);
    m_center.storeShortcut(m_name, shortcut);
    // A session without a key hook registers nothing at all; keeping the choice there is
    // right. Otherwise a refusal means the new shortcut would do nothing while the old,
    // working one is gone: put the old one back and say why.
    if (m_center.isAvailable() && !m_center.isRegistered(shortcut)) {
        if (previous)
            m_center.storeShortcut(m_name, *previous);
        else
            m_center.setShortcut(std::nullopt, m_name);
        confirmSystemShortcut(/*offerForce=*/false);
        return;
    }
    if (m_onChange)
        m_onChange(shortcut);
    endRecording();
    clearFocus();
}

bool RecorderField::confirmSystemShortcut(bool offerForce, const char* message,
                                          const char* details) {
    // The alert needs the keyboard: stop listening while it is up, listen again after.
    endRecording();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quietlane"),
                    localized(message ? message : kUsedBySystem), QMessageBox::NoButton, window());
    box.setInformativeText(localized(details ? details : kCanBeChanged));
    QPushButton* ok = box.addButton(localized(kOk), QMessageBox::AcceptRole);
    QAbstractButton* force =
        offerForce ? box.addButton(localized(kForceUse), QMessageBox::DestructiveRole) : nullptr;
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.setWindowModality(Qt::WindowModal);
    ControlPalette::applyCardLook(box);
    QPointer<RecorderField> self(this);
    m_alertShown = true;
    box.exec();
    if (!self)
        return false;
    m_alertShown = false;
    const bool forced = force && box.clickedButton() == force;
    startRecording();
    return forced;
}

void RecorderField::mousePressEvent(QMouseEvent* event) {
    if (const auto button = buttonCode(event->button()); button && m_recording) {
        // Only where presses of such a button can be taken system-wide.
        if (m_center.backend().keyGrabs())
            decide(*button, eventModifiers(event->modifiers()));
        else
            QApplication::beep();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (!m_text.isEmpty() && clearButtonRect().contains(event->position())) {
        clearShortcut();
        return;
    }
    startRecording();
}

bool RecorderField::eventFilter(QObject* watched, QEvent* event) {
    if (m_recording && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) {
            const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
            const QRect inside = rect().adjusted(-kClickSlop, -kClickSlop, kClickSlop, kClickSlop);
            if (inside.contains(local))
                return true;
            endRecording();
            clearFocus();
            return false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RecorderField::focusInEvent(QFocusEvent* event) {
    // Only the user's own move into the field starts listening; a window that shows or
    // becomes active must never start it by itself.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        startRecording();
    QWidget::focusInEvent(event);
}

void RecorderField::focusOutEvent(QFocusEvent* event) {
    if (!m_alertShown)
        endRecording();
    QWidget::focusOutEvent(event);
}

void RecorderField::hideEvent(QHideEvent* event) {
    endRecording();
    QWidget::hideEvent(event);
}

QString RecorderField::accessibleValueText() const {
    return m_recording || m_text.isEmpty() ? placeholderText() : m_text;
}

QStringList RecorderField::accessibleActions() const {
    QStringList actions{QAccessibleActionInterface::pressAction()};
    if (!m_text.isEmpty() && !m_recording)
        actions << localized(kClear);
    return actions;
}

void RecorderField::doAccessibleAction(const QString& name) {
    if (name == QAccessibleActionInterface::pressAction())
        startRecording();
    else if (name == localized(kClear))
        clearShortcut();
}

QSize RecorderField::sizeHint() const {
    const QFontMetrics metrics(ControlPalette::interFont(ControlPalette::Weight::medium, 12));
    const int content =
        std::max(metrics.horizontalAdvance(m_text), metrics.horizontalAdvance(placeholderText()));
    return {std::max(130, content + 2 * int(kClearButtonSide + 12)), 24};
}

QRectF RecorderField::clearButtonRect() const {
    const double side = kClearButtonSide;
    return {width() - side - 6, (height() - side) / 2, side, side};
}

void RecorderField::paintEvent(QPaintEvent*) {
    using namespace ControlPalette;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, 7, 7);
    painter.fillPath(shape, white(m_recording ? 0.14 : 0.1));
    if (m_recording) {
        painter.setPen(QPen(green(), 1));
        painter.drawPath(shape);
    } else if (hasFocus()) {
        paintFocusRing(painter, box, 7);
    }

    const QRectF textBox = box.adjusted(kClearButtonSide + 8, 0, -(kClearButtonSide + 8), 0);
    // While listening the old shortcut would read as the answer: the prompt replaces it.
    if (m_text.isEmpty() || m_recording) {
        painter.setFont(interFont(Weight::regular, 12));
        painter.setPen(white(m_recording ? 0.9 : 0.7));
        painter.drawText(textBox, Qt::AlignCenter, placeholderText());
        return;
    }
    painter.setFont(interFont(Weight::medium, 12));
    painter.setPen(white(0.9));
    painter.drawText(
        textBox, Qt::AlignCenter,
        painter.fontMetrics().elidedText(m_text, Qt::ElideMiddle, int(textBox.width())));

    // The clear button: a small round "×".
    const QRectF clear = clearButtonRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(white(0.22));
    painter.drawEllipse(clear);
    painter.setPen(QPen(panel(), 1.4, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = clear.center();
    const double d = 3;
    painter.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    painter.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
}

} // namespace quietlane::GlobalShortcuts
