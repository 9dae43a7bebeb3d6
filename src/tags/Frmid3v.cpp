#include "tags/Frmid3v.h"

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/services/Accessibility.h"
#include "platform/services/Skin.h"
#include "player/clsFMOD.h"
#include "tags/EditorSplitter.h"
#include "tags/Frmid3vTree.h"
#include "tags/SplitPath.h"
#include "tags/TagSave.h"

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
constexpr int kPageWidth = 7080;
constexpr int kOptionsLeft = 7800;  // "Multiple file options", the position and the meters

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
    // Made once: a locale and an expression per row slow a long list down.
    static const QLocale locale;
    static const QString timeFormat =
        locale.timeFormat(QLocale::LongFormat)
            .remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")))
            .trimmed();
    const QDateTime moment(QDate(d.year, d.month, d.day), QTime(d.hour, d.minute, d.second));
    return locale.toString(moment.date(), QLocale::ShortFormat) + ' ' +
           locale.toString(moment.time(), timeFormat);
}

QString PositionText(long ms) {
    const long s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Frmid3v::Frmid3v(soundlib::ISoundLibrary& library, audio::IAudioEngine& tagEngine,
                 services::DesktopServices desktop, std::string applicationFolder, QWidget* parent)
    : QDialog(parent),
      library_(library),
      desktop_(desktop),
      applicationFolder_(std::move(applicationFolder)),
      scanJob_(std::make_unique<ScanJob>()),
      saveJob_(std::make_unique<SaveJob>(tagEngine)) {
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
        Place(page, 600, kTabTop + 420, kPageWidth, 3600);
        page->setVisible(i == 0);
        frm_[static_cast<std::size_t>(i)] = page;
    }
    BuildPages();

    Frame1_ = new QGroupBox("Multiple file options", client_);
    Frame1_->setObjectName("Frame1");
    Place(Frame1_, kOptionsLeft, kTabTop + 420, 3960, 2040);
    auto* options = new QVBoxLayout(Frame1_);
    // Tight enough for the grabbed title's two lines under the three options.
    options->setContentsMargins(9, 4, 9, 4);
    options->setSpacing(2);
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
    Place(prb_, kOptionsLeft, 6780, 3960, 300);
    prb_->hide();

    // The preview's position and levels.
    lblPosition_ = new QLabel(client_);
    lblPosition_->setObjectName("lblPosition");
    lblPosition_->setAccessibleName("Playback position");
    Place(lblPosition_, kOptionsLeft, 7200, 3960, 300);
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
        Place(label, kOptionsLeft, meterTop, 240, 240);
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
    // Every way of moving the tab (mouse, arrow keys, Ctrl+Tab, the wheel, an
    // accessibility press) changes the current tab; the page follows it.
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
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

void Frmid3v::BuildPages() {
    const QStringList genres = [] {
        QStringList names;
        for (const std::string& name : GenreListNames()) names << QString::fromStdString(name);
        return names;
    }();
    const char* const toolCaptions[2][7] = {
        {"Revert", "Save", nullptr, "Copy from ID3v2", "Copy to ID3v2", nullptr, "Playback"},
        {"Revert", "Save", nullptr, "Copy to ID3v1", "Copy from ID3v1", nullptr, "Playback"}};
    for (int page = 0; page < 2; ++page) {
        QGroupBox* frame = frm_[static_cast<std::size_t>(page)];
        auto* grid = new QGridLayout(frame);
        grid->setContentsMargins(6, 2, 6, 4);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(2);

        auto* bar = new QToolBar(frame);
        bar->setObjectName(QStringLiteral("tbr%1").arg(page));
        bar->setAccessibleName(page == 0 ? "ID3v1 toolbar" : "ID3v2 toolbar");
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        bar->setIconSize(QSize(1, 1));
        bar->setMovable(false);
        for (int button = 1; button <= 7; ++button) {
            const char* caption = toolCaptions[page][button - 1];
            if (caption == nullptr) {
                bar->addSeparator();
                continue;
            }
            QAction* action = bar->addAction(caption);
            action->setObjectName(QStringLiteral("tbr%1Button%2").arg(page).arg(button));
            if (button == 7) {
                // Its own pop-up with the menu's actions: a menu given to a
                // second action would take that action as its menu title.
                auto* popup = new QMenu(bar);
                popup->setObjectName(QStringLiteral("tbr%1Popup").arg(page));
                popup->addActions(menPlaybackMenu_->actions());
                action->setMenu(popup);
            }
            connect(action, &QAction::triggered, this,
                    [this, page, button] { tbr_ButtonClick(page, button); });
            if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
                tool->setObjectName(QStringLiteral("tbr%1Button%2Tool").arg(page).arg(button));
                tool->setAccessibleName(caption);
                if (button == 7) tool->setPopupMode(QToolButton::InstantPopup);
            }
        }
        grid->addWidget(bar, 0, 0, 1, 4);

        auto* check = new QCheckBox(page == 0 ? "&ID3v1 tag" : "&ID3v2 tag", frame);
        check->setObjectName(page == 0 ? "chkv1" : "chkv2");
        grid->addWidget(check, 1, 0, 1, 4);
        if (page == 0) {
            chkv1_ = check;
            connect(check, &QCheckBox::clicked, this, [this] { chkv1_Click(); });
        } else {
            chkv2_ = check;
            connect(check, &QCheckBox::clicked, this, [this] { chkv2_Click(); });
        }
    }

    // ID3v1: one column of boxes with their byte limits, then the genre list.
    QGridLayout* grid1 = static_cast<QGridLayout*>(frm_[0]->layout());
    const char* const v1Labels[] = {
        "Track #:", "Title:", "Artist:", "Album:", "Year:", "Comments:"};
    const int v1Limits[] = {3, 30, 30, 30, 4, 30};
    for (int k = 0; k < kV1Boxes; ++k) {
        auto* box = new QLineEdit(frm_[0]);
        box->setObjectName(QStringLiteral("txtv1_%1").arg(k));
        box->setMaxLength(v1Limits[k]);
        auto* label = new QLabel(v1Labels[k], frm_[0]);
        label->setBuddy(box);
        grid1->addWidget(label, 2 + k, 0);
        grid1->addWidget(box, 2 + k, 1, 1, k == kV1Track || k == kV1Year ? 1 : 3);
        txtv1_[static_cast<std::size_t>(k)] = box;
    }
    txtv1_[kV1Track]->setMaximumWidth(60);
    txtv1_[kV1Year]->setMaximumWidth(60);
    txtv1_[kV1Track]->installEventFilter(this);
    cmbv1_ = new QComboBox(frm_[0]);
    cmbv1_->setObjectName("cmbv1");
    cmbv1_->addItems(genres);
    cmbv1_->setCurrentIndex(-1);
    cmbv1_->setMaxVisibleItems(20);
    auto* genre1 = new QLabel("Genre:", frm_[0]);
    genre1->setBuddy(cmbv1_);
    grid1->addWidget(genre1, 2 + kV1Boxes, 0);
    grid1->addWidget(cmbv1_, 2 + kV1Boxes, 1, 1, 3);
    grid1->setColumnStretch(3, 1);
    grid1->setRowStretch(3 + kV1Boxes, 1);

    // ID3v2: the shared fields on the left, the rest and the taller comment
    // box on the right.
    QGridLayout* grid2 = static_cast<QGridLayout*>(frm_[1]->layout());
    const char* const v2Labels[] = {
        "Track #:",  "Title:",        "Artist:",    "Album:", "Year:",      "Comments:",
        "Composer:", "Orig. Artist:", "Copyright:", "URL:",   "Encoded by:"};
    const std::pair<int, int> v2Cells[] = {{2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {2, 2},
                                           {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}};
    for (int k = 0; k < kV2Boxes; ++k) {
        // The genre closes the left column; made here so Tab reaches it
        // before the right column.
        if (k == kV2Comment) {
            cmbv2_ = new QComboBox(frm_[1]);
            cmbv2_->setObjectName("cmbv2");
            cmbv2_->setEditable(true);
            cmbv2_->setInsertPolicy(QComboBox::NoInsert);
            cmbv2_->addItems(genres);
            cmbv2_->setCurrentIndex(-1);
            cmbv2_->setMaxVisibleItems(20);
            cmbv2_->lineEdit()->setObjectName("cmbv2Text");
            auto* genre2 = new QLabel("Genre:", frm_[1]);
            genre2->setBuddy(cmbv2_);
            grid2->addWidget(genre2, 7, 0);
            grid2->addWidget(cmbv2_, 7, 1);
        }
        QWidget* box;
        if (k == kV2Comment) {
            txtv2Comment_ = new QPlainTextEdit(frm_[1]);
            txtv2Comment_->setTabChangesFocus(true);
            box = txtv2Comment_;
        } else {
            txtv2_[static_cast<std::size_t>(k)] = new QLineEdit(frm_[1]);
            box = txtv2_[static_cast<std::size_t>(k)];
        }
        box->setObjectName(QStringLiteral("txtv2_%1").arg(k));
        auto* label = new QLabel(v2Labels[k], frm_[1]);
        label->setBuddy(box);
        const auto [row, column] = v2Cells[k];
        grid2->addWidget(label, row, column, Qt::AlignTop);
        grid2->addWidget(box, row, column + 1, k == kV2Comment ? 2 : 1, 1);
    }
    txtv2Comment_->setFixedHeight(2 * txtv2_[kV2Title]->sizeHint().height());
    grid2->setColumnStretch(1, 1);
    grid2->setColumnStretch(3, 1);
    grid2->setRowStretch(9, 1);
    cmbv2_->lineEdit()->setAccessibleName("Genre:");

    SetV1Enabled(false);
    SetV2Enabled(false);
}

Frmid3v::~Frmid3v() {
    Form_Unload();
}

void Frmid3v::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    // The genre lists of the pages come with them; the names are GenreListNames().
    fmod_ = std::make_unique<player::clsFMOD>(library_, *desktop_.messageBox);
    loaded_ = true;
    unloaded_ = false;
    // A window opened again starts as a fresh one.
    lvw_->clear();
    table_.assign(1, TagFileRecord{});
    shownRecord_ = 0;
    ShowPages(PageValues{}, false);  // nothing from the last opening to save
    menPlaybackMenu_->menuAction()->setVisible(false);
    ftv_->SetSelectedFolder(QString());
    // The library comes up before the stored folder is selected, since
    // selecting it scans through the library.
    fmodOk_ = fmod_->Init(44100, 16);
    LoadSettings();
}

