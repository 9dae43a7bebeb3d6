#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/services/Services.h"

namespace qsr::fakes {

// Answers from a script (in order; Ok/default when the script is empty) and
// remembers every message shown.
class FakeMessageBox : public services::IMessageBox {
  public:
    struct Shown {
        std::string text;
        services::MsgIcon icon;
        services::MsgButtons buttons;
        std::string title;
    };
    std::deque<services::MsgAnswer> answers;
    std::vector<Shown> shown;
    std::function<void()> whileShown;  // runs as events would while the box is up

    services::MsgAnswer Show(const std::string& text, services::MsgIcon icon,
                             services::MsgButtons buttons, const std::string& title) override;
    std::vector<std::string> Texts() const;
};

// Each dialog answers from its own queue; an empty queue means "cancelled".
class FakeFileDialog : public services::IFileDialog {
  public:
    std::deque<std::string> openAnswers, saveAnswers;
    std::vector<std::string> titles, filters, startDirs;
    // Runs while an Open dialog "is shown", as events would.
    std::function<void()> whileOpen;
    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                        const std::string& startDir) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& filter,
                                        const std::string& startDir) override;
};

class FakeFolderPicker : public services::IFolderPicker {
  public:
    std::deque<std::string> answers;
    std::vector<std::string> titles, startDirs;
    std::optional<std::string> PickFolder(const std::string& title,
                                          const std::string& startDir) override;
};

class FakeInputBox : public services::IInputBox {
  public:
    std::deque<std::optional<std::string>> answers;  // nullopt = Cancel
    std::deque<int> choices;
    std::vector<std::string> prompts;
    std::optional<std::string> Ask(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;
    int Choose(const std::string& prompt, const std::string& title,
               const std::vector<std::string>& items) override;
};

class FakeUserSettings : public services::IUserSettings {
  public:
    std::map<std::string, std::string> values;  // "app/section/key"
    std::string Get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& defaultValue) override;
    void Set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
};

class FakeUrlOpener : public services::IUrlOpener {
  public:
    bool result = true;
    std::vector<std::string> opened;
    bool Open(const std::string& urlOrPath) override {
        opened.push_back(urlOrPath);
        return result;
    }
};

class FakeProcessStarter : public services::IProcessStarter {
  public:
    bool result = true;
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
    bool Start(const std::string& program, const std::vector<std::string>& args) override {
        started.emplace_back(program, args);
        return result;
    }
};

// Claims succeed unless the key is listed in `taken`.
class FakeHotkeys : public services::IHotkeyRegistrar {
  public:
    std::set<char> taken;
    std::map<int, char> registered;
    std::vector<int> unregistered;
    bool RegisterCtrlKey(int id, char key) override;
    void Unregister(int id) override;
    void Press(int id) { emit Activated(id); }
};

class FakeSingleInstance : public services::ISingleInstance {
  public:
    bool first = true;
    bool Acquire() override { return first; }
};

class FakeEventPump : public services::IEventPump {
  public:
    int pumped = 0;
    std::function<void()> onPump;  // runs as the "pending events"
    void ProcessEvents() override {
        ++pumped;
        if (onPump) onPump();
    }
};

// Runs a script against the dialog instead of a nested event loop; the
// script's return value is the dialog's result.
class FakeModalRunner : public services::IModalRunner {
  public:
    std::deque<std::function<int(QDialog&)>> scripts;
    std::vector<std::string> shownObjectNames;
    int Exec(QDialog& dialog) override;
};

// A full set of fakes and the DesktopServices that points at them.
struct FakeDesktop {
    FakeMessageBox messageBox;
    FakeFileDialog fileDialog;
    FakeFolderPicker folderPicker;
    FakeInputBox inputBox;
    FakeUserSettings userSettings;
    FakeUrlOpener urlOpener;
    FakeProcessStarter processStarter;
    FakeHotkeys hotkeys;
    FakeSingleInstance singleInstance;
    FakeEventPump eventPump;
    FakeModalRunner modal;
    services::DesktopServices Services();
};

}  // namespace qsr::fakes
