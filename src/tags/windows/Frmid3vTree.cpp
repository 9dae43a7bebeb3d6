#include "tags/windows/Frmid3vTree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

namespace qsr::tags {

Frmid3vTree::Frmid3vTree(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this)) {
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) emit FolderChanged(model_->filePath(current));
            });
    // The model lists folders in the background, and each listing above the
    // selected folder moves it: keep it in view as they come in.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && model_->filePath(current).startsWith(path)) scrollTo(current);
    });
}

void Frmid3vTree::showEvent(QShowEvent* event) {
    QTreeView::showEvent(event);
    if (currentIndex().isValid()) scrollTo(currentIndex());
}

QString Frmid3vTree::SelectedFolder() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}

void Frmid3vTree::SetSelectedFolder(const QString& path) {
    const QModelIndex index = path.isEmpty() ? QModelIndex() : model_->index(path);
    if (!index.isValid()) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
        return;
    }
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) expand(up);
    setCurrentIndex(index);
    scrollTo(index);
}

}  // namespace qsr::tags
