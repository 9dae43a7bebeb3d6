#include "app/Form1.h"

#include "platform/services/Skin.h"

namespace qsr::app {

Form1::Form1(std::string applicationFolder, QWidget* parent)
    : QMainWindow(parent), applicationFolder_(std::move(applicationFolder)) {
    setObjectName("Form1");
    setWindowTitle("Quorvin Sound Recorder v3.20");
    resize(760, 560);
    services::ApplySkin(*this, applicationFolder_);
}

}  // namespace qsr::app
