#pragma once

#include <QCoreApplication>

#include "platform/services/Services.h"

namespace qsr::services {

// Lets pending events run; QtCore only, so the command line has it too.
class QtEventPump : public IEventPump {
  public:
    void ProcessEvents() override { QCoreApplication::processEvents(); }
};

}  // namespace qsr::services
