#pragma once

#include "platform/services/EventPump.h"
#include "platform/services/Services.h"

namespace qsr::services {

// The desktop services on Qt widgets; single instance and hotkeys live apart.
class QtMessageBox : public IMessageBox {
  public:
    MsgAnswer Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                   const std::string& title) override;
};

class QtFileDialog : public IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                        const std::string& startDir) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                        const std::string& startDir) override;
};

class QtFolderPicker : public IFolderPicker {
  public:
    std::optional<std::string> PickFolder(const std::string& title,
                                          const std::string& startDir) override;
};

class QtInputBox : public IInputBox {
  public:
    std::optional<std::string> Ask(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;
    int Choose(const std::string& prompt, const std::string& title,
               const std::vector<std::string>& items) override;
};

// Stored with QSettings under organisation "quorvin", one group per section.
class QtUserSettings : public IUserSettings {
  public:
    std::string Get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) override;
    void Set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
};

class QtUrlOpener : public IUrlOpener {
  public:
    bool Open(const std::string& urlOrPath) override;
};

class QtProcessStarter : public IProcessStarter {
  public:
    bool Start(const std::string& program, const std::vector<std::string>& args) override;
};

class QtModalRunner : public IModalRunner {
  public:
    int Exec(QDialog& dialog) override;
};

}  // namespace qsr::services
