#pragma once

#include <QProcess>
#include <QString>
#include <cstdlib>
#include <optional>
#include <string>

#include "support/TempDir.h"

namespace qsr::testing {

// A sound server of the test's own (scripts/sound-server), PULSE_SERVER
// pointing at it while the object lives; a failed assertion in between still
// stops it and gives the suite's server back to the tests after it.
class PrivateSoundServer {
  public:
    explicit PrivateSoundServer(const std::string& sourceDir)
        : script_(QString::fromStdString(sourceDir + "/scripts/sound-server")),
          folder_(dir_.File("pulse")) {
        if (const char* before = std::getenv("PULSE_SERVER")) before_ = before;
        if (QProcess::execute(script_, {"start", QString::fromStdString(folder_)}) != 0) return;
        // The env file reads "export PULSE_SERVER=<address>".
        std::string address = ReadAll(folder_ + "/env");
        address = address.substr(address.find('=') + 1);
        address_ = address.substr(0, address.find('\n'));
        setenv("PULSE_SERVER", address_.c_str(), 1);
    }
    ~PrivateSoundServer() {
        QProcess::execute(script_, {"stop", QString::fromStdString(folder_)});
        if (before_)
            setenv("PULSE_SERVER", before_->c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    bool Up() const { return !address_.empty(); }
    // The server's folder (its pid file among others).
    const std::string& Folder() const { return folder_; }

  private:
    TempDir dir_;
    QString script_;
    std::string folder_;
    std::string address_;
    std::optional<std::string> before_;
};

}  // namespace qsr::testing
