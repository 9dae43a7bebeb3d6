#pragma once

#include <QMainWindow>
#include <string>

namespace qsr::app {

// The main recorder window.
class Form1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit Form1(std::string applicationFolder, QWidget* parent = nullptr);

  private:
    std::string applicationFolder_;
};

}  // namespace qsr::app
