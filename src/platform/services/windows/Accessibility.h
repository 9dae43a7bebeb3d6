#pragma once

#include <string>
#include <vector>

class QWidget;

namespace qsr::services {

// Gives every control below root that has no accessible name the one a
// screen reader should say: a button's or group's caption (without its "&"
// marker), an icon button's tooltip, a text box's, list's or slider's label
// (the QLabel whose buddy it is, else the label standing just before it in
// its layout), else its tooltip. Windows call it once their controls exist.
void NameControlsForAccessibility(QWidget* root);

// The controls below root that assistive tools can reach but that have no
// name, as "objectName (role)"; empty when every one is named. For tests.
std::vector<std::string> UnnamedControls(QWidget* root);

// Where Tab goes backwards against the reading order between two controls of
// one container: to a control above that is not to the right (a new column
// may start at the top), or to the left within a row. As "from -> to"; empty
// when Tab follows the layout. For tests.
std::vector<std::string> TabOrderProblems(QWidget* root);

}  // namespace qsr::services
