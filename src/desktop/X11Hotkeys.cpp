#include "desktop/X11Hotkeys.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <array>
#include <cctype>
#include <cstdlib>

namespace qsr::desktop {
namespace {

constexpr std::uint32_t kNumLockKeysym = 0xff7f;
// Modifiers that make a different key combination; the lock modifiers do not.
constexpr std::uint16_t kRelevantMods =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

// The server's keysyms of every keycode from `first`, freed when it goes.
struct KeyboardMap {
    explicit KeyboardMap(xcb_connection_t* conn) {
        const xcb_setup_t* setup = xcb_get_setup(conn);
        first = setup->min_keycode;
        count = setup->max_keycode - setup->min_keycode + 1;
        reply = xcb_get_keyboard_mapping_reply(
            conn,
            xcb_get_keyboard_mapping(conn, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
    }
    ~KeyboardMap() { std::free(reply); }
    KeyboardMap(const KeyboardMap&) = delete;
    KeyboardMap& operator=(const KeyboardMap&) = delete;

    int first = 0;
    int count = 0;
    xcb_get_keyboard_mapping_reply_t* reply = nullptr;
};

std::uint16_t FindNumLockMask(xcb_connection_t* conn) {
    const KeyboardMap keyboard(conn);
    const int first = keyboard.first;
    const int count = keyboard.count;
    xcb_get_keyboard_mapping_reply_t* map = keyboard.reply;
    xcb_get_modifier_mapping_reply_t* mods =
        xcb_get_modifier_mapping_reply(conn, xcb_get_modifier_mapping(conn), nullptr);
    std::uint16_t mask = 0;
    if (map && mods) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        const int perCode = map->keysyms_per_keycode;
        const xcb_keycode_t* modCodes = xcb_get_modifier_mapping_keycodes(mods);
        const int perMod = mods->keycodes_per_modifier;
        for (int m = 0; m < 8 && !mask; ++m) {
            for (int j = 0; j < perMod && !mask; ++j) {
                const int code = modCodes[m * perMod + j];
                if (code < first || code >= first + count) continue;
                for (int k = 0; k < perCode; ++k) {
                    if (syms[(code - first) * perCode + k] == kNumLockKeysym) {
                        mask = static_cast<std::uint16_t>(1u << m);
                        break;
                    }
                }
            }
        }
    }
    std::free(mods);
    return mask ? mask : static_cast<std::uint16_t>(XCB_MOD_MASK_2);
}

}  // namespace

X11HotkeyRegistrar::X11HotkeyRegistrar(QObject* parent) : services::IHotkeyRegistrar(parent) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    conn_ = x11->connection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    numLockMask_ = FindNumLockMask(conn_);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotkeyRegistrar::~X11HotkeyRegistrar() {
    if (!conn_) return;
    for (const auto& [id, code] : grabs_) Ungrab(code);
    grabs_.clear();
    xcb_flush(conn_);
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::uint8_t KeycodeForLetter(xcb_connection_t* conn, char key) {
    const KeyboardMap keyboard(conn);
    const int first = keyboard.first;
    const int count = keyboard.count;
    const xcb_get_keyboard_mapping_reply_t* map = keyboard.reply;
    if (!map) return 0;
    // Latin letters: the keysym is the letter's code, lower case unshifted.
    const auto lower = static_cast<xcb_keysym_t>(std::tolower(static_cast<unsigned char>(key)));
    const auto upper = static_cast<xcb_keysym_t>(std::toupper(static_cast<unsigned char>(key)));
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int perCode = map->keysyms_per_keycode;
    std::uint8_t found = 0;
    for (int c = 0; c < count && !found; ++c) {
        for (int k = 0; k < perCode && k < 2; ++k) {
            const xcb_keysym_t s = syms[c * perCode + k];
            if (s == lower || s == upper) {
                found = static_cast<std::uint8_t>(first + c);
                break;
            }
        }
    }
    return found;
}

std::array<std::uint16_t, 4> X11HotkeyRegistrar::Variants() const {
    const auto ctrl = static_cast<std::uint16_t>(XCB_MOD_MASK_CONTROL);
    const auto lock = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK);
    return {ctrl, static_cast<std::uint16_t>(ctrl | lock),
            static_cast<std::uint16_t>(ctrl | numLockMask_),
            static_cast<std::uint16_t>(ctrl | lock | numLockMask_)};
}

bool X11HotkeyRegistrar::RegisterCtrlKey(int id, char key) {
    if (!conn_ || grabs_.count(id)) return false;
    const std::uint8_t code = KeycodeForLetter(conn_, key);
    if (!code) return false;
    const auto variants = Variants();
    std::array<xcb_void_cookie_t, 4> cookies{};
    for (std::size_t i = 0; i < variants.size(); ++i)
        cookies[i] = xcb_grab_key_checked(conn_, 1, root_, variants[i], code, XCB_GRAB_MODE_ASYNC,
                                          XCB_GRAB_MODE_ASYNC);
    bool ok = true;
    for (auto cookie : cookies) {
        // BadAccess: another client holds this combination.
        if (xcb_generic_error_t* error = xcb_request_check(conn_, cookie)) {
            ok = false;
            std::free(error);
        }
    }
    if (!ok) {
        // Release the variants we did get, so a failed claim holds nothing.
        for (auto mods : variants) xcb_ungrab_key(conn_, code, root_, mods);
        xcb_flush(conn_);
        return false;
    }
    grabs_[id] = code;
    return true;
}

void X11HotkeyRegistrar::Ungrab(std::uint8_t keycode) {
    for (std::uint16_t mods : Variants()) xcb_ungrab_key(conn_, keycode, root_, mods);
}

void X11HotkeyRegistrar::Unregister(int id) {
    auto it = grabs_.find(id);
    if (it == grabs_.end() || !conn_) return;
    Ungrab(it->second);
    xcb_flush(conn_);
    grabs_.erase(it);
}

bool X11HotkeyRegistrar::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || grabs_.empty()) return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    if ((press->state & kRelevantMods) != XCB_MOD_MASK_CONTROL) return false;
    for (const auto& [id, code] : grabs_) {
        if (press->detail == code) {
            emit Activated(id);
            return true;
        }
    }
    return false;
}

}  // namespace qsr::desktop
