// The main window records into a real WAV file while M is pressed twice on a
// fake clock; ffprobe finds two chapters at those moments, the second named
// in the box while the recording went on. The Markers window splits a file
// sox made at its markers into pieces soxi measures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/windows/Form1.h"
#include "app/windows/SeekSlider.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/FileCutter.h"
#include "platform/audio/MarkerStore.h"
#include "support/Controls.h"
#include "support/EventWait.h"
#include "support/MainWindow.h"
#include "support/TempDir.h"

using namespace qsr;
using qsr::testing::Control;

namespace {

// Fake capture, real files and markers.
class Engine : public fakes::FakeAudioEngine {
  public:
    std::unique_ptr<audio::IAudioFile> CreateFile() override {
        return audio::CreateRealAudioFile();
    }
    bool StoreMarkers(const std::string& path, int rate, const std::vector<core::Marker>& markers,
                      std::string* error) override {
        return audio::StoreMarkers(path, rate, markers, error);
    }
    bool ReadMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                     std::string* error) override {
        return audio::ReadMarkers(path, markers, rate, error);
    }
    std::unique_ptr<audio::IFileCutter> CreateCutter() override {
        return audio::file::CreateFileCutter();
    }
};

struct Chapter {
    double start;
    std::string title;
};

std::vector<Chapter> Ffprobe(const std::string& path) {
    QProcess p;
    p.start("ffprobe",
            {"-v", "error", "-show_chapters", "-of", "json", QString::fromStdString(path)});
    p.waitForFinished(30000);
    std::vector<Chapter> out;
    for (const auto& c : QJsonDocument::fromJson(p.readAllStandardOutput())["chapters"].toArray())
        out.push_back({c.toObject()["start_time"].toString().toDouble(),
                       c.toObject()["tags"].toObject()["title"].toString().toStdString()});
    return out;
}

