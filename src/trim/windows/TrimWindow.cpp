#include "trim/windows/TrimWindow.h"

#include <QKeySequence>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <filesystem>

#include "core/Text.h"
#include "trim/windows/WaveView.h"

namespace qsr::trim {

TrimWindow::TrimWindow(audio::IAudioEngine& engine, TrimWindowDeps deps, QWidget* parent)
    : QDialog(parent), deps_(std::move(deps)), player_(engine) {
    BuildLayout();
    TrimWork::Hooks hooks;
    hooks.progress = [this](double f) { progress->setValue(static_cast<int>(f * 1000)); };
    hooks.opened = [this] {
        progress->setValue(0);
        SoundChanged();
        // What the save said stays to be read over the saved file.
        if (!savedNote_.empty()) Note(savedNote_);
        savedNote_.clear();
    };
    hooks.failed = [this](const std::string& why) {
        progress->setValue(0);
        Note(why);
        Refresh();
    };
    hooks.saved = [this](const std::string& path, std::int64_t milliseconds) {
        savedNote_ = "Saved " + path;
        Note(savedNote_);
        emit Saved(QString::fromStdString(path), milliseconds);
    };
    work_ = std::make_unique<TrimWork>(engine, deps_.cacheFolder, deps_.beingRecorded, hooks);
    Wire();
    Refresh();
}

void TrimWindow::SetHeaderless(const TrimWork::Headerless& formats) {
    work_->SetHeaderless(formats);
    player_.SetReadAs(formats.readAs);
}

TrimWindow::~TrimWindow() {
    player_.Stop();
    StopWork(std::chrono::milliseconds(5000));
}

bool TrimWindow::StopWork(std::chrono::milliseconds bound) {
    work_->Cancel();
    return work_->Wait(bound);
}

void TrimWindow::Wire() {
    connect(view, &WaveView::Changed, this, &TrimWindow::Refresh);
    connect(scroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (refreshing_) return;
        // The bar counts thousandths of the sound.
        view->SetView(view->Length() * value / 1000, view->ViewLength());
    });
    connect(cmdPlay, &QPushButton::clicked, this, &TrimWindow::Play);
    connect(cmdKeep, &QPushButton::clicked, this, &TrimWindow::Keep);
    connect(cmdDelete, &QPushButton::clicked, this, &TrimWindow::Delete);
    connect(cmdSilence, &QPushButton::clicked, this, &TrimWindow::TrimSilence);
    connect(cmdUndo, &QPushButton::clicked, this, &TrimWindow::Undo);
    connect(cmdSave, &QPushButton::clicked, this, &TrimWindow::Save);
    connect(cmdSaveAs, &QPushButton::clicked, this, &TrimWindow::SaveAs);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    new QShortcut(QKeySequence::Undo, this, [this] { Undo(); });
    new QShortcut(QKeySequence(Qt::Key_Delete), this, [this] { Delete(); });
    new QShortcut(QKeySequence(Qt::Key_Space), view, [this] { Play(); });
    connect(&player_, &SpanPlayer::Stopped, this, [this] {
        playTimer_.stop();
        view->SetPlayPosition(-1);
        Refresh();
    });
    playTimer_.setInterval(40);
    connect(&playTimer_, &QTimer::timeout, this, [this] {
        if (player_.Playing()) view->SetPlayPosition(player_.Position());
    });
}

void TrimWindow::OpenFile(const std::string& path) {
    player_.Stop();
    if (!work_->Open(path)) {
        Note("Wait until the decode or save in hand is done");
        return;
    }
    lblFile->setText(QString::fromStdString(path));
    setWindowTitle(
        QString::fromStdString("Trim… " + std::filesystem::path(path).filename().string()));
    Note(work_->Ready() ? "" : "Reading the sound…");
    if (work_->Ready()) SoundChanged();
    Refresh();
}

void TrimWindow::SoundChanged() {
    view->SetSound(&work_->Sound(), &work_->Edits());
    // Why the edits cannot be saved, or what the save will give up.
    Note(work_->Ability().note);
}