void Frmid3v::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    if (working_) {
        // The worker touches nothing of the window's; its calls still queued
        // are dropped. Past the bound it ends alone, before the window goes.
        StopWork(std::chrono::seconds(5));
        ++generation_;
        working_ = false;
        prb_->hide();
        QApplication::restoreOverrideCursor();
    }
    if (pendingFolder_) {
        // Never listed: the stored folder is the one the list shows.
        pendingFolder_.reset();
        const QSignalBlocker quiet(ftv_);
        ftv_->SetSelectedFolder(QString::fromStdString(listedFolder_));
    }
    unloaded_ = true;
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

void Frmid3v::ScanEnded() {
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
    // The pages of the previous folder's file must not stay to be saved here.
    RefreshItem(SelectedRecord());
    FinishWork();
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
    RefreshItem(SelectedRecord());
}

void Frmid3v::RefreshItem(int index) {
    const TagFileTable& table = Table();
    const auto valid = [&table](int r) { return r > 0 && r < static_cast<int>(table.size()); };
    std::vector<const TagFileRecord*> ticked;
    int firstTicked = 0;
    for (int i = 0; i < lvw_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvw_->topLevelItem(i);
        const int record = item->data(0, Qt::UserRole).toInt();
        if (item->checkState(0) != Qt::Checked || !valid(record)) continue;
        ticked.push_back(&table[static_cast<std::size_t>(record)]);
        if (firstTicked == 0) firstTicked = record;
    }
    if (ticked.size() >= 2) {
        if (valid(index)) shownRecord_ = index;
        ShowPages(MergeRecords(ticked));
    } else {
        // The pages show the file a save writes: the one ticked row, else the
        // selected (or given) one; with none, an empty page that saves nothing.
        const int selected = SelectedRecord();
        const int target = ticked.size() == 1 ? firstTicked : selected > 0 ? selected : index;
        if (valid(target)) {
            shownRecord_ = target;
            ShowPages(PagesForRecord(table[static_cast<std::size_t>(target)]));
        } else {
            shownRecord_ = 0;
            ShowPages(PageValues{}, false);
        }
    }
    UpdateGrabbedTitle();
}

