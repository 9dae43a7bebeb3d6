#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "tags/FolderScan.h"
#include "tags/TagFileTable.h"

namespace qsr::tags {

// The tag editor's file list: one row per listed file with its record index,
// the texts of "Filename", "Tags", "Size" and "Date", and its tick. Rows come
// in batches with one insert notification per batch, so a view and a screen
// reader follow a folder of many files at the cost of its batches, not of its
// files. The list is in scan order until it is sorted by name; the order shown
// is the order in which a batch save numbers the ticked files.
class TagFileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumns = 4;

    explicit TagFileListModel(QObject* parent = nullptr);

    // Appends a batch in one insertion; a sorted list then puts it in place.
    void AddRows(const std::vector<ScanRow>& rows);
    // Empties the list; the sort order stays for the next folder.
    void Clear();
    // A listed file's tag marks, size and date again (after a save).
    void UpdateRow(int record, const ScanRow& row);
    // Marks a listed file the last save could not write, with why ("Tags"
    // says "not saved", the tooltip and the screen reader the reason); an
    // empty reason takes the mark away.
    void MarkNotSaved(int record, const QString& why);

    // The record of a row; 0 for a row outside the list.
    int RecordAt(int row) const;
    // The row of a record; -1 when it is not listed.
    int RowOf(int record) const;
    bool IsTicked(int row) const;
    // Ticks or unticks a row as the user does: Ticked follows.
    void SetTicked(int row, bool ticked);
    // Every row at once, with one change notification and no Ticked.
    void SetAllTicked(bool ticked);
    int TickedCount() const;
    // The records of the ticked rows in the order shown.
    std::vector<int> TickedRecords() const;
    // The longest text of a column since the list was emptied.
    const std::string& Longest(int column) const;

    // Orders the rows by name ("Filename"; other columns leave the order as
    // it is): as people read names, case aside and numbers by value
    // ("track2" before "track10"); files of equal names in scan order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    bool IsSorted() const { return sorted_; }
    Qt::SortOrder Order() const { return order_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    // The user ticked or unticked one row.
    void Ticked(int record);

  private:
    struct Row {
        int record = 0;
        std::array<QString, kColumns> texts;
        bool ticked = false;
        QString notSaved;  // why the last save failed; empty when it did not
    };
    bool Before(const Row& a, const Row& b) const;
    // Puts rows [from, end) in order among the sorted rows before them.
    void SortFrom(std::size_t from);
    void IndexRecords();

    std::vector<Row> rows_;
    std::vector<int> rowOfRecord_;  // by record index; -1 not listed
    std::array<LongestText, kColumns> longest_;
    QCollator collator_;
    bool sorted_ = false;
    Qt::SortOrder order_ = Qt::AscendingOrder;
};

// The list's texts of a scanned file: its name, tag marks, size in kB with
// the locale's thousands separator, and its date in the locale's short date
// and long time without a time zone.
std::array<QString, TagFileListModel::kColumns> ListTexts(const ScanRow& row);

}  // namespace qsr::tags
