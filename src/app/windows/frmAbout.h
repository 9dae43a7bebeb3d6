#pragma once

#include <QDialog>

namespace qsr::app {

// The About window: product name, version and what the program does.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* parent = nullptr);
};

}  // namespace qsr::app
