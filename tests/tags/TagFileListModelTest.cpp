#include <gtest/gtest.h>

#include <QPersistentModelIndex>

#include "tags/TagFileListModel.h"

namespace qsr::tags {
namespace {

std::vector<ScanRow> Batch(std::initializer_list<std::pair<int, const char*>> rows) {
    std::vector<ScanRow> batch;
    for (const auto& [record, name] : rows) batch.push_back({record, name, "ID3v2", 2048, {}});
    return batch;
}

std::vector<int> Shown(const TagFileListModel& model) {
    std::vector<int> records;
    for (int row = 0; row < model.rowCount(); ++row) records.push_back(model.RecordAt(row));
    return records;
}

// The order shown is the scan's until the list is sorted by name (case aside,
// numbers by value, equal names in scan order), then each way in turn; ticked
// files are numbered in the order shown; batches arrive with one insertion
// each and take their places in a sorted list; the selection follows its file.
TEST(TagFileListModel, SortsByNameAndNumbersTickedFilesInTheOrderShown) {
    TagFileListModel model;
    int insertions = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    model.AddRows(Batch({{1, "track10"}, {2, "Track1"}, {3, "b side"}}));
    model.AddRows(Batch({{4, "track2"}, {5, "B side"}}));
    EXPECT_EQ(insertions, 2);
    EXPECT_EQ(Shown(model), (std::vector<int>{1, 2, 3, 4, 5}));
    for (const int record : {1, 2, 4}) model.SetTicked(model.RowOf(record), true);
    EXPECT_EQ(model.TickedRecords(), (std::vector<int>{1, 2, 4}));

    const QPersistentModelIndex selected = model.index(model.RowOf(4), 0);
    model.sort(1);  // only the name sorts
    EXPECT_FALSE(model.IsSorted());
    model.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(Shown(model), (std::vector<int>{3, 5, 2, 4, 1}));
    EXPECT_EQ(model.TickedRecords(), (std::vector<int>{2, 4, 1}));
    EXPECT_EQ(model.RecordAt(selected.row()), 4);

    model.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(Shown(model), (std::vector<int>{1, 4, 2, 5, 3}));
    EXPECT_EQ(model.TickedRecords(), (std::vector<int>{1, 4, 2}));
    EXPECT_EQ(model.RecordAt(selected.row()), 4);

    model.AddRows(Batch({{6, "track3"}, {7, "a"}}));
    EXPECT_EQ(insertions, 3);
    EXPECT_EQ(Shown(model), (std::vector<int>{1, 6, 4, 2, 5, 3, 7}));
    EXPECT_EQ(model.RecordAt(selected.row()), 4);
    EXPECT_FALSE(model.IsTicked(model.RowOf(6)));

    // A save's new marks reach the file's row wherever it stands.
    model.UpdateRow(2, {2, "ignored", "ID3v1 ", 4096, {}});
    EXPECT_EQ(model.data(model.index(model.RowOf(2), 0)).toString(), "Track1");
    EXPECT_EQ(model.data(model.index(model.RowOf(2), 1)).toString(), "ID3v1 ");
    // A file the save could not write says so in "Tags" and gives the
    // reason; its next save that succeeds takes the mark away.
    const auto cell = [&model](int record, int column, int role) {
        return model.data(model.index(model.RowOf(record), column), role).toString();
    };
    model.MarkNotSaved(2, "Track1.mp3: ID3v1 tag not written (Operation not permitted)");
    EXPECT_EQ(cell(2, 1, Qt::DisplayRole), "ID3v1 (not saved)");
    EXPECT_EQ(cell(2, 0, Qt::ToolTipRole),
              "Not saved: Track1.mp3: ID3v1 tag not written (Operation not permitted)");
    EXPECT_EQ(cell(2, 0, Qt::AccessibleDescriptionRole), cell(2, 0, Qt::ToolTipRole));
    EXPECT_EQ(cell(4, 1, Qt::DisplayRole), "ID3v2");
    model.MarkNotSaved(2, "");
    EXPECT_EQ(cell(2, 1, Qt::DisplayRole), "ID3v1 ");
    EXPECT_EQ(cell(2, 0, Qt::ToolTipRole), "");

    // The next folder is listed in the order chosen.
    model.Clear();
    model.AddRows(Batch({{1, "x1"}, {2, "x2"}}));
    EXPECT_EQ(Shown(model), (std::vector<int>{2, 1}));
    EXPECT_EQ(model.TickedCount(), 0);
}

}  // namespace
}  // namespace qsr::tags
