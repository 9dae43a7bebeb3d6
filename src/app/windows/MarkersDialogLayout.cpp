// The Markers dialog's controls.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/windows/MarkersDialog.h"
#include "platform/services/windows/Accessibility.h"

namespace qsr::app {

void MarkersDialog::BuildControls() {
    setObjectName("MarkersDialog");
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setObjectName("lstMarkers");
    list_->setAccessibleName("Markers");
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({"NO.", "Time", "Label"});
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 44);
    list_->setColumnWidth(1, 110);
    // Only the label is edited, from whichever column the cursor is in.
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    jump_ = new QPushButton("Jump", this);
    jump_->setObjectName("cmdJump");
    remove_ = new QPushButton("Delete", this);
    remove_->setObjectName("cmdDelete");
    splitButton_ = new QPushButton("Split at markers…", this);
    splitButton_->setObjectName("cmdSplit");
    splitButton_->setToolTip("Write a file for each marker's part of the recording, beside it");
    close_ = new QPushButton("Close", this);
    close_->setObjectName("cmdClose");
    for (auto* b : {jump_, remove_, splitButton_, close_}) buttons->addWidget(b);
    layout->addLayout(buttons);
    // Shown while a split runs.
    auto* running = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setObjectName("prgSplit");
    progress_->setAccessibleName("Split progress");
    progress_->setRange(0, 1000);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("cmdCancelSplit");
    cancel_->setAccessibleName("Cancel the split");
    running->addWidget(progress_, 1);
    running->addWidget(cancel_);
    layout->addLayout(running);
    ShowSplitting(false);
    resize(460, 320);
    services::NameControlsForAccessibility(this);

    const auto row = [this] { return list_->currentIndex().row(); };
    connect(jump_, &QPushButton::clicked, this, [this, row] { Jump(row()); });
    connect(remove_, &QPushButton::clicked, this, [this, row] { Delete(row()); });
    connect(splitButton_, &QPushButton::clicked, this, [this] { Split(); });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (work_) work_->Cancel();
    });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    const auto key = [this](const QKeySequence& sequence, std::function<void()> run) {
        auto* shortcut = new QShortcut(sequence, list_);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(run));
    };
    key(QKeySequence::Delete, [this, row] { Delete(row()); });
    key(QKeySequence(Qt::Key_Return), [this, row] { Jump(row()); });
    key(QKeySequence(Qt::Key_Enter), [this, row] { Jump(row()); });
    const auto rename = [this] {
        if (QTreeWidgetItem* item = list_->currentItem()) list_->editItem(item, 2);
    };
    key(QKeySequence(Qt::Key_F2), rename);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, rename);
    connect(list_, &QTreeWidget::itemChanged, this, &MarkersDialog::Edited);
}

void MarkersDialog::ShowSplitting(bool on) {
    progress_->setVisible(on);
    cancel_->setVisible(on);
    if (on) {
        progress_->setValue(0);
        cancel_->setFocus();
    }
    for (QWidget* w : std::initializer_list<QWidget*>{list_, jump_, remove_, splitButton_})
        w->setEnabled(!on);
    if (!on && splitButton_->isVisible()) splitButton_->setFocus();
}

}  // namespace qsr::app