void Frmid3v::ShowPages(const PageValues& pages, bool target) {
    // A tag the file lacks shows empty boxes: what another file showed there
    // is nothing a save would write.
    for (int k = 0; k < kV1Boxes; ++k) {
        txtv1_[static_cast<std::size_t>(k)]->setText(
            QString::fromStdString(pages.v1Boxes[static_cast<std::size_t>(k)]));
    }
    // A genre without list entry (255: none, 200 from another program) shows
    // no choice; the file keeps it unless the user picks one.
    cmbv1_->setCurrentIndex(pages.v1Genre);
    SetV1Enabled(pages.v1);
    chkv1_->setChecked(pages.v1);
    for (int k = 0; k < kV2Boxes; ++k) SetV2Text(k, pages.v2Boxes[static_cast<std::size_t>(k)]);
    cmbv2_->setCurrentIndex(-1);
    cmbv2_->setEditText(QString::fromStdString(pages.v2Genre));
    SetV2Enabled(pages.v2);
    chkv2_->setChecked(pages.v2);
    chkv1_->setEnabled(target);
    chkv2_->setEnabled(target);
    // A save writes only what differs from this.
    filled_ = Pages();
}

void Frmid3v::SetV1Enabled(bool enabled) {
    for (QLineEdit* box : txtv1_) box->setEnabled(enabled);
    cmbv1_->setEnabled(enabled);
}

