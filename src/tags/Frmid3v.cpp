#include "tags/Frmid3v.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/services/Accessibility.h"
#include "platform/services/Skin.h"
#include "player/clsFMOD.h"
#include "tags/EditorSplitter.h"
#include "tags/FmodTagSource.h"
#include "tags/Frmid3vTree.h"

namespace qsr::tags {
namespace {

using splitter::kTwipsPerPixel;

// The designed positions, in twips.
constexpr int kInnerWidth = 12000;
constexpr int kInnerHeight = 8400;
constexpr int kTreeLeft = 120;
constexpr int kTreeTop = 120;
constexpr int kTabTop = 4200;
constexpr int kPaneHeight = kTabTop - 240;
constexpr int kFilenamePad = 480;  // column padding beyond the longest text
constexpr int kColumnPad = 240;

int Px(int twips) {
    return twips / kTwipsPerPixel;
}
int Tw(int pixels) {
    return pixels * kTwipsPerPixel;
}
void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

// The locale's short date and long time, without a time zone.
QString DateText(const FileDate& d) {
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    const QDateTime moment(QDate(d.year, d.month, d.day), QTime(d.hour, d.minute, d.second));
    return locale.toString(moment.date(), QLocale::ShortFormat) + ' ' +
           locale.toString(moment.time(), timeFormat.trimmed());
}

QString PositionText(long ms) {
    const long s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

bool HourglassShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

}  // namespace

Frmid3v::Frmid3v(soundlib::ISoundLibrary& library, services::DesktopServices desktop,
                 std::string applicationFolder, QWidget* parent)
    : QDialog(parent),
      library_(library),
      desktop_(desktop),
      applicationFolder_(std::move(applicationFolder)) {
    setObjectName("Frmid3v");
    setWindowTitle("ID3 Editor");

    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("menuBar");
    menuBar_->setAccessibleName("Menu");
    menPlaybackMenu_ = menuBar_->addMenu("Playback");
    menPlaybackMenu_->setObjectName("menPlaybackMenu");
    const char* const playCaptions[] = {"&Play", "P&ause/Unpause", "&Stop", "&Forward 5 sec.",
                                        "&Back 5 sec."};
    for (int i = 0; i < 5; ++i) {
        menPlayback_[static_cast<std::size_t>(i)] = menPlaybackMenu_->addAction(playCaptions[i]);
        menPlayback_[static_cast<std::size_t>(i)]->setObjectName(
            QStringLiteral("menPlayback%1").arg(i));
        connect(menPlayback_[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { menPlayback_Click(i); });
    }
    menPlaybackMenu_->addSeparator()->setObjectName("menLine2");
    menJump_ = menPlaybackMenu_->addAction("&Jump to middle of song");
    menJump_->setObjectName("menJump");
    connect(menJump_, &QAction::triggered, this, [this] { menJump_Click(); });
    // Hidden until the first mouse-button release over the file list.
    menPlaybackMenu_->menuAction()->setVisible(false);

    menSelectMenu_ = new QMenu("Select", this);
    menSelectMenu_->setObjectName("menSelectMenu");
    const char* const selectCaptions[] = {"Select &All", "Select &None"};
    for (int i = 0; i < 2; ++i) {
        menSelect_[static_cast<std::size_t>(i)] = menSelectMenu_->addAction(selectCaptions[i]);
        menSelect_[static_cast<std::size_t>(i)]->setObjectName(
            QStringLiteral("menSelect%1").arg(i));
        connect(menSelect_[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { menSelect_Click(i); });
    }

    // Controls stand at designed positions (twips) in a client area under the
    // menu bar; the splitter moves them.
    client_ = new QWidget(this);
    client_->setObjectName("client");
    client_->setFixedSize(Px(kInnerWidth), Px(kInnerHeight));

    ftv_ = new Frmid3vTree(client_);
    ftv_->setObjectName("ftv");
    ftv_->setAccessibleName("Folders");
    Place(ftv_, kTreeLeft, kTreeTop, splitter::kDefaultLeft + splitter::kHalfWidth - kTreeLeft,
          kPaneHeight);

    p_ = new QFrame(client_);
    p_->setObjectName("p");
    p_->setAccessibleName("Splitter");
    p_->setCursor(Qt::SplitHCursor);
    p_->installEventFilter(this);
    Place(p_, splitter::kDefaultLeft, kTreeTop, 2 * splitter::kHalfWidth, kPaneHeight);

    const int listLeft = splitter::kDefaultLeft + splitter::kHalfWidth + 120;
    lvw_ = new QTreeWidget(client_);
    lvw_->setObjectName("lvw");
    lvw_->setAccessibleName("Files");
    lvw_->setRootIsDecorated(false);
    lvw_->setUniformRowHeights(true);
    lvw_->setHeaderLabels({"Filename", "Tags", "Size", "Date"});
    lvw_->header()->setStretchLastSection(false);
    lvw_->viewport()->installEventFilter(this);
    Place(lvw_, listLeft, kTreeTop, kInnerWidth - listLeft - 120, kPaneHeight);

    tabs_ = new QTabBar(client_);
    tabs_->setObjectName("tabs");
    tabs_->setAccessibleName("Tag pages");
    tabs_->addTab("ID3v1");
    tabs_->addTab("ID3v2");
    tabs_->setExpanding(false);
    Place(tabs_, 120, kTabTop, kInnerWidth - 240, 360);

    const char* const pageCaptions[] = {"ID3v1", "ID3v2"};
    for (int i = 0; i < 2; ++i) {
        auto* page = new QGroupBox(pageCaptions[i], client_);
        page->setObjectName(QStringLiteral("frm%1").arg(i));
        Place(page, 600, kTabTop + 420, 7080, 3600);
        page->setVisible(i == 0);
        frm_[static_cast<std::size_t>(i)] = page;
    }

    Frame1_ = new QGroupBox("Multiple file options", client_);
    Frame1_->setObjectName("Frame1");
    Place(Frame1_, 7800, kTabTop + 420, 3960, 2040);
    auto* options = new QVBoxLayout(Frame1_);
    const char* const optCaptions[] = {"&Empty fields keep original value.",
                                       "&Add track number from file index.",
                                       "&Grab title from filename."};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(optCaptions[i]);
        box->setObjectName(QStringLiteral("chkOpt%1").arg(i));
        options->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this, i] { chkOpt_Click(i); });
        chkOpt_[static_cast<std::size_t>(i)] = box;
    }
    lblTitle_ = new QLabel;
    lblTitle_->setObjectName("lblTitle");
    lblTitle_->setAccessibleName("Grabbed title");
    lblTitle_->setWordWrap(true);
    options->addWidget(lblTitle_, 1);

