#pragma once

#include <QItemSelectionModel>
#include <QString>
#include <QTreeView>
#include <string>

#include "tags/TagFileListModel.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::testing {

// The ID3 Editor's file list as a test reads and drives it: rows by their
// position as shown or by the name they show.
class FileRows {
  public:
    explicit FileRows(const tags::Frmid3v& window) : w_(window) {}

    tags::TagFileListModel& Model() const { return *w_.FileModel(); }
    QTreeView& View() const { return *w_.FileList(); }
    int Count() const { return Model().rowCount(); }
    // The row showing a name; -1 when none does.
    int Find(const std::string& name) const {
        for (int row = 0; row < Count(); ++row) {
            if (Text(row, 0).toStdString() == name) return row;
        }
        return -1;
    }
    QString Text(int row, int column) const {
        return Model().data(Model().index(row, column)).toString();
    }
    int Record(int row) const { return Model().RecordAt(row); }
    bool Ticked(int row) const { return Model().IsTicked(row); }
    // As a click on the row's box.
    void Tick(int row, bool ticked = true) const { Model().SetTicked(row, ticked); }
    // As a click on the row: current and selected.
    void Select(int row) const { View().setCurrentIndex(Model().index(row, 0)); }
    QRect Rect(int row) const { return View().visualRect(Model().index(row, 0)); }

  private:
    const tags::Frmid3v& w_;
};

}  // namespace qsr::testing
