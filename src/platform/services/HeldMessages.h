#pragma once

#include <string>
#include <vector>

#include "platform/services/Services.h"

namespace qsr::services {

// Holds the messages that only inform (an OK button alone) until Release and
// then shows them in order; from then on every message passes at once. The
// program starts behind it, so what its load has to say comes over the shown
// main window instead of before it. A message that asks passes at once: its
// caller needs the answer now.
class HeldMessages : public IMessageBox {
  public:
    explicit HeldMessages(IMessageBox& shown) : shown_(shown) {}

    // A held message answers Ok, as its only button would.
    MsgAnswer Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                   const std::string& title) override;
    void Release();

  private:
    struct Message {
        std::string text;
        MsgIcon icon;
        std::string title;
    };
    IMessageBox& shown_;
    bool holding_ = true;
    std::vector<Message> held_;
};

}  // namespace qsr::services
