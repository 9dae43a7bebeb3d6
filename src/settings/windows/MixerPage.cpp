#include "settings/windows/MixerPage.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/audio-api/AudioRecorder.h"

namespace qsr::settings {
namespace {

QString Indexed(const char* name, int i) {
    return QString("%1_%2").arg(name).arg(i);
}

}  // namespace

MixerPage::MixerPage(audio::IAudioRecorder& recorder, AdvancedOpener openAdvanced, QWidget* parent)
    : QWidget(parent), recorder_(recorder), openAdvanced_(std::move(openAdvanced)) {
    setObjectName("MixerPage");
    Frame14 = new QFrame(this);
    Frame14->setObjectName("Frame14");
    auto* columns = new QHBoxLayout(Frame14);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    for (int i = 0; i < kMixerColumns; ++i) {
        columns->addWidget(BuildColumn(i));
        ConnectColumn(i);
        NameColumn(i, QString());
    }

    lblNote = new QLabel(
        "Each column is one input of the recording device (its ports). Volume, balance and "
        "mute belong to the whole device, so every column of one device shows the same "
        "volume and balance. Only one input of a device records at a time.",
        this);
    lblNote->setObjectName("lblNote");
    lblNote->setWordWrap(true);

    auto* page = new QVBoxLayout(this);
    page->addWidget(Frame14, 1, Qt::AlignLeft);
    page->addWidget(lblNote);
}

QWidget* MixerPage::BuildColumn(int i) {
    auto* column = new QWidget(Frame14);
    column->setObjectName(Indexed("Column", i));
    Column[i] = column;
    Label[i] = new QLabel("Label1", column);
    Label[i]->setObjectName(Indexed("Label", i));
    Label[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label[i]->setWordWrap(true);
    // Room for a name of two lines, so the columns' controls line up.
    Label[i]->setMinimumHeight(2 * Label[i]->fontMetrics().lineSpacing());
    Label3[i] = new QLabel("Volume:", column);
    Label3[i]->setObjectName(Indexed("Label3", i));
    slVolume[i] = new QSlider(Qt::Vertical, column);
    slVolume[i]->setObjectName(Indexed("slVolume", i));
    slVolume[i]->setRange(0, kVolumeMax);
    // Value 0 at the top, and the keys move the handle the way their arrows point.
    slVolume[i]->setInvertedAppearance(true);
    slVolume[i]->setInvertedControls(true);
    slVolume[i]->setPageStep(kVolumeMax / 16);
    slVolume[i]->setMinimumHeight(120);
    Label2[i] = new QLabel("Balance:", column);
    Label2[i]->setObjectName(Indexed("Label2", i));
    slBalance[i] = new QSlider(Qt::Horizontal, column);
    slBalance[i]->setObjectName(Indexed("slBalance", i));
    slBalance[i]->setRange(0, 100);
    slBalance[i]->setValue(50);
    chSelect[i] = new QCheckBox(QString::fromStdString(SelectCaption(i)), column);
    chSelect[i]->setObjectName(Indexed("chSelect", i));
    cmdAdvanced[i] = new QPushButton("Advanced", column);
    cmdAdvanced[i]->setObjectName(Indexed("cmdAdvanced", i));
    cmdAdvanced[i]->setAutoDefault(false);
    // Columns stay aligned whether or not a line has advanced controls.
    QSizePolicy keep = cmdAdvanced[i]->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    cmdAdvanced[i]->setSizePolicy(keep);
    // A drag applies once, when it ends; keys and clicks on the groove at once.
    slVolume[i]->setTracking(false);
    slBalance[i]->setTracking(false);

    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Label[i]);
    layout->addWidget(Label3[i]);
    layout->addWidget(slVolume[i], 1, Qt::AlignHCenter);
    layout->addWidget(Label2[i]);
    layout->addWidget(slBalance[i]);
    layout->addWidget(chSelect[i]);
    layout->addWidget(cmdAdvanced[i]);
    return column;
}

void MixerPage::ConnectColumn(int i) {
    connect(chSelect[i], &QCheckBox::clicked, this, [this, i] { chSelect_MouseUp(i); });
    connect(slVolume[i], &QSlider::valueChanged, this, [this, i] {
        if (!showing_) slVolume_Click(i);
    });
    connect(slBalance[i], &QSlider::valueChanged, this, [this, i] {
        if (!showing_) slBalance_Click(i);
    });
    connect(cmdAdvanced[i], &QPushButton::clicked, this, [this, i] { cmdAdvanced_Click(i); });
}

MixerPage::~MixerPage() = default;

void MixerPage::NameColumn(int column, const QString& line) {
    // Eight columns share their captions: the line's name tells them apart.
    const QString of = line.isEmpty() ? QString() : " " + line;
    slVolume[column]->setAccessibleName("Volume:" + of);
    slBalance[column]->setAccessibleName("Balance:" + of);
    chSelect[column]->setAccessibleName(chSelect[column]->text());
    chSelect[column]->setAccessibleDescription(line);
    cmdAdvanced[column]->setAccessibleName("Advanced");
    cmdAdvanced[column]->setAccessibleDescription(line);
}

void MixerPage::ShowVolume(int column, int volume) {
    showing_ = true;
    slVolume[column]->setValue(VolumeSliderValue(volume));
    showing_ = false;
}

void MixerPage::ShowBalance(int column, int balance) {
    showing_ = true;
    slBalance[column]->setValue(balance);
    showing_ = false;
}

void MixerPage::BuildMixerPage(int n) {
    shown_ = MixerColumnsShown(n);
    // Equal columns, wide enough for the longest line name up to twice the
    // usual width; a longer name wraps.
    const int usual = TwipsToPixels(kMixerColumnTwips);
    int width = usual;
    for (int i = 0; i < shown_; ++i) {
        recorder_.SelectSource(i);
        const QString name = QString::fromStdString(recorder_.SourceName());
        Label[i]->setText(name);
        NameColumn(i, name);
        const int nameWidth = Label[i]->fontMetrics().horizontalAdvance(name) + 12;
        width =
            std::max({width, std::min(nameWidth, 2 * usual), chSelect[i]->sizeHint().width() + 8,
                      cmdAdvanced[i]->sizeHint().width() + 8});
        slVolume[i]->setEnabled(recorder_.HasVolume());
        ShowVolume(i, recorder_.Volume());
        slBalance[i]->setEnabled(recorder_.HasBalance());
        ShowBalance(i, recorder_.Balance());
        chSelect[i]->setEnabled(recorder_.SourceSelectable());
        chSelect[i]->setChecked(recorder_.SourceActive());
        cmdAdvanced[i]->setVisible(recorder_.AdvancedLastIndex() >= 0);
    }
    for (int i = 0; i < kMixerColumns; ++i) {
        Column[i]->setFixedWidth(width);
        Column[i]->setVisible(i < shown_);
    }
    Frame14->setFixedWidth(shown_ * width);
}

void MixerPage::chSelect_MouseUp(int index) {
    if (index < 0 || index >= shown_) return;
    const int remembered = recorder_.CurrentSource();
    recorder_.SelectSource(index);
    recorder_.SetSourceActive(chSelect[index]->isChecked());
    // Choosing one source may drop another, and a device may keep a source
    // it will not drop: every tick shows what the device holds.
    for (int i = 0; i < shown_; ++i) {
        recorder_.SelectSource(i);
        chSelect[i]->setChecked(recorder_.SourceActive());
    }
    recorder_.SelectSource(remembered);
}

void MixerPage::ReadBackLevels(int current) {
    for (int i = 0; i < shown_; ++i) {
        if (i == current) continue;
        recorder_.SelectSource(i);
        ShowVolume(i, recorder_.Volume());
        ShowBalance(i, recorder_.Balance());
    }
    recorder_.SelectSource(current);
    ShowVolume(current, recorder_.Volume());
    ShowBalance(current, recorder_.Balance());
}

void MixerPage::slVolume_Click(int index) {
    if (index < 0 || index >= shown_) return;
    recorder_.SelectSource(index);
    recorder_.SetVolume(VolumeFromSlider(slVolume[index]->value()));
    ReadBackLevels(index);
}

void MixerPage::slBalance_Click(int index) {
    if (index < 0 || index >= shown_) return;
    recorder_.SelectSource(index);
    recorder_.SetBalance(slBalance[index]->value());
    ReadBackLevels(index);
}

void MixerPage::cmdAdvanced_Click(int index) {
    if (index < 0 || index >= shown_) return;
    recorder_.SelectSource(index);
    if (openAdvanced_) openAdvanced_(*window());
    // A level or mute changed there moves this page's sliders too.
    ReadBackLevels(index);
}

}  // namespace qsr::settings
