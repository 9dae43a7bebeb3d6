#pragma once

#include <cstdio>
#include <string>

#include "platform/services/Services.h"

// The sound-library wrapper's error box must not block a benchmark: its
// messages go to stderr.
class StderrBox : public qsr::services::IMessageBox {
  public:
    qsr::services::MsgAnswer Show(const std::string& text, qsr::services::MsgIcon,
                                  qsr::services::MsgButtons, const std::string& title) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return qsr::services::MsgAnswer::Ok;
    }
};