    prb_ = new QProgressBar(client_);
    prb_->setObjectName("prb");
    prb_->setAccessibleName("Progress");
    prb_->setTextVisible(false);
    Place(prb_, 7800, 6780, 3960, 300);
    prb_->hide();

    // The preview's position and levels.
    lblPosition_ = new QLabel(client_);
    lblPosition_->setObjectName("lblPosition");
    lblPosition_->setAccessibleName("Playback position");
    Place(lblPosition_, 7800, 7200, 3960, 300);
    vuLeft_ = new QProgressBar(client_);
    vuLeft_->setObjectName("vuLeft");
    vuLeft_->setAccessibleName("Left level");
    vuRight_ = new QProgressBar(client_);
    vuRight_->setObjectName("vuRight");
    vuRight_->setAccessibleName("Right level");
    for (QProgressBar* vu : {vuLeft_, vuRight_}) {
        vu->setRange(0, 100);
        vu->setValue(0);
        vu->setTextVisible(false);
    }
    const std::pair<const char*, QProgressBar*> meters[] = {{"L", vuLeft_}, {"R", vuRight_}};
    int meterTop = 7500;
    for (const auto& [caption, meter] : meters) {
        auto* label = new QLabel(caption, client_);
        label->setBuddy(meter);
        Place(label, 7800, meterTop, 240, 240);
        Place(meter, 8040, meterTop + 30, 3720, 180);
        meterTop += 300;
    }
    levelTimer_ = new QTimer(this);
    levelTimer_->setInterval(100);
    connect(levelTimer_, &QTimer::timeout, this, [this] { UpdateLevels(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Queued: the folder selected at load is scanned once the window is up,
    // so a large folder fills a visible list instead of delaying the window.
    connect(
        ftv_, &Frmid3vTree::FolderChanged, this,
        [this](const QString& path) { UpdateFolder(path.toStdString()); }, Qt::QueuedConnection);
    connect(lvw_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { RefreshItem(item->data(0, Qt::UserRole).toInt()); });
    // Moving through the rows with the keyboard shows their tags too.
    connect(lvw_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) RefreshItem(item->data(0, Qt::UserRole).toInt());
    });
    connect(lvw_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0) RefreshItem(item->data(0, Qt::UserRole).toInt());
    });
    connect(tabs_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0) tabs_Click(index + 1);
    });

    // The scroll bars of tree and list appear as soon as they are needed.
    for (auto [view, caption] : {std::pair<QAbstractScrollArea*, QString>{ftv_, "Folders"},
                                 std::pair<QAbstractScrollArea*, QString>{lvw_, "Files"}}) {
        view->verticalScrollBar()->setAccessibleName(caption + " vertical scroll bar");
        view->horizontalScrollBar()->setAccessibleName(caption + " horizontal scroll bar");
    }
    services::NameControlsForAccessibility(this);
}

