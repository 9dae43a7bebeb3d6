#include "platform/services/HeldMessages.h"

#include <utility>

namespace qsr::services {

MsgAnswer HeldMessages::Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                             const std::string& title) {
    if (!holding_ || buttons != MsgButtons::Ok) return shown_.Show(text, icon, buttons, title);
    held_.push_back({text, icon, title});
    return MsgAnswer::Ok;
}

void HeldMessages::Release() {
    holding_ = false;
    // A box shown here runs events, and with them code that may show more.
    const std::vector<Message> held = std::exchange(held_, {});
    for (const Message& m : held) shown_.Show(m.text, m.icon, MsgButtons::Ok, m.title);
}

}  // namespace qsr::services
