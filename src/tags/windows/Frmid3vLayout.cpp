// The ID3 Editor's controls and menus, named and captioned as the window's
// parts, at their designed positions; and the splitter that moves them.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/Twips.h"
#include "platform/services/windows/Accessibility.h"
#include "tags/EditorSplitter.h"
#include "tags/FmodTagSource.h"
#include "tags/TagFileListModel.h"
#include "tags/clsFMOD.h"
#include "tags/windows/Frmid3v.h"
#include "tags/windows/Frmid3vTree.h"

namespace qsr::tags {

using core::PixelsToTwips;
using core::TwipsToPixels;

namespace {

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

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                   TwipsToPixels(height));
}

}  // namespace

Frmid3v::Frmid3v(soundlib::ISoundLibrary& library, audio::IAudioEngine& tagEngine,
                 services::DesktopServices desktop, std::string applicationFolder, QWidget* parent)
    : QDialog(parent),
      library_(library),
      desktop_(desktop),
      applicationFolder_(std::move(applicationFolder)),
      scanJob_(std::make_unique<ScanJob>()),
      saveJob_(std::make_unique<SaveJob>(tagEngine)),
      replayGainJob_(std::make_unique<ReplayGainJob>(tagEngine)) {
    setObjectName("Frmid3v");
    setWindowTitle("ID3 Editor");
    BuildMenus();
    BuildControls();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ConnectControls();
    // The scroll bars of tree and list appear as soon as they are needed.
    for (auto [view, caption] : {std::pair<QAbstractScrollArea*, QString>{ftv_, "Folders"},
                                 std::pair<QAbstractScrollArea*, QString>{lvw_, "Files"}}) {
        view->verticalScrollBar()->setAccessibleName(caption + " vertical scroll bar");
        view->horizontalScrollBar()->setAccessibleName(caption + " horizontal scroll bar");
    }
    services::NameControlsForAccessibility(this);
}

void Frmid3v::BuildMenus() {
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
    // The header takes no focus: the keyboard reaches the order through here.
    menSelectMenu_->addSeparator();
    menSort_ = menSelectMenu_->addAction("Sort by &Filename");
    menSort_->setObjectName("menSort");
    connect(menSort_, &QAction::triggered, this, [this] { SortByName(); });
    // Acts on the same files as Save; its shortcut works wherever the focus
    // is in the window, the menu shown or not (Ctrl+R, Ctrl+S and Ctrl+M are
    // the program's global keys, which never reach a window).
    menSelectMenu_->addSeparator();
    menReplayGain_ = menSelectMenu_->addAction("&ReplayGain\u2026");
    menReplayGain_->setObjectName("menReplayGain");
    menReplayGain_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    menReplayGain_->setShortcutContext(Qt::WindowShortcut);
    menReplayGain_->setToolTip("Measure the ticked files and write their ReplayGain values");
    addAction(menReplayGain_);
    connect(menReplayGain_, &QAction::triggered, this, [this] { menReplayGain_Click(); });
}

// Controls stand at designed positions (twips) in a client area under the
// menu bar; the splitter moves them.
void Frmid3v::BuildControls() {
    client_ = new QWidget(this);
    client_->setObjectName("client");
    client_->setFixedSize(TwipsToPixels(kInnerWidth), TwipsToPixels(kInnerHeight));

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

    BuildList(splitter::kDefaultLeft + splitter::kHalfWidth + 120);

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
    BuildOptions();

    prb_ = new QProgressBar(client_);
    prb_->setObjectName("prb");
    prb_->setAccessibleName("Progress");
    prb_->setTextVisible(false);
    Place(prb_, kOptionsLeft, 6780, 3960, 300);
    prb_->hide();
    BuildMeters();
}

void Frmid3v::BuildList(int left) {
    files_ = new TagFileListModel(this);
    lvw_ = new QTreeView(client_);
    lvw_->setObjectName("lvw");
    lvw_->setAccessibleName("Files");
    lvw_->setRootIsDecorated(false);
    lvw_->setItemsExpandable(false);
    lvw_->setUniformRowHeights(true);
    lvw_->setAllColumnsShowFocus(true);
    lvw_->setModel(files_);
    lvw_->header()->setStretchLastSection(false);
    // Only "Filename" sorts; the others keep the header's look.
    lvw_->header()->setSectionsClickable(true);
    lvw_->header()->setSortIndicatorShown(false);
    lvw_->viewport()->installEventFilter(this);
    lvw_->installEventFilter(this);  // the menu key and Shift+F10
    Place(lvw_, left, kTreeTop, kInnerWidth - left - 120, kPaneHeight);
}

void Frmid3v::BuildOptions() {
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
}

// The preview's position and levels.
void Frmid3v::BuildMeters() {
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
}