TEST(MarkerWindow, MPressedTwiceWhileRecordingGivesTwoChaptersAtThoseMoments) {
    qsr::testing::TempDir home;
    qsr::testing::WriteAll(home.File("settings.dat"),
                           "[set]\noutputformat=0\noutputfolder=" + home.File("out") +
                               "\n[wav]\nFreq=22050\nChannel=1\n");
    Engine engine;
    fakes::FakeDevice device;
    device.name = "Microphone";
    device.usable = true;
    fakes::FakeLine line;
    line.name = "Mic";
    line.active = true;
    device.lines = {line};
    engine.devices = {device};
    fakes::FakeDesktop desk;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
    qsr::testing::NewMainWindow(core, form, engine, desk.Services(), home.path().string());
    form->Form_Load();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    std::int64_t now = 0;
    core->Session().SetClock([&now] { return now; });
    auto* marker = Control<QPushButton>(*form, "cmdMarker");
    auto* box = Control<QLineEdit>(*form, "txtMarkerLabel");
    EXPECT_FALSE(marker->isEnabled());
    EXPECT_EQ(Control<QTreeWidget>(*form, "ListView1")->columnCount(), 5);

    Control<QPushButton>(*form, "cmdrecord")->click();
    ASSERT_TRUE(core->Session().IsRecording())
        << core->Session().LastError() << " "
        << (desk.messageBox.shown.empty() ? "" : desk.messageBox.Texts()[0]);
    ASSERT_TRUE(marker->isEnabled());
    fakes::FakeRecorder& rec = *engine.lastRecorder;
    ASSERT_EQ(rec.rate, 22050);
    // Progress reports that lag the sound by 60, 30 and 90 ms.
    const auto report = [&](std::int64_t at, std::int64_t lag) {
        now = at;
        emit rec.Timer(static_cast<long>(22050 * (at - lag) / 1000), 0, 0);
    };
    report(1000, 60);
    report(1200, 30);
    auto* stop = Control<QPushButton>(*form, "cmdStop");
    const QPoint stopAt = stop->mapTo(form.get(), QPoint(0, 0));
    now = 1500;
    QTest::keyClick(form.get(), Qt::Key_M);
    EXPECT_EQ(box->text().toStdString(), "Marker 1");
    // The box that came with the marker left Stop where the pointer found it.
    QApplication::processEvents();
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(stop->mapTo(form.get(), QPoint(0, 0)), stopAt);
    report(1400 + 1000, 90);
    now = 2750;
    QTest::keyClick(form.get(), Qt::Key_M);  // the box has not taken the keys
    EXPECT_EQ(box->text().toStdString(), "Marker 2");
    // F2 names it; the recording goes on meanwhile.
    QTest::keyClick(form.get(), Qt::Key_F2);
    ASSERT_TRUE(box->hasFocus());
    QTest::keyClicks(box, "Frage");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(core->Session().IsRecording());
    EXPECT_FALSE(box->hasFocus());
    for (int i = 0; i < 4; ++i) rec.Deliver(audio::Samples(22050, 1000));
    const std::string path = core->Session().Path();
    Control<QPushButton>(*form, "cmdStop")->click();
    ASSERT_FALSE(core->Session().IsRecording());

    const std::vector<Chapter> chapters = Ffprobe(path);
    ASSERT_EQ(chapters.size(), 2u) << path;
    // The least lagging report (30 ms) sets the pace: each press to the sample.
    EXPECT_NEAR(chapters[0].start, 1.470, 1.0 / 22050);
    EXPECT_EQ(chapters[0].title, "Marker 1");
    EXPECT_NEAR(chapters[1].start, 2.720, 1.0 / 22050);
    EXPECT_EQ(chapters[1].title, "Frage");
    EXPECT_TRUE(desk.messageBox.shown.empty());
    // The list shows the count; its Markers column came with this recording.
    auto* list = Control<QTreeWidget>(*form, "ListView1");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    ASSERT_EQ(list->columnCount(), 6);
    EXPECT_EQ(list->headerItem()->text(5).toStdString(), "Markers");
    EXPECT_EQ(list->topLevelItem(0)->text(5).toStdString(), "2");

    // Played back: ticks on the slider, Page Down and Page Up jump between them.
    list->setCurrentItem(list->topLevelItem(0));
    form->PlaySelected();
    ASSERT_TRUE(form->Playing());
    auto* slider = Control<app::SeekSlider>(*form, "slPosition");
    ASSERT_EQ(slider->Marks().size(), 2u);
    EXPECT_NEAR(slider->Marks()[1], 2.720 / 4.0, 0.001);  // of the four seconds delivered
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    EXPECT_EQ(form->PlaybackOffset(), 32413);
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    EXPECT_EQ(form->PlaybackOffset(), 59975);
    QTest::keyClick(form.get(), Qt::Key_PageUp);  // just there: back to the one before
    EXPECT_EQ(form->PlaybackOffset(), 32413);
    form->StopPlayback();
    EXPECT_TRUE(slider->Marks().empty());

    // The Edit menu offers the Markers list for this recording: rename with
    // F2, delete with Delete, jump with Enter; ffprobe sees each change.
    auto* edit = form->findChild<QMenu*>("mnuEdit");
    emit edit->aboutToShow();
    QAction* entry = form->findChild<QAction*>("mnuMarkers");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text().toStdString(), "Markers...");
    desk.modal.scripts.push_back([&](QDialog& dialog) {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* markers = Control<QTreeWidget>(dialog, "lstMarkers");
        EXPECT_EQ(markers->topLevelItemCount(), 2);
        EXPECT_EQ(markers->topLevelItem(1)->text(1).toStdString(), "00:00:02.720");
        markers->setCurrentItem(markers->topLevelItem(0));
        QTest::keyClick(markers, Qt::Key_F2);
        auto* editor = dialog.focusWidget();
        EXPECT_NE(qobject_cast<QLineEdit*>(editor), nullptr);
        QTest::keyClicks(editor, "Einleitung");
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_TRUE(qsr::testing::RunUntil(
            [&] { return Ffprobe(path).at(0).title == "Einleitung"; }, 5000));
        markers->setCurrentItem(markers->topLevelItem(1));
        QTest::keyClick(markers, Qt::Key_Delete);
        EXPECT_EQ(Ffprobe(path).size(), 1u);
        markers->setCurrentItem(markers->topLevelItem(0));
        QTest::keyClick(markers, Qt::Key_Return);
        for (const auto& t : desk.messageBox.Texts()) ADD_FAILURE() << t;
        return 0;
    });
    entry->trigger();
    EXPECT_TRUE(form->Playing());
    EXPECT_EQ(form->PlaybackOffset(), 32413);
    form->StopPlayback();

    // Trimmed past its last marker (as the trim window saves), the list's
    // count follows the file.
    const audio::CutResult cut =
        audio::KeepingMarkers(audio::file::CreateFileCutter())->Cut(path, {{40000, 80000}}, path);
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_TRUE(Ffprobe(path).empty());
    form->RecordingChanged(path, 40000 * 1000 / 22050);
    EXPECT_EQ(list->topLevelItem(0)->text(5).toStdString(), "");
    form->exitsystem();
}