void Frmid3v::SetV2Enabled(bool enabled) {
    for (QLineEdit* box : txtv2_) {
        if (box != nullptr) box->setEnabled(enabled);
    }
    txtv2Comment_->setEnabled(enabled);
    cmbv2_->setEnabled(enabled);
}

std::string Frmid3v::V2Text(int box) const {
    if (box == kV2Comment) return txtv2Comment_->toPlainText().toStdString();
    return txtv2_[static_cast<std::size_t>(box)]->text().toStdString();
}

void Frmid3v::SetV2Text(int box, const std::string& text) {
    if (box == kV2Comment) {
        txtv2Comment_->setPlainText(QString::fromStdString(text));
    } else {
        txtv2_[static_cast<std::size_t>(box)]->setText(QString::fromStdString(text));
    }
}

PageValues Frmid3v::Pages() const {
    PageValues pages;
    pages.v1 = chkv1_->isChecked();
    for (int k = 0; k < kV1Boxes; ++k) {
        pages.v1Boxes[static_cast<std::size_t>(k)] =
            txtv1_[static_cast<std::size_t>(k)]->text().toStdString();
    }
    pages.v1Genre = cmbv1_->currentIndex();
    pages.v2 = chkv2_->isChecked();
    for (int k = 0; k < kV2Boxes; ++k) pages.v2Boxes[static_cast<std::size_t>(k)] = V2Text(k);
    pages.v2Genre = cmbv2_->currentText().toStdString();
    return pages;
}

