#include "tags/TagFileListModel.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

#include "platform/services/TimeFormat.h"

namespace qsr::tags {
namespace {

const char* const kCaptions[TagFileListModel::kColumns] = {"Filename", "Tags", "Size", "Date"};

QString DateText(const FileDate& d) {
    // Made once: a locale and a format per row hold the window thread
    // up while a long folder's rows arrive.
    static const QLocale locale;
    static const QString timeFormat =
        services::TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)).trimmed();
    const QDateTime moment(QDate(d.year, d.month, d.day), QTime(d.hour, d.minute, d.second));
    return locale.toString(moment.date(), QLocale::ShortFormat) + ' ' +
           locale.toString(moment.time(), timeFormat);
}

// The user's collation; under the C locale, which compares plain character
// codes and knows no numbers, the neutral English one.
QLocale CollationLocale() {
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                           : locale;
}

}  // namespace

std::array<QString, TagFileListModel::kColumns> ListTexts(const ScanRow& row) {
    return {QString::fromStdString(row.name), QString::fromStdString(row.tags),
            row.size < 0 ? QString()
                         : QString::fromStdString(
                               KilobyteText(row.size, QLocale().groupSeparator().toStdString())),
            row.date ? DateText(*row.date) : QString()};
}

TagFileListModel::TagFileListModel(QObject* parent)
    : QAbstractTableModel(parent), collator_(CollationLocale()) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(true);
}

void TagFileListModel::AddRows(const std::vector<ScanRow>& rows) {
    if (rows.empty()) return;
    const std::size_t first = rows_.size();
    beginInsertRows(QModelIndex(), static_cast<int>(first),
                    static_cast<int>(first + rows.size()) - 1);
    for (const ScanRow& scanned : rows) {
        Row row;
        row.record = scanned.record;
        row.texts = ListTexts(scanned);
        for (int column = 0; column < kColumns; ++column) {
            longest_[static_cast<std::size_t>(column)].Offer(
                row.texts[static_cast<std::size_t>(column)].toStdString());
        }
        rows_.push_back(std::move(row));
    }
    endInsertRows();
    if (sorted_) {
        SortFrom(first);
    } else {
        IndexRecords();
    }
}

void TagFileListModel::Clear() {
    beginResetModel();
    rows_.clear();
    rowOfRecord_.clear();
    for (LongestText& text : longest_) text.Reset();
    endResetModel();
}

void TagFileListModel::UpdateRow(int record, const ScanRow& row) {
    const int at = RowOf(record);
    if (at < 0) return;
    auto& texts = rows_[static_cast<std::size_t>(at)].texts;
    const auto fresh = ListTexts(row);
    for (std::size_t column = 1; column < fresh.size(); ++column) texts[column] = fresh[column];
    emit dataChanged(index(at, 1), index(at, kColumns - 1), {Qt::DisplayRole});
}

void TagFileListModel::MarkNotSaved(int record, const QString& why) {
    const int at = RowOf(record);
    if (at < 0) return;
    QString& mark = rows_[static_cast<std::size_t>(at)].notSaved;
    if (mark == why) return;
    mark = why;
    emit dataChanged(index(at, 0), index(at, kColumns - 1),
                     {Qt::DisplayRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

int TagFileListModel::RecordAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size())
               ? rows_[static_cast<std::size_t>(row)].record
               : 0;
}

int TagFileListModel::RowOf(int record) const {
    return record >= 0 && record < static_cast<int>(rowOfRecord_.size())
               ? rowOfRecord_[static_cast<std::size_t>(record)]
               : -1;
}

bool TagFileListModel::IsTicked(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) &&
           rows_[static_cast<std::size_t>(row)].ticked;
}

void TagFileListModel::SetTicked(int row, bool ticked) {
    setData(index(row, 0), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void TagFileListModel::SetAllTicked(bool ticked) {
    if (rows_.empty()) return;
    for (Row& row : rows_) row.ticked = ticked;
    emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, 0),
                     {Qt::CheckStateRole});
}

int TagFileListModel::TickedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& row) { return row.ticked; }));
}

std::vector<int> TagFileListModel::TickedRecords() const {
    std::vector<int> records;
    for (const Row& row : rows_) {
        if (row.ticked) records.push_back(row.record);
    }
    return records;
}

const std::string& TagFileListModel::Longest(int column) const {
    return longest_[static_cast<std::size_t>(column)].Text();
}

bool TagFileListModel::Before(const Row& a, const Row& b) const {
    const int byName = collator_.compare(a.texts[0], b.texts[0]);
    const bool less = byName != 0 ? byName < 0 : a.record < b.record;
    const bool greater = byName != 0 ? byName > 0 : a.record > b.record;
    return order_ == Qt::AscendingOrder ? less : greater;
}

void TagFileListModel::sort(int column, Qt::SortOrder order) {
    if (column != 0) return;
    sorted_ = true;
    order_ = order;
    SortFrom(0);
}

void TagFileListModel::SortFrom(std::size_t from) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> records;
    records.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before) records.push_back(RecordAt(index.row()));

    const auto less = [this](const Row& a, const Row& b) { return Before(a, b); };
    const auto middle = rows_.begin() + static_cast<std::ptrdiff_t>(from);
    std::stable_sort(middle, rows_.end(), less);
    std::inplace_merge(rows_.begin(), middle, rows_.end(), less);
    IndexRecords();

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        after.append(index(RowOf(records[static_cast<std::size_t>(i)]), before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TagFileListModel::IndexRecords() {
    int highest = 0;
    for (const Row& row : rows_) highest = std::max(highest, row.record);
    rowOfRecord_.assign(static_cast<std::size_t>(highest) + 1, -1);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].record >= 0)
            rowOfRecord_[static_cast<std::size_t>(rows_[i].record)] = static_cast<int>(i);
    }
}

int TagFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TagFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TagFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == 1 && !row.notSaved.isEmpty())
                return QStringLiteral("%1 (not saved)").arg(row.texts[1].trimmed()).trimmed();
            return row.texts[static_cast<std::size_t>(index.column())];
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            if (row.notSaved.isEmpty()) return {};
            return QStringLiteral("Not saved: ") + row.notSaved;
        case Qt::CheckStateRole:
            if (index.column() == 0) return row.ticked ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == 2) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case Qt::UserRole:
            return row.record;
        default:
            return {};
    }
}

bool TagFileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
        index.row() >= static_cast<int>(rows_.size())) {
        return false;
    }
    Row& row = rows_[static_cast<std::size_t>(index.row())];
    row.ticked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit Ticked(row.record);
    return true;
}

Qt::ItemFlags TagFileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TagFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns) {
        return {};
    }
    return QString::fromLatin1(kCaptions[section]);
}

}  // namespace qsr::tags
