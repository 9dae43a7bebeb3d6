#include "app/windows/frmAbout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/services/windows/Accessibility.h"

namespace qsr::app {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Quorvin Sound Recorder");
    auto* layout = new QVBoxLayout(this);

    auto* name = new QLabel("Quorvin Sound Recorder", this);
    name->setObjectName("lblProduct");
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);

    auto* version = new QLabel("Version 3.20", this);
    version->setObjectName("lblVersion");
    layout->addWidget(version);

    auto* description = new QLabel(
        "Records what the sound card hears or plays (a microphone, the line input or the mix of "
        "what other programs play) straight into MP3, Ogg Vorbis, WAV, VOX, RAW and G.726 files, "
        "with filters and automatic gain control while recording.\n\n"
        "Also: an audio player, an audio converter, an ID3 tag editor and a recording "
        "scheduler. Ctrl+R starts and Ctrl+S stops a recording from anywhere on the desktop.",
        this);
    description->setObjectName("lblDescription");
    description->setWordWrap(true);
    description->setMinimumWidth(380);
    layout->addWidget(description);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    services::NameControlsForAccessibility(this);
}

}  // namespace qsr::app
