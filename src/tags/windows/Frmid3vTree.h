#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;

namespace qsr::tags {

// The tag editor's folder tree: folders only, from the file system's root.
// Its selected folder can be read and set as a path; FolderChanged reports
// every new selection (also one set by SetSelectedFolder) with its full path.
class Frmid3vTree : public QTreeView {
    Q_OBJECT
  public:
    explicit Frmid3vTree(QWidget* parent = nullptr);

    QString SelectedFolder() const;
    // Selects and shows the folder; an empty or missing path clears the selection.
    void SetSelectedFolder(const QString& path);

  signals:
    void FolderChanged(const QString& path);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QFileSystemModel* model_;
};

}  // namespace qsr::tags