std::int64_t SoxiSamples(const std::string& path) {
    QProcess p;
    p.start("soxi", {"-s", QString::fromStdString(path)});
    p.waitForFinished(30000);
    return p.readAllStandardOutput().trimmed().toLongLong();
}

TEST(MarkerWindow, SplitAtMarkersWritesThePiecesAndListsThem) {
    qsr::testing::TempDir home;
    const std::string wav = home.File("talk.wav"), taken = home.File("Zwei.wav");
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 2 pinknoise").c_str()),
              0);
    std::string why;
    ASSERT_TRUE(audio::StoreMarkers(wav, 44100, {{22050, "Eins", 0}, {66150, "Zwei", 0}}, &why))
        << why;
    qsr::testing::WriteAll(taken, "another recording");
    Engine engine;
    fakes::FakeDevice device;
    device.name = "Microphone";
    device.usable = true;
    fakes::FakeLine line;
    line.name = "Mic";
    line.active = true;
    device.lines = {line};
    engine.devices = {device};
    fakes::FakeDesktop desk;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
    qsr::testing::NewMainWindow(core, form, engine, desk.Services(), home.path().string());
    form->Form_Load();
    form->show();
    auto* list = Control<QTreeWidget>(*form, "ListView1");
    auto* row = new QTreeWidgetItem(
        list, {"1", QString::fromStdString(wav), "1MB", "0:02.000", "10.12.2026 09:00:00"});
    list->setCurrentItem(row);
    auto* edit = form->findChild<QMenu*>("mnuEdit");
    emit edit->aboutToShow();
    QAction* entry = form->findChild<QAction*>("mnuMarkers");
    ASSERT_NE(entry, nullptr);

    // Asked before Zwei.wav is replaced: No leaves it, Yes splits.
    desk.messageBox.answers = {services::MsgAnswer::No, services::MsgAnswer::Yes};
    desk.modal.scripts.push_back([&](QDialog& dialog) {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* split = Control<QPushButton>(dialog, "cmdSplit");
        EXPECT_EQ(split->text().toStdString(), "Split at markers…");
        EXPECT_EQ(split->accessibleName().toStdString(), "Split at markers…");
        EXPECT_TRUE(split->focusPolicy() & Qt::TabFocus);
        split->setFocus();
        QTest::keyClick(split, Qt::Key_Space);
        EXPECT_EQ(qsr::testing::ReadAll(taken), "another recording");
        EXPECT_EQ(desk.messageBox.Texts().at(0),
                  "These pieces exist already:\n" + taken + "\nReplace them?");
        QTest::keyClick(split, Qt::Key_Space);
        auto* progress = Control<QProgressBar>(dialog, "prgSplit");
        EXPECT_TRUE(progress->isVisible());
        EXPECT_TRUE(Control<QPushButton>(dialog, "cmdCancelSplit")->isVisible());
        EXPECT_FALSE(split->isEnabled());
        EXPECT_TRUE(qsr::testing::RunUntil([&] { return split->isEnabled(); }, 60000));
        EXPECT_FALSE(progress->isVisible());
        return 0;
    });
    entry->trigger();

    const std::vector<std::string> pieces = {home.File("talk - start.wav"), home.File("Eins.wav"),
                                             taken};
    ASSERT_EQ(desk.messageBox.shown.size(), 3u)
        << ::testing::PrintToString(desk.messageBox.Texts());
    EXPECT_EQ(desk.messageBox.shown[1].text, desk.messageBox.shown[0].text);
    EXPECT_EQ(desk.messageBox.shown[2].text,
              "3 pieces written:\n" + pieces[0] + "\n" + pieces[1] + "\n" + pieces[2]);
    EXPECT_EQ(desk.messageBox.shown[2].icon, services::MsgIcon::Information);
    EXPECT_EQ(SoxiSamples(pieces[0]), 22050);
    EXPECT_EQ(SoxiSamples(pieces[1]), 44100);
    EXPECT_EQ(SoxiSamples(pieces[2]), 22050);
    // The list holds them after the recording, with its record time.
    ASSERT_EQ(list->topLevelItemCount(), 4);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(list->topLevelItem(i)->text(0).toStdString(), std::to_string(i + 1));
        EXPECT_EQ(list->topLevelItem(i)->text(1).toStdString(), pieces[i - 1]);
        EXPECT_EQ(list->topLevelItem(i)->text(4).toStdString(), "10.12.2026 09:00:00");
    }
    EXPECT_EQ(list->topLevelItem(2)->text(3).toStdString(), "0:01.000");
    EXPECT_EQ(list->topLevelItem(2)->text(5).toStdString(), "1");
    form->exitsystem();
}

}  // namespace
