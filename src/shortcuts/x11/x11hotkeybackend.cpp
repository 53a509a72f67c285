// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/x11/x11hotkeybackend.h"

#include "base/log.h"
#include "shortcuts/x11/x11keymap.h"

#include <xcb/xcb.h>
// xkb.h names a struct member 'explicit', which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <cstdlib>
#include <map>
#include <variant>
#include <vector>

namespace quietlane::GlobalShortcuts {

namespace {

constexpr int kBadAccess = 10;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

} // namespace

struct X11HotkeyBackend::Private {
    struct Grab {
        Shortcut shortcut;
        xcb_keycode_t keycode = 0;
        uint16_t modifiers = 0;
        // Non-zero for a mouse button, which is grabbed instead of a key.
        uint8_t button = 0;
    };

    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xkb_context* context = nullptr;
    int32_t deviceId = -1;
    std::unique_ptr<X11Keymap> keymap;
    bool detectableAutoRepeat = false;
    bool broken = false;
    EventHandler handler;
    std::map<uint32_t, Grab> grabs;
    // Keycode -> id of the grab whose press is down. Auto-repeat presses of a held key
    // are dropped, and the release goes to this id whatever modifiers remain.
    std::map<xcb_keycode_t, uint32_t> held;
    // The same for mouse buttons. Their release always arrives: the press makes the
    // pointer ours until every button is up.
    std::map<uint8_t, uint32_t> heldButtons;

    ~Private() {
        keymap.reset();
        if (context)
            xkb_context_unref(context);
        if (connection)
            xcb_disconnect(connection);
    }

    // The grab for a shortcut with the current keyboard map, or why there is none.
    std::variant<Grab, HotkeyRefusal> grabFor(const Shortcut& shortcut) const {
        const auto modifiers = keymap->xModifiersFor(shortcut.modifiers);
        if (!modifiers)
            return HotkeyRefusal::noSuchModifiers;
        if (const auto button = Key::pointerButtonNumber(shortcut.keyCode))
            return Grab{shortcut, 0, *modifiers, *button};
        const xkb_keycode_t keycode = keymap->keycodeFor(shortcut.keyCode);
        if (keycode == XKB_KEYCODE_INVALID || keycode > 255)
            return HotkeyRefusal::noSuchKey;
        return Grab{shortcut, static_cast<xcb_keycode_t>(keycode), *modifiers, 0};
    }

