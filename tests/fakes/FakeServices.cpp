#include "fakes/FakeServices.h"

#include <QDialog>

namespace qsr::fakes {

services::MsgAnswer FakeMessageBox::Show(const std::string& text, services::MsgIcon icon,
                                         services::MsgButtons buttons, const std::string& title) {
    shown.push_back({text, icon, buttons, title});
    if (whileShown) whileShown();
    if (answers.empty()) return services::MsgAnswer::Ok;
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::string> FakeMessageBox::Texts() const {
    std::vector<std::string> texts;
    for (const auto& s : shown) texts.push_back(s.text);
    return texts;
}

namespace {
template <typename T>
std::optional<T> Pop(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
}  // namespace

std::optional<std::string> FakeFileDialog::OpenFile(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& startDir) {
    titles.push_back(title);
    filters.push_back(filter);
    startDirs.push_back(startDir);
    if (whileOpen) whileOpen();
    return Pop(openAnswers);
}

std::optional<std::string> FakeFileDialog::SaveFile(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& startDir) {
    titles.push_back(title);
    filters.push_back(filter);
    startDirs.push_back(startDir);
    return Pop(saveAnswers);
}

std::optional<std::string> FakeFolderPicker::PickFolder(const std::string& title,
                                                        const std::string& startDir) {
    titles.push_back(title);
    startDirs.push_back(startDir);
    return Pop(answers);
}

std::optional<std::string> FakeInputBox::Ask(const std::string& prompt, const std::string&,
                                             const std::string&) {
    prompts.push_back(prompt);
    auto answer = Pop(answers);
    return answer ? *answer : std::nullopt;
}

int FakeInputBox::Choose(const std::string& prompt, const std::string&,
                         const std::vector<std::string>&) {
    prompts.push_back(prompt);
    return Pop(choices).value_or(-1);
}

std::string FakeUserSettings::Get(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) {
    auto it = values.find(app + "/" + section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
}

void FakeUserSettings::Set(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) {
    values[app + "/" + section + "/" + key] = value;
}

bool FakeHotkeys::RegisterCtrlKey(int id, char key) {
    if (taken.count(key)) return false;
    registered[id] = key;
    return true;
}

void FakeHotkeys::Unregister(int id) {
    unregistered.push_back(id);
    registered.erase(id);
}

int FakeModalRunner::Exec(QDialog& dialog) {
    shownObjectNames.push_back(dialog.objectName().toStdString());
    auto script = Pop(scripts);
    return script ? (*script)(dialog) : QDialog::Rejected;
}

services::DesktopServices FakeDesktop::Services() {
    services::DesktopServices s;
    s.messageBox = &messageBox;
    s.fileDialog = &fileDialog;
    s.folderPicker = &folderPicker;
    s.inputBox = &inputBox;
    s.userSettings = &userSettings;
    s.urlOpener = &urlOpener;
    s.processStarter = &processStarter;
    s.hotkeys = &hotkeys;
    s.singleInstance = &singleInstance;
    s.eventPump = &eventPump;
    s.modal = &modal;
    return s;
}

}  // namespace qsr::fakes
