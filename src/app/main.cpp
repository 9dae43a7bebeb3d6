#include <QApplication>

#include "app/Form1.h"
#include "platform/services/AppFolder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvin Sound Recorder");
    const std::string folder = qsr::services::PrepareApplicationFolder();
    qsr::app::Form1 window(folder);
    window.show();
    return QApplication::exec();
}
