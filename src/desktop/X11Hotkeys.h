#pragma once

#include <QAbstractNativeEventFilter>
#include <array>
#include <cstdint>
#include <map>

#include "platform/services/Services.h"

struct xcb_connection_t;

namespace qsr::desktop {

// Global Ctrl+letter hotkeys on X11: a passive key grab on the root window for
// each of the lock variants (plain, CapsLock, NumLock, both), so the keys work
// whatever the lock lights show. Key presses reach us through Qt's native
// event filter on the user-interface thread.
//
// Without an X11 connection (Wayland, offscreen) every claim fails, and so does
// a claim of a key another program has grabbed already.
class X11HotkeyRegistrar : public services::IHotkeyRegistrar, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    explicit X11HotkeyRegistrar(QObject* parent = nullptr);
    ~X11HotkeyRegistrar() override;

    bool RegisterCtrlKey(int id, char key) override;
    void Unregister(int id) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    bool Available() const { return conn_ != nullptr; }

  private:
    void Ungrab(std::uint8_t keycode);
    // Ctrl with every combination of the lock modifiers.
    std::array<std::uint16_t, 4> Variants() const;

    xcb_connection_t* conn_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint16_t numLockMask_ = 0;
    std::map<int, std::uint8_t> grabs_;  // identifier -> keycode
};

// The keycode that types the Latin letter (either case) on this keyboard; 0
// when none does.
std::uint8_t KeycodeForLetter(xcb_connection_t* conn, char letter);

}  // namespace qsr::desktop