Frmid3v::~Frmid3v() {
    Form_Unload();
}

void Frmid3v::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    // The genre lists of the pages come with them; the names are GenreListNames().
    scan_.reset();
    fmod_ = std::make_unique<player::clsFMOD>(library_, *desktop_.messageBox);
    source_ = std::make_unique<FmodTagSource>(*fmod_);
    scan_ = std::make_unique<FolderScan>(*source_);
    loaded_ = true;
    unloaded_ = false;
    // A window opened again starts as a fresh one.
    lvw_->clear();
    shownRecord_ = 0;
    menPlaybackMenu_->menuAction()->setVisible(false);
    ftv_->SetSelectedFolder(QString());
    // The library comes up before the stored folder is selected, since
    // selecting it scans through the library.
    fmodOk_ = fmod_->Init(44100, 16);
    LoadSettings();
}

void Frmid3v::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    unloaded_ = true;
    if (scan_) scan_->Cancel();
    SaveSettings();
    Playback("");
    levelTimer_->stop();
    fmodOk_ = false;
    fmod_.reset();  // closes the library
}

void Frmid3v::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void Frmid3v::LoadSettings() {
    auto* store = desktop_.userSettings;
    if (store == nullptr) return;
    const auto get = [store](const char* key, const char* fallback) {
        return store->Get(kEditorSettingsApp, kEditorSettingsSection, key, fallback);
    };
    for (int i = 0; i < 3; ++i) {
        const std::string key = "opt" + std::to_string(i);
        const auto value = LeadingNumber(get(key.c_str(), i == 0 ? "1" : "0"));
        opt_[static_cast<std::size_t>(i)] = value && *value != 0 ? 1 : 0;
        chkOpt_[static_cast<std::size_t>(i)]->setChecked(opt_[static_cast<std::size_t>(i)] != 0);
    }
    // A stored position that is no number leaves the splitter where it is.
    if (const auto width = LeadingNumber(get("folderwidth", "3600"))) {
        PlaceSplitter(static_cast<int>(std::lround(*width)));
    }
    ftv_->SetSelectedFolder(QString::fromStdString(get("folder", "")));
}

void Frmid3v::SaveSettings() {
    auto* store = desktop_.userSettings;
    if (store == nullptr) return;
    for (int i = 0; i < 3; ++i) {
        store->Set(kEditorSettingsApp, kEditorSettingsSection, "opt" + std::to_string(i),
                   chkOpt_[static_cast<std::size_t>(i)]->isChecked() ? "1" : "0");
    }
    store->Set(kEditorSettingsApp, kEditorSettingsSection, "folderwidth",
               std::to_string(SplitterLeft()));
    store->Set(kEditorSettingsApp, kEditorSettingsSection, "folder",
               ftv_->SelectedFolder().toStdString());
}