std::string TrimWindow::TimeText(std::int64_t frames) const {
    const int rate = work_->Sound().rate;
    return core::ElapsedText(rate > 0 ? frames * 1000 / rate : 0);
}

void TrimWindow::Refresh() {
    refreshing_ = true;
    const std::int64_t length = view->Length();
    const std::int64_t viewLength = view->ViewLength();
    const int page = length > 0 ? static_cast<int>(viewLength * 1000 / length) : 1000;
    scroll->setRange(0, std::max(0, 1000 - page));
    scroll->setPageStep(std::max(1, page));
    scroll->setValue(length > 0 ? static_cast<int>(view->ViewFrom() * 1000 / length) : 0);
    refreshing_ = false;

    const SampleSpan sel = view->Selection();
    const bool ready = work_->Ready() && !work_->Busy();
    const bool selected = ready && sel.end > sel.begin;
    lblSelection->setText(QString::fromStdString(
        selected ? "Selection " + TimeText(sel.begin) + " – " + TimeText(sel.end) + " (" +
                       TimeText(sel.Length()) + ") of " + TimeText(length)
                 : "Cursor " + TimeText(view->Cursor()) + " of " + TimeText(length)));
    cmdPlay->setText(player_.Playing() ? "Stop" : "Play selection");
    cmdPlay->setEnabled(ready);
    cmdKeep->setEnabled(selected);
    cmdDelete->setEnabled(selected);
    cmdSilence->setEnabled(ready);
    cmdUndo->setEnabled(ready && work_->Edits().CanUndo());
    const bool savable = ready && work_->Edits().Changed() && work_->Ability().possible;
    cmdSave->setEnabled(savable);
    cmdSaveAs->setEnabled(savable && deps_.fileDialog);
}

void TrimWindow::Note(const std::string& text) {
    lblNote->setText(QString::fromStdString(text));
}

void TrimWindow::Play() {
    if (player_.Playing()) {
        player_.Stop();
        playTimer_.stop();
        view->SetPlayPosition(-1);
        Refresh();
        return;
    }
    SampleSpan span = view->Selection();
    if (span.end <= span.begin) span = {view->Cursor(), view->Length()};  // from the cursor on
    std::string why;
    if (!player_.Play(work_->Path(), work_->Edits(), span, why)) {
        Note(why);
        return;
    }
    playTimer_.start();
    Refresh();
}

void TrimWindow::Keep() {
    const SampleSpan sel = view->Selection();
    if (!work_->Edits().Keep(sel)) return;
    SoundChanged();
}

void TrimWindow::Delete() {
    const SampleSpan sel = view->Selection();
    if (!work_->Edits().Delete(sel)) return;
    SoundChanged();
}

void TrimWindow::TrimSilence() {
    if (!work_->TrimSilence(deps_.silenceDb, deps_.silenceMs)) {
        Note("No silent ends to trim");
        return;
    }
    SoundChanged();
}

void TrimWindow::Undo() {
    if (!work_->Edits().Undo()) return;
    SoundChanged();
}

void TrimWindow::Save() {
    player_.Stop();
    std::string why;
    if (!work_->Save(work_->Path(), why)) {
        Note(why);
        return;
    }
    Note("Saving…");
    Refresh();
}

void TrimWindow::SaveAs() {
    if (!deps_.fileDialog) return;
    const std::filesystem::path current(work_->Path());
    const std::string ext = current.extension().string();
    const auto target = deps_.fileDialog->SaveFile("Save as", "Recording (*" + ext + ")",
                                                   current.parent_path().string());
    if (!target) return;
    if (std::filesystem::path(*target).extension() != current.extension()) {
        Note("Save as keeps the format: the name must end in " + ext);
        return;
    }
    player_.Stop();
    std::string why;
    if (!work_->Save(*target, why)) {
        Note(why);
        return;
    }
    lblFile->setText(QString::fromStdString(*target));
    Note("Saving…");
    Refresh();
}

}  // namespace qsr::trim
