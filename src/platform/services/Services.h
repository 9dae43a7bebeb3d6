#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <vector>

class QDialog;

namespace qsr::services {

enum class MsgIcon { None, Error, Question, Warning, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// Modal message box.
class IMessageBox {
  public:
    virtual ~IMessageBox() = default;
    virtual MsgAnswer Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                           const std::string& title) = 0;
};

// Open and save file dialogs. filter uses Qt's form: "Project (*.rpf);;All (*)".
class IFileDialog {
  public:
    virtual ~IFileDialog() = default;
    virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                                const std::string& startDir) = 0;
    virtual std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                                const std::string& startDir) = 0;
};

class IFolderPicker {
  public:
    virtual ~IFolderPicker() = default;
    virtual std::optional<std::string> PickFolder(const std::string& title,
                                                  const std::string& startDir) = 0;
};

// Asks the user for one line of text; nullopt when cancelled.
class IInputBox {
  public:
    virtual ~IInputBox() = default;
    virtual std::optional<std::string> Ask(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText) = 0;
    // Lets the user pick one entry of a list; -1 when cancelled.
    virtual int Choose(const std::string& prompt, const std::string& title,
                       const std::vector<std::string>& items) = 0;
};

// Per-user settings of the desktop (application, section, key).
class IUserSettings {
  public:
    virtual ~IUserSettings() = default;
    virtual std::string Get(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& defaultValue) = 0;
    virtual void Set(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

class IUrlOpener {
  public:
    virtual ~IUrlOpener() = default;
    // A web address or a local file, opened with the desktop's default program.
    virtual bool Open(const std::string& urlOrPath) = 0;
};

class IProcessStarter {
  public:
    virtual ~IProcessStarter() = default;
    // Starts a program with an argument list (never through a shell); does not wait.
    virtual bool Start(const std::string& program, const std::vector<std::string>& args) = 0;
};

// Global hotkeys. Activated(id) arrives on the user-interface thread.
class IHotkeyRegistrar : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~IHotkeyRegistrar() override = default;
    // key is an upper-case letter, e.g. 'R'; the modifier is always Ctrl here.
    virtual bool RegisterCtrlKey(int id, char key) = 0;
    virtual void Unregister(int id) = 0;
  signals:
    void Activated(int id);
};

// Tells whether another copy of the program runs.
class ISingleInstance {
  public:
    virtual ~ISingleInstance() = default;
    // True when this process is the only copy (and now holds the claim).
    virtual bool Acquire() = 0;
};

// Lets pending events run.
class IEventPump {
  public:
    virtual ~IEventPump() = default;
    virtual void ProcessEvents() = 0;
};

// Shows dialogs modally; tests answer instead of running a nested loop.
class IModalRunner {
  public:
    virtual ~IModalRunner() = default;
    virtual int Exec(QDialog& dialog) = 0;
};

// The desktop services a window may use, passed in from main().
struct DesktopServices {
    IMessageBox* messageBox = nullptr;
    IFileDialog* fileDialog = nullptr;
    IFolderPicker* folderPicker = nullptr;
    IInputBox* inputBox = nullptr;
    IUserSettings* userSettings = nullptr;
    IUrlOpener* urlOpener = nullptr;
    IProcessStarter* processStarter = nullptr;
    IHotkeyRegistrar* hotkeys = nullptr;
    ISingleInstance* singleInstance = nullptr;
    IEventPump* eventPump = nullptr;
    IModalRunner* modal = nullptr;
};

}  // namespace qsr::services