void Frmid3v::UpdateFolder(const std::string& folder) {
    // Not loaded, or already unloaded (a queued folder change can arrive after
    // the window closed): the wrapper the scan reads through is gone.
    if (!scan_ || !fmod_ || HourglassShown()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lvw_->clear();
    for (auto& column : longest_) column.Reset();

    scan_->onStart = [this](int count) {
        prb_->setRange(0, count);
        prb_->setValue(1);
        prb_->show();
    };
    scan_->onProgress = [this](int i) { prb_->setValue(i); };
    scan_->onRows = [this](const std::vector<ScanRow>& rows) {
        AddRows(rows);
        if (desktop_.eventPump != nullptr) desktop_.eventPump->ProcessEvents();
    };
    scan_->Scan(folder);
    prb_->hide();

    if (lvw_->topLevelItemCount() > 0) {
        const QFontMetrics metrics(font());
        for (int column = 0; column < 4; ++column) {
            const int pad = column == 0 ? kFilenamePad : kColumnPad;
            const QString text =
                QString::fromStdString(longest_[static_cast<std::size_t>(column)].Text());
            lvw_->setColumnWidth(column, metrics.horizontalAdvance(text) + Px(pad));
        }
    }
    QApplication::restoreOverrideCursor();
    if (const int record = SelectedRecord(); record > 0) RefreshItem(record);
}

void Frmid3v::AddRows(const std::vector<ScanRow>& rows) {
    const QString separator = QLocale().groupSeparator();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const ScanRow& row : rows) {
        const std::string size =
            row.size < 0 ? std::string() : KilobyteText(row.size, separator.toStdString());
        const std::string date = row.date ? DateText(*row.date).toStdString() : std::string();
        const std::array<const std::string*, 4> texts = {&row.name, &row.tags, &size, &date};
        auto* item = new QTreeWidgetItem;
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        for (int column = 0; column < 4; ++column) {
            const std::string& text = *texts[static_cast<std::size_t>(column)];
            item->setText(column, QString::fromStdString(text));
            longest_[static_cast<std::size_t>(column)].Offer(text);
        }
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, row.record);
        items.append(item);
    }
    // One insertion per batch: the view lays itself out once, not per row.
    lvw_->addTopLevelItems(items);
}

int Frmid3v::SelectedRecord() const {
    const QTreeWidgetItem* item = lvw_->currentItem();
    return item != nullptr && item->isSelected() ? item->data(0, Qt::UserRole).toInt() : 0;
}

void Frmid3v::RefreshSelected() {
    if (const int record = SelectedRecord(); record > 0) RefreshItem(record);
}

void Frmid3v::RefreshItem(int index) {
    // The tag pages show the record; until they exist, the window remembers
    // which record is shown.
    if (index > 0 && index < static_cast<int>(Table().size())) shownRecord_ = index;
}

int Frmid3v::GetSelNum() const {
    int ticked = 0;
    for (int i = 0; i < lvw_->topLevelItemCount(); ++i) {
        if (lvw_->topLevelItem(i)->checkState(0) == Qt::Checked) ++ticked;
    }
    return ticked;
}

void Frmid3v::SaveItems() {
    // Writing needs the tag pages; stop the preview so the files are free.
    Playback("");
}

void Frmid3v::Playback(const std::string& command) {
    if (!fmodOk_ || !fmod_) return;
    const bool loaded = fmod_->StreamIsLoaded();
    if (command == "pause" || command == "forward" || command == "back" || command == "jump") {
        if (!loaded) return;
        if (command == "pause") {
            fmod_->StreamPausePlay();
        } else if (command == "forward") {
            fmod_->StreamSongPos(fmod_->StreamSongPos() + 5000);
        } else if (command == "back") {
            fmod_->StreamSongPos(fmod_->StreamSongPos() - 5000);
        } else {
            // Half the length, a half to the even neighbour.
            fmod_->StreamSongPos(
                static_cast<long>(std::nearbyint(static_cast<double>(fmod_->StreamSongLen()) / 2)));
        }
        return;
    }
    fmod_->StreamUnload();
    if (!command.empty()) fmod_->StreamPlay(command, true, 255);
    if (fmod_->StreamIsLoaded()) {
        levelTimer_->start();
    } else {
        levelTimer_->stop();
    }
    UpdateLevels();
}

