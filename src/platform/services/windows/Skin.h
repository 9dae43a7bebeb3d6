#pragma once

#include <string>

class QWidget;

namespace qsr::services {

// Path of the skin inside the application folder.
std::string SkinPath(const std::string& applicationFolder);

// Applies the skin (a Qt style sheet) to a window. A missing or unreadable
// skin leaves the plain look; returns whether a skin was applied.
bool ApplySkin(QWidget& window, const std::string& applicationFolder);

}  // namespace qsr::services