void Frmid3v::ConnectControls() {
    // Queued: the folder selected at load is scanned once the window is up,
    // so a large folder fills a visible list instead of delaying the window.
    connect(
        ftv_, &Frmid3vTree::FolderChanged, this,
        [this](const QString& path) { UpdateFolder(path.toStdString()); }, Qt::QueuedConnection);
    connect(lvw_, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { RefreshItem(files_->RecordAt(index.row())); });
    // Moving through the rows with the keyboard shows their tags too.
    connect(lvw_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid()) RefreshItem(files_->RecordAt(index.row()));
            });
    connect(files_, &TagFileListModel::Ticked, this, [this](int record) { RefreshItem(record); });
    connect(lvw_->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == 0) SortByName();
    });
    // Every way of moving the tab (mouse, arrow keys, Ctrl+Tab, the wheel, an
    // accessibility press) changes the current tab; the page follows it.
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0) tabs_Click(index + 1);
    });
    // Ctrl+Tab and Ctrl+PgDown turn to the next page, Ctrl+Shift+Tab and
    // Ctrl+PgUp back, wherever the focus is, as in tabbed dialogs.
    const std::pair<QKeySequence, int> turns[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto& [keys, by] : turns) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, by = by] {
            const int count = tabs_->count();
            tabs_->setCurrentIndex((tabs_->currentIndex() + by + count) % count);
        });
    }
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
    BuildV1Page(genres);
    BuildV2Page(genres);
    // The toolbar's buttons (Save among them) are reached by Tab too, after
    // the page's boxes: Tab from the tab strip lands in the first box.
    QWidget* const lastBoxes[] = {cmbv1_, txtv2_.back()};
    for (int page = 0; page < 2; ++page) {
        QWidget* before = lastBoxes[page];
        for (int button : {1, 2, 4, 5, 7}) {
            auto* tool = frm_[static_cast<std::size_t>(page)]->findChild<QToolButton*>(
                QStringLiteral("tbr%1Button%2Tool").arg(page).arg(button));
            if (tool == nullptr) continue;
            tool->setFocusPolicy(Qt::TabFocus);
            setTabOrder(before, tool);
            before = tool;
        }
    }
    SetV1Enabled(false);
    SetV2Enabled(false);
}

// ID3v1: one column of boxes with their byte limits, then the genre list.
void Frmid3v::BuildV1Page(const QStringList& genres) {
    auto* grid1 = static_cast<QGridLayout*>(frm_[0]->layout());
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
}

// ID3v2: the shared fields on the left, the rest and the taller comment box
// on the right.
void Frmid3v::BuildV2Page(const QStringList& genres) {
    auto* grid2 = static_cast<QGridLayout*>(frm_[1]->layout());
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
}

void Frmid3v::FitColumns() {
    const QFontMetrics metrics(font());
    for (int column = 0; column < TagFileListModel::kColumns; ++column) {
        const int pad = column == 0 ? kFilenamePad : kColumnPad;
        const QString text = QString::fromStdString(files_->Longest(column));
        lvw_->setColumnWidth(column, metrics.horizontalAdvance(text) + TwipsToPixels(pad));
    }
}

int Frmid3v::SplitterLeft() const {
    return splitterLeft_;
}

void Frmid3v::PlaceSplitter(int leftTwips) {
    splitterLeft_ = leftTwips;
    p_->move(TwipsToPixels(leftTwips), p_->y());
}

void Frmid3v::p_MouseDown() {
    blnDrag_ = true;
    dragLeft_ = SplitterLeft();
}

void Frmid3v::p_MouseMove(int x) {
    const int boundary = dragLeft_ + x;
    if (!blnDrag_ || !splitter::MoveLaysOut(boundary, SplitterLeft())) return;
    const splitter::Panes panes = splitter::LayOut(
        boundary, {kInnerWidth, kInnerHeight, PixelsToTwips(ftv_->x()), PixelsToTwips(ftv_->y()),
                   PixelsToTwips(tabs_->y()), kPageWidth, kOptionsLeft});
    ftv_->resize(TwipsToPixels(panes.treeWidth), TwipsToPixels(panes.treeHeight));
    lvw_->setGeometry(TwipsToPixels(panes.listLeft), lvw_->y(), TwipsToPixels(panes.listWidth),
                      lvw_->height());
    tabs_->setGeometry(TwipsToPixels(panes.tabLeft), tabs_->y(), TwipsToPixels(panes.tabWidth),
                       tabs_->height());
    for (QGroupBox* page : frm_) page->move(TwipsToPixels(panes.pageLeft), page->y());
}

void Frmid3v::p_MouseUp(int x) {
    blnDrag_ = false;
    PlaceSplitter(splitter::DropLeft(dragLeft_ + x));
}

}  // namespace qsr::tags