void Frmid3v::UpdateLevels() {
    float left = 0, right = 0;
    if (fmod_ && fmod_->StreamIsLoaded()) {
        fmod_->GetVU(left, right);
        lblPosition_->setText(PositionText(fmod_->StreamSongPos()) + " / " +
                              PositionText(fmod_->StreamSongLen()));
    } else {
        lblPosition_->clear();
        levelTimer_->stop();
    }
    vuLeft_->setValue(static_cast<int>(std::lround(std::clamp(left, 0.0f, 1.0f) * 100)));
    vuRight_->setValue(static_cast<int>(std::lround(std::clamp(right, 0.0f, 1.0f) * 100)));
}

void Frmid3v::menPlayback_Click(int index) {
    switch (index) {
        case 0: {
            const int record = SelectedRecord();
            if (record > 0 && record < static_cast<int>(Table().size())) {
                Playback(Table()[static_cast<std::size_t>(record)].filename);
            }
            break;
        }
        case 1:
            Playback("pause");
            break;
        case 2:
            Playback("");
            break;
        case 3:
            Playback("forward");
            break;
        case 4:
            Playback("back");
            break;
        default:
            break;
    }
}

void Frmid3v::menJump_Click() {
    Playback("jump");
}

void Frmid3v::menSelect_Click(int index) {
    const Qt::CheckState state = index == 0 ? Qt::Checked : Qt::Unchecked;
    {
        const QSignalBlocker quiet(lvw_);
        for (int i = 0; i < lvw_->topLevelItemCount(); ++i) {
            lvw_->topLevelItem(i)->setCheckState(0, state);
        }
    }
    lvw_->viewport()->update();
    RefreshSelected();
}

void Frmid3v::chkOpt_Click(int index) {
    opt_[static_cast<std::size_t>(index)] =
        chkOpt_[static_cast<std::size_t>(index)]->isChecked() ? 1 : 0;
    // The grabbed-title label follows the option once the pages are there.
}

void Frmid3v::tabs_Click(int position) {
    for (int i = 0; i < 2; ++i) frm_[static_cast<std::size_t>(i)]->setVisible(i == position - 1);
    if (tabs_->currentIndex() != position - 1) tabs_->setCurrentIndex(position - 1);
}

int Frmid3v::SplitterLeft() const {
    return splitterLeft_;
}

void Frmid3v::PlaceSplitter(int leftTwips) {
    splitterLeft_ = leftTwips;
    p_->move(Px(leftTwips), p_->y());
}

void Frmid3v::p_MouseDown() {
    blnDrag_ = true;
    dragLeft_ = SplitterLeft();
}

void Frmid3v::p_MouseMove(int x) {
    const int boundary = dragLeft_ + x;
    if (!blnDrag_ || !splitter::MoveLaysOut(boundary, SplitterLeft())) return;
    const splitter::Panes panes = splitter::LayOut(
        boundary, {kInnerWidth, kInnerHeight, Tw(ftv_->x()), Tw(ftv_->y()), Tw(tabs_->y())});
    ftv_->resize(Px(panes.treeWidth), Px(panes.treeHeight));
    lvw_->setGeometry(Px(panes.listLeft), lvw_->y(), Px(panes.listWidth), lvw_->height());
    tabs_->setGeometry(Px(panes.tabLeft), tabs_->y(), Px(panes.tabWidth), tabs_->height());
    for (QGroupBox* page : frm_) page->move(Px(panes.pageLeft), page->y());
}

void Frmid3v::p_MouseUp(int x) {
    blnDrag_ = false;
    PlaceSplitter(splitter::DropLeft(dragLeft_ + x));
}

bool Frmid3v::eventFilter(QObject* watched, QEvent* event) {
    if (watched == p_) {
        auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (mouse != nullptr && mouse->button() == Qt::LeftButton &&
            event->type() == QEvent::MouseButtonPress) {
            p_MouseDown();
        } else if (mouse != nullptr && event->type() == QEvent::MouseMove) {
            p_MouseMove(Tw(static_cast<int>(mouse->position().x())));
        } else if (mouse != nullptr && mouse->button() == Qt::LeftButton &&
                   event->type() == QEvent::MouseButtonRelease) {
            p_MouseUp(Tw(static_cast<int>(mouse->position().x())));
        }
    } else if (watched == lvw_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        menPlaybackMenu_->menuAction()->setVisible(true);
        if (mouse->button() == Qt::RightButton) {
            menSelectMenu_->popup(mouse->globalPosition().toPoint());
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace qsr::tags
