// The trim window's controls and their places.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "trim/windows/TrimWindow.h"
#include "trim/windows/WaveView.h"

namespace qsr::trim {
namespace {

template <typename W>
W* Named(W* w, const char* name, const char* accessible) {
    w->setObjectName(name);
    w->setAccessibleName(accessible);
    return w;
}

}  // namespace

void TrimWindow::BuildLayout() {
    setObjectName("TrimWindow");
    setWindowTitle("Trim…");
    resize(820, 380);
    auto* layout = new QVBoxLayout(this);
    lblFile = Named(new QLabel(this), "lblFile", "File");
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblFile);
    view = Named(new WaveView(this), "view", "Waveform");
    view->setAccessibleDescription(
        "Drag or Shift+arrows select; [ and ] set the start and end at the cursor; the wheel "
        "or + and - zoom; Shift+wheel scrolls");
    layout->addWidget(view, 1);
    scroll = Named(new QScrollBar(Qt::Horizontal, this), "scroll", "Scroll");
    layout->addWidget(scroll);
    auto* status = new QHBoxLayout;
    lblSelection = Named(new QLabel(this), "lblSelection", "Selection");
    progress = Named(new QProgressBar(this), "progress", "Progress");
    progress->setRange(0, 1000);
    progress->setTextVisible(false);
    progress->setMaximumWidth(200);
    status->addWidget(lblSelection, 1);
    status->addWidget(progress);
    layout->addLayout(status);
    lblNote = Named(new QLabel(this), "lblNote", "Note");
    lblNote->setWordWrap(true);
    layout->addWidget(lblNote);

    auto* buttons = new QGridLayout;
    const auto button = [this](const char* name, const char* caption) {
        return Named(new QPushButton(caption, this), name, caption);
    };
    cmdPlay = button("cmdPlay", "Play selection");
    cmdKeep = button("cmdKeep", "Keep selection");
    cmdDelete = button("cmdDelete", "Delete selection");
    cmdSilence = button("cmdSilence", "Trim silence at both ends");
    cmdUndo = button("cmdUndo", "Undo");
    cmdSave = button("cmdSave", "Save");
    cmdSaveAs = button("cmdSaveAs", "Save as…");
    cmdClose = button("cmdClose", "Close");
    QPushButton* order[] = {cmdPlay, cmdKeep, cmdDelete, cmdSilence,
                            cmdUndo, cmdSave, cmdSaveAs, cmdClose};
    for (int i = 0; i < 8; ++i) buttons->addWidget(order[i], i / 4, i % 4);
    for (QPushButton* b : order) b->setAutoDefault(false);
    layout->addLayout(buttons);

    // From the waveform through the buttons, in reading order.
    QWidget* previous = view;
    for (QWidget* w : {static_cast<QWidget*>(scroll), static_cast<QWidget*>(cmdPlay),
                       static_cast<QWidget*>(cmdKeep), static_cast<QWidget*>(cmdDelete),
                       static_cast<QWidget*>(cmdSilence), static_cast<QWidget*>(cmdUndo),
                       static_cast<QWidget*>(cmdSave), static_cast<QWidget*>(cmdSaveAs),
                       static_cast<QWidget*>(cmdClose)}) {
        setTabOrder(previous, w);
        previous = w;
    }
}

}  // namespace qsr::trim