    int grab(const Grab& grab) {
        std::vector<xcb_void_cookie_t> cookies;
        for (const uint16_t locks : keymap->lockCombinations()) {
            if (grab.button) {
                cookies.push_back(xcb_grab_button_checked(
                    connection, 0, root,
                    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, grab.button,
                    grab.modifiers | locks));
                continue;
            }
            cookies.push_back(xcb_grab_key_checked(connection, 1, root, grab.modifiers | locks,
                                                   grab.keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        }
        int status = 0;
        for (const auto cookie : cookies) {
            if (XcbReply<xcb_generic_error_t> error{xcb_request_check(connection, cookie)})
                status = status ? status : error->error_code;
        }
        // All or nothing: a half-grabbed shortcut would work only with some locks on.
        if (status != 0)
            ungrab(grab);
        return status;
    }

    void ungrab(const Grab& grab) {
        // Ungrabbing only ever releases our own grabs, so this is safe after a refusal.
        for (const uint16_t locks : keymap->lockCombinations()) {
            if (grab.button)
                xcb_ungrab_button(connection, grab.button, root, grab.modifiers | locks);
            else
                xcb_ungrab_key(connection, grab.keycode, root, grab.modifiers | locks);
        }
        xcb_flush(connection);
    }

    uint32_t currentLayout() const {
        XcbReply<xcb_xkb_get_state_reply_t> state{xcb_xkb_get_state_reply(
            connection, xcb_xkb_get_state(connection, XCB_XKB_ID_USE_CORE_KBD), nullptr)};
        return state ? state->group : 0;
    }

    void reloadKeymap() {
        for (const auto& [id, grab] : grabs)
            ungrab(grab);
        std::string error;
        if (auto fresh = X11Keymap::load(connection, context, deviceId, error))
            keymap = std::move(fresh);
        held.clear();
        for (auto& [id, grab] : grabs) {
            const auto fresh = grabFor(grab.shortcut);
            if (!std::holds_alternative<Grab>(fresh))
                continue;
            grab = std::get<Grab>(fresh);
            if (const int status = this->grab(grab); status != 0) {
                Log::error(Log::Category::app,
                           "global shortcut lost after a keyboard change (status %d)", status);
            }
        }
    }

    void deliver(HotkeyEvent::Kind kind, uint32_t id) {
        const auto it = grabs.find(id);
        if (it == grabs.end() || !handler)
            return;
        const EventHandler copy = handler;
        copy({kind, id});
    }

    void keyPressed(const xcb_key_press_event_t& event) {
        if (held.contains(event.detail))
            return;
        const uint16_t modifiers = event.state & keymap->significantModifiers();
        for (const auto& [id, grab] : grabs) {
            if (!grab.button && grab.keycode == event.detail && grab.modifiers == modifiers) {
                held[event.detail] = id;
                deliver(HotkeyEvent::Kind::pressed, id);
                return;
            }
        }
    }

    void buttonPressed(const xcb_button_press_event_t& event) {
        if (heldButtons.contains(event.detail))
            return;
        const uint16_t modifiers = event.state & keymap->significantModifiers();
        for (const auto& [id, grab] : grabs) {
            if (grab.button && grab.button == event.detail && grab.modifiers == modifiers) {
                heldButtons[event.detail] = id;
                deliver(HotkeyEvent::Kind::pressed, id);
                return;
            }
        }
    }

    void buttonReleased(const xcb_button_release_event_t& event) {
        const auto it = heldButtons.find(event.detail);
        if (it == heldButtons.end())
            return;
        const uint32_t id = it->second;
        heldButtons.erase(it);
        deliver(HotkeyEvent::Kind::released, id);
    }

    void releaseAllHeld(const char* why) {
        std::vector<uint32_t> ids;
        for (const auto& [keycode, id] : held)
            ids.push_back(id);
        for (const auto& [button, id] : heldButtons)
            ids.push_back(id);
        held.clear();
        heldButtons.clear();
        for (const uint32_t id : ids) {
            Log::notice(Log::Category::app,
                        "global shortcut released without a key release (%s); the "
                        "microphone is back as before the press",
                        why);
            deliver(HotkeyEvent::Kind::released, id);
        }
    }

    void keyReleased(const xcb_key_release_event_t& event) {
        const auto it = held.find(event.detail);
        if (it == held.end())
            return;
        const uint32_t id = it->second;
        held.erase(it);
        deliver(HotkeyEvent::Kind::released, id);
    }
};

std::unique_ptr<X11HotkeyBackend> X11HotkeyBackend::open(const std::string& displayName,
                                                         std::string& error) {
    auto d = std::make_unique<Private>();
    d->connection = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), nullptr);
    if (xcb_connection_has_error(d->connection)) {
        error = "cannot connect to the X display";
        return nullptr;
    }
    const xcb_setup_t* setup = xcb_get_setup(d->connection);
    d->root = xcb_setup_roots_iterator(setup).data->root;
    if (!xkb_x11_setup_xkb_extension(
            d->connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        error = "the X server has no keyboard extension (XKB)";
        return nullptr;
    }
    d->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    d->deviceId = xkb_x11_get_core_keyboard_device_id(d->connection);
    if (!d->context || d->deviceId < 0) {
        error = "the X server reports no keyboard";
        return nullptr;
    }
    d->keymap = X11Keymap::load(d->connection, d->context, d->deviceId, error);
    if (!d->keymap)
        return nullptr;

    // Without this a held key arrives as release/press pairs, and push-to-talk would
    // flap on every repeat.
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    XcbReply<xcb_xkb_per_client_flags_reply_t> flags{xcb_xkb_per_client_flags_reply(
        d->connection,
        xcb_xkb_per_client_flags(d->connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr)};
    d->detectableAutoRepeat = flags && (flags->value & flag);
    if (!d->detectableAutoRepeat)
        Log::notice(Log::Category::app, "X server lacks detectable auto-repeat");
    return std::unique_ptr<X11HotkeyBackend>(new X11HotkeyBackend(std::move(d)));
}

X11HotkeyBackend::X11HotkeyBackend(std::unique_ptr<Private> priv) : d(std::move(priv)) {}

X11HotkeyBackend::~X11HotkeyBackend() {
    if (!d->broken) {
        for (const auto& [id, grab] : d->grabs)
            d->ungrab(grab);
    }
}

bool X11HotkeyBackend::hasDetectableAutoRepeat() const {
    return d->detectableAutoRepeat;
}

HotkeyRefusal X11HotkeyBackend::registerHotkey(const Shortcut& shortcut, uint32_t id) {
    if (d->broken)
        return HotkeyRefusal::noKeyHook;
    const auto made = d->grabFor(shortcut);
    if (const auto* refusal = std::get_if<HotkeyRefusal>(&made))
        return *refusal;
    const auto& grab = std::get<Private::Grab>(made);
    if (const int status = d->grab(grab); status != 0)
        return status == kBadAccess ? HotkeyRefusal::heldElsewhere : HotkeyRefusal::serverError;
    d->grabs.insert_or_assign(id, grab);
    return HotkeyRefusal::none;
}

void X11HotkeyBackend::unregisterHotkey(uint32_t id) {
    const auto it = d->grabs.find(id);
    if (it == d->grabs.end())
        return;
    if (!d->broken)
        d->ungrab(it->second);
    std::erase_if(d->held, [id](const auto& entry) { return entry.second == id; });
    std::erase_if(d->heldButtons, [id](const auto& entry) { return entry.second == id; });
    d->grabs.erase(it);
}

bool X11HotkeyBackend::isHeldElsewhere(const Shortcut& shortcut) {
    if (d->broken)
        return false;
    for (const auto& [id, grab] : d->grabs) {
        // Grabbing our own combination again would succeed, and the ungrab after the test
        // would then drop the live registration.
        if (grab.shortcut == shortcut)
            return false;
    }
    const auto made = d->grabFor(shortcut);
    if (!std::holds_alternative<Private::Grab>(made))
        return false;
    const auto& probe = std::get<Private::Grab>(made);
    const int status = d->grab(probe);
    if (status == 0)
        d->ungrab(probe);
    return status == kBadAccess;
}

void X11HotkeyBackend::setEventHandler(EventHandler handler) {
    d->handler = std::move(handler);
}

std::optional<std::string> X11HotkeyBackend::characterForKey(int64_t keyCode) const {
    if (d->broken)
        return usLayoutCharacter(keyCode);
    return d->keymap->character(keyCode, d->currentLayout());
}

std::optional<Shortcut> X11HotkeyBackend::shortcutForNativeKey(uint32_t nativeKeyCode,
                                                               uint32_t nativeModifiers) const {
    const auto code = d->keymap->keyCodeFor(nativeKeyCode);
    if (!code)
        return std::nullopt;
    return Shortcut(*code, d->keymap->modifiersFor(uint16_t(nativeModifiers)));
}

std::optional<int> X11HotkeyBackend::heldKeyCheckInterval() const {
    if (d->held.empty() || d->broken)
        return std::nullopt;
    return 50;
}

void X11HotkeyBackend::checkHeldKeys() {
    if (d->held.empty() || d->broken)
        return;
    XcbReply<xcb_query_keymap_reply_t> keymap{
        xcb_query_keymap_reply(d->connection, xcb_query_keymap(d->connection), nullptr)};
    if (!keymap)
        return; // a broken connection: the event pump notices and releases
    // Events already queued come first: a real release waiting there is not a lost one.
    processPendingEvents();
    for (auto it = d->held.begin(); it != d->held.end();) {
        const xcb_keycode_t keycode = it->first;
        if (keymap->keys[keycode / 8] & (1 << (keycode % 8))) {
            ++it;
            continue;
        }
        const uint32_t id = it->second;
        it = d->held.erase(it);
        Log::notice(Log::Category::app,
                    "global shortcut released without a key release (the key is up, the "
                    "focus probably moved to a Wayland window); the microphone is back as "
                    "before the press");
        d->deliver(HotkeyEvent::Kind::released, id);
        return; // the handler may have changed the registrations: look again next time
    }
}

int X11HotkeyBackend::eventFd() const {
    return d->broken ? -1 : xcb_get_file_descriptor(d->connection);
}

void X11HotkeyBackend::processPendingEvents() {
    if (d->broken)
        return;
    std::vector<XcbReply<xcb_generic_event_t>> events;
    while (xcb_generic_event_t* event = xcb_poll_for_event(d->connection))
        events.emplace_back(event);
    if (xcb_connection_has_error(d->connection)) {
        d->broken = true;
        Log::error(Log::Category::app,
                   "connection to the X display lost; the global shortcut stops working, and "
                   "quietlane quits if the X server itself has gone");
        // No release can come any more: a hold in progress ends now.
        d->releaseAllHeld("the X connection was lost");
        return;
    }
    for (size_t i = 0; i < events.size(); ++i) {
        const uint8_t type = events[i]->response_type & 0x7F;
        if (type == XCB_BUTTON_PRESS) {
            d->buttonPressed(*reinterpret_cast<xcb_button_press_event_t*>(events[i].get()));
        } else if (type == XCB_BUTTON_RELEASE) {
            d->buttonReleased(*reinterpret_cast<xcb_button_release_event_t*>(events[i].get()));
        } else if (type == XCB_KEY_PRESS) {
            d->keyPressed(*reinterpret_cast<xcb_key_press_event_t*>(events[i].get()));
        } else if (type == XCB_KEY_RELEASE) {
            const auto& release = *reinterpret_cast<xcb_key_release_event_t*>(events[i].get());
            // A server without detectable auto-repeat sends each repeat as a release and a
            // press with the same time stamp: skip the pair, the key is still down.
            if (!d->detectableAutoRepeat && i + 1 < events.size() &&
                (events[i + 1]->response_type & 0x7F) == XCB_KEY_PRESS) {
                const auto& next = *reinterpret_cast<xcb_key_press_event_t*>(events[i + 1].get());
                if (next.detail == release.detail && next.time == release.time) {
                    ++i;
                    continue;
                }
            }
            d->keyReleased(release);
        } else if (type == XCB_MAPPING_NOTIFY) {
            d->reloadKeymap();
        }
    }
}

} // namespace quietlane::GlobalShortcuts
