#include "platform/services/Skin.h"

#include <QFile>
#include <QWidget>

#include "platform/services/AppFolder.h"

namespace qsr::services {

std::string SkinPath(const std::string& applicationFolder) {
    return AppPath(applicationFolder, "skins/frmmain.skn");
}

bool ApplySkin(QWidget& window, const std::string& applicationFolder) {
    QFile file(QString::fromStdString(SkinPath(applicationFolder)));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    window.setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

}  // namespace qsr::services