void Frmid3v::chkv1_Click() {
    SetV1Enabled(chkv1_->isChecked());
}

void Frmid3v::chkv2_Click() {
    SetV2Enabled(chkv2_->isChecked());
}

void Frmid3v::tbr_ButtonClick(int page, int button) {
    (void)page;  // both toolbars act alike: the button decides
    switch (button) {
        case 1:
            if (const int record = SelectedRecord(); record > 0) RefreshItem(record);
            break;
        case 2:
            SaveItems();
            break;
        case 4:
            chkv1_->setEnabled(true);
            chkv1_->setChecked(true);
            chkv1_Click();
            for (int k = 0; k < kV1Boxes; ++k) {
                txtv1_[static_cast<std::size_t>(k)]->setText(QString::fromStdString(V2Text(k)));
            }
            cmbv1_->setCurrentIndex(cmbv1_->findText(cmbv2_->currentText()));
            break;
        case 5:
            chkv2_->setEnabled(true);
            chkv2_->setChecked(true);
            chkv2_Click();
            for (int k = 0; k < kV1Boxes; ++k) {
                SetV2Text(k, txtv1_[static_cast<std::size_t>(k)]->text().toStdString());
            }
            cmbv2_->setCurrentIndex(cmbv1_->currentIndex());
            if (cmbv1_->currentIndex() < 0) cmbv2_->setEditText(QString());
            break;
        default:
            break;  // 7 opens its pop-up by itself
    }
}

void Frmid3v::UpdateGrabbedTitle() {
    if (opt_[2] == 0) {
        lblTitle_->clear();
        return;
    }
    const int record = SelectedRecord();
    const std::string title = record > 0 && record < static_cast<int>(Table().size())
                                  ? GrabTitle(Table()[static_cast<std::size_t>(record)].filename)
                                  : std::string();
    lblTitle_->setText(QStringLiteral("Grabbed title for selected mp3: \n") +
                       QString::fromStdString(title));
}

int Frmid3v::GetSelNum() const {
    int ticked = 0;
    for (int i = 0; i < lvw_->topLevelItemCount(); ++i) {
        if (lvw_->topLevelItem(i)->checkState(0) == Qt::Checked) ++ticked;
    }
    return ticked;
}

void Frmid3v::UpdateRow(int record, const ScanRow& row) {
    // Rows stand in scan order unless the list was sorted.
    QTreeWidgetItem* item = lvw_->topLevelItem(record - 1);
    for (int i = 0; (item == nullptr || item->data(0, Qt::UserRole).toInt() != record) &&
                    i < lvw_->topLevelItemCount();
         ++i) {
        item = lvw_->topLevelItem(i);
    }
    if (item == nullptr || item->data(0, Qt::UserRole).toInt() != record) return;
    item->setText(1, QString::fromStdString(row.tags));
    item->setText(2, row.size < 0 ? QString()
                                  : QString::fromStdString(KilobyteText(
                                        row.size, QLocale().groupSeparator().toStdString())));
    item->setText(3, row.date ? DateText(*row.date) : QString());
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
    UpdateGrabbedTitle();
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
    const splitter::Panes panes =
        splitter::LayOut(boundary, {kInnerWidth, kInnerHeight, Tw(ftv_->x()), Tw(ftv_->y()),
                                    Tw(tabs_->y()), kPageWidth, kOptionsLeft});
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
    } else if (watched == txtv1_[kV1Track] && event->type() == QEvent::KeyPress) {
        // Only digits, "." and the editing keys reach the Track box.
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty()) {
            const int code = text.at(0).unicode();
            if (code >= 32 && code != 127 && !TrackKeyAccepted(code)) return true;
        }
    } else if (watched == txtv1_[kV1Track] && event->type() == QEvent::KeyRelease) {
        const std::string text = txtv1_[kV1Track]->text().toStdString();
        const std::string clamped = ClampTrackText(text);
        if (clamped != text) txtv1_[kV1Track]->setText(QString::fromStdString(clamped));
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
