#include "platform/services/windows/Skin.h"

#include <QWidget>

#include "core/TextFile.h"
#include "platform/services/AppFolder.h"

namespace qsr::services {

std::string SkinPath(const std::string& applicationFolder) {
    return AppPath(applicationFolder, "skins/frmmain.skn");
}

bool ApplySkin(QWidget& window, const std::string& applicationFolder) {
    // A style sheet is small; a pipe or a huge file in its place is ignored.
    constexpr std::size_t kMaxSkinBytes = 1024 * 1024;
    const auto read = core::ReadTextFile(SkinPath(applicationFolder), kMaxSkinBytes);
    if (!read.ok) return false;
    window.setStyleSheet(
        QString::fromUtf8(read.text.data(), static_cast<qsizetype>(read.text.size())));
    return true;
}

}  // namespace qsr::services
