// The ID3 Editor's "ReplayGain..." on folders ffmpeg made, through the real
// sound library, engine and tag writer: the tags read back by mutagen, the
// gains checked against ffmpeg's own EBU R128 meter and the album against
// quorvin-cli loudness.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>

#include "EditorWait.h"
#include "FileRows.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/soundlib/SoundLibrary.h"
#include "support/EventWait.h"
#include "support/Signal.h"
#include "support/TempDir.h"
#include "tags/TagFileListModel.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::tags {
namespace {

namespace fs = std::filesystem;
using qsr::testing::Capture;
using qsr::testing::ReadAll;

std::string Make(const std::string& folder, const std::string& name, const std::string& source,
                 const std::string& options) {
    const std::string path = folder + "/" + name;
    Capture("ffmpeg -v error -f lavfi -i '" + source + "' " + options + " -y '" + path + "'");
    EXPECT_TRUE(fs::exists(path)) << name;
    return path;
}

// The file's tags as mutagen reads them, an MP3's TXXX frames by their
// description, keys in upper case.
std::map<std::string, std::string> Tags(const std::string& path) {
    const std::string out = Capture(
        "/usr/bin/python3 -c '"
        "import sys, mutagen\n"
        "f = mutagen.File(sys.argv[1])\n"
        "for k, v in sorted((f.tags or {}).items()):\n"
        "    k = k[5:] if k.startswith(\"TXXX:\") else k\n"
        "    t = v.text if hasattr(v, \"text\") else v\n"
        "    print(k.upper() + \"=\" + \"|\".join(str(x) for x in (t if isinstance(t, list) "
        "else [t])))\n"
        "' '" +
        path + "'");
    std::map<std::string, std::string> tags;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) tags[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return tags;
}

double Number(const std::map<std::string, std::string>& tags, const std::string& key) {
    const auto it = tags.find(key);
    return it == tags.end() ? NAN : std::stod(it->second);
}

// ffmpeg's integrated loudness of a file.
double FfmpegLufs(const std::string& path) {
    const std::string log = Capture("ffmpeg -nostats -hide_banner -i '" + path +
                                    "' -af ebur128=peak=true -f null - 2>&1");
    const auto summary = log.rfind("Summary:");
    std::smatch m;
    const std::string tail = summary == std::string::npos ? "" : log.substr(summary);
    return std::regex_search(tail, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")) ? std::stod(m[1])
                                                                              : NAN;
}

struct ReplayGainEditor : ::testing::Test {
    std::unique_ptr<soundlib::ISoundLibrary> library = soundlib::CreateSoundLibrary();
    std::unique_ptr<audio::IAudioEngine> engine = audio::CreateRealAudioEngine();
    fakes::FakeDesktop desktop;
    Frmid3v w{*library, *engine, desktop.Services(), ""};
    testing::TempDir dir;

    testing::FileRows Open(const std::string& folder) {
        // As the user left it: the tree selects the folder, which is listed.
        desktop.userSettings.Set(kEditorSettingsApp, kEditorSettingsSection, "folder", folder);
        w.Form_Load();
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_TRUE(qsr::testing::RunUntil(
            [this] { return w.FileModel()->rowCount() > 0 && !w.Working(); }, 60000));
        return testing::FileRows(w);
    }
    // The user's way: Select All from the list's menu, then Ctrl+G.
    void SelectAllAndPressCtrlG() {
        w.findChild<QAction*>("menSelect0")->trigger();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.FileList()->setFocus();
        QTest::keyClick(w.FileList(), Qt::Key_G, Qt::ControlModifier);
    }
};

TEST_F(ReplayGainEditor, NamesEveryFileItSkipsAndTagsTheRestWithoutAlbumValues) {
    const std::string folder = dir.File("calls");
    fs::create_directory(folder);
    const std::string loud = Make(folder, "loud.mp3", "sine=f=440:r=44100:d=8",
                                  "-af volume=0.8 -ac 2 -id3v2_version 3 -metadata title=Kept");
    const std::string quiet =
        Make(folder, "quiet.mp3", "sine=f=300:r=44100:d=8", "-af volume=0.1 -ac 1");
    // Not an MP3: the editor does not list it, the run leaves it alone.
    const std::string flac = Make(folder, "tone.flac", "sine=f=1000:r=44100:d=4", "-ac 2");
    // Damaged in its middle: no figure of part of it may be written.
    std::string bytes = ReadAll(loud);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 1600; ++i) bytes[i] ^= 0x5A;
    testing::WriteAll(folder + "/hole.mp3", bytes);
    // Measured, but the replacing copy would split its hard link.
    const std::string linked = Make(folder, "linked.mp3", "sine=f=500:r=44100:d=4", "-ac 2");
    fs::create_hard_link(linked, dir.File("elsewhere.mp3"));
    // A recording goes into it.
    const std::string live = Make(folder, "live.mp3", "sine=f=600:r=44100:d=4", "-ac 2");
    w.SetRecordingQuery([live](const std::string& path) { return path == live; });
    std::map<std::string, std::string> before;
    for (const std::string& path : {folder + "/hole.mp3", linked, live, flac})
        before[path] = ReadAll(path);
    const auto quietSize = fs::file_size(quiet);

    const testing::FileRows list = Open(folder);
    ASSERT_EQ(list.Count(), 5);
    SelectAllAndPressCtrlG();
    // The work is the worker's: the key returned with the run still on, its
    // dialog up.
    EXPECT_TRUE(w.Working());
    auto* dialog = w.findChild<QProgressDialog*>("dlgReplayGain");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    WaitForEditor(w);

    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    const auto& shown = desktop.messageBox.shown[0];
    EXPECT_EQ(shown.icon, services::MsgIcon::Error);
    EXPECT_NE(shown.text.find("ReplayGain values were written to 2 of 5 files."), std::string::npos)
        << shown.text;
    EXPECT_NE(shown.text.find(folder + "/hole.mp3: the file is damaged"), std::string::npos)
        << shown.text;
    EXPECT_NE(shown.text.find(linked + " could not be saved: " + linked + " has other hard links"),
              std::string::npos)
        << shown.text;
    EXPECT_NE(shown.text.find(live + " is being recorded"), std::string::npos) << shown.text;
    EXPECT_NE(shown.text.find("No album values were written: not every file could be measured."),
              std::string::npos)
        << shown.text;
    for (const std::string& good : {loud, quiet})
        EXPECT_EQ(shown.text.find(good), std::string::npos);

    for (const std::string& path : {loud, quiet}) {
        SCOPED_TRACE(path);
        const auto tags = Tags(path);
        EXPECT_NEAR(Number(tags, "REPLAYGAIN_TRACK_GAIN"), -18.0 - FfmpegLufs(path), 0.15);
        EXPECT_GT(Number(tags, "REPLAYGAIN_TRACK_PEAK"), 0.0);
        EXPECT_EQ(tags.count("REPLAYGAIN_ALBUM_GAIN"), 0u);
        EXPECT_EQ(tags.count("REPLAYGAIN_ALBUM_PEAK"), 0u);
    }
    EXPECT_EQ(Tags(loud)["TIT2"], "Kept");
    for (const auto& [path, old] : before) EXPECT_EQ(ReadAll(path), old) << path;

    // The list shows the files as they are now, and which were not tagged.
    ASSERT_GT(fs::file_size(quiet), quietSize);
    const int quietRow = list.Find("quiet");
    clsFile file;
    file.sFilename(quiet);
    const auto now =
        ListTexts(RowFor(list.Record(quietRow), w.Table()[list.Record(quietRow)], file));
    EXPECT_EQ(list.Text(quietRow, 2), now[2]);
    EXPECT_EQ(list.Text(quietRow, 3), now[3]);
    for (const char* name : {"hole", "linked", "live"})
        EXPECT_TRUE(list.Text(list.Find(name), 1).endsWith("(not saved)")) << name;
    EXPECT_FALSE(list.Text(list.Find("loud"), 1).endsWith("(not saved)"));
}

TEST_F(ReplayGainEditor, CancelWritesNothingAndASetMeasuredWholeGetsItsAlbumValues) {
    const std::string folder = dir.File("album");
    fs::create_directory(folder);
    const std::string a = Make(folder, "a.mp3", "sine=f=440:r=44100:d=8", "-af volume=0.9 -ac 2");
    const std::string b = Make(folder, "b.mp3", "sine=f=220:r=44100:d=8", "-af volume=0.2 -ac 2");
    const std::string aBefore = ReadAll(a), bBefore = ReadAll(b);
    const testing::FileRows list = Open(folder);
    ASSERT_EQ(list.Count(), 2);

    // Cancel pressed before the run comes back to the window: nothing written.
    SelectAllAndPressCtrlG();
    auto* dialog = w.findChild<QProgressDialog*>("dlgReplayGain");
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("cmdReplayGainCancel")->click();
    WaitForEditor(w);
    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    EXPECT_EQ(desktop.messageBox.shown[0].text, "Stopped: no ReplayGain values were written.");
    EXPECT_EQ(ReadAll(a), aBefore);
    EXPECT_EQ(ReadAll(b), bBefore);

    // From the list's menu this time.
    QAction* action = w.findChild<QAction*>("menReplayGain");
    ASSERT_TRUE(w.findChild<QMenu*>("menSelectMenu")->actions().contains(action));
    action->trigger();
    WaitForEditor(w);
    ASSERT_EQ(desktop.messageBox.shown.size(), 2u);
    EXPECT_EQ(desktop.messageBox.shown[1].icon, services::MsgIcon::Information);
    EXPECT_EQ(desktop.messageBox.shown[1].text,
              "ReplayGain values were written to 2 of 2 files.\n"
              "The album values are those of all 2 files.");

    const auto tagsA = Tags(a), tagsB = Tags(b);
    EXPECT_NEAR(Number(tagsA, "REPLAYGAIN_TRACK_GAIN"), -18.0 - FfmpegLufs(a), 0.15);
    EXPECT_NEAR(Number(tagsB, "REPLAYGAIN_TRACK_GAIN"), -18.0 - FfmpegLufs(b), 0.15);
    EXPECT_EQ(tagsA.at("REPLAYGAIN_ALBUM_GAIN"), tagsB.at("REPLAYGAIN_ALBUM_GAIN"));
    EXPECT_EQ(tagsA.at("REPLAYGAIN_ALBUM_PEAK"), tagsB.at("REPLAYGAIN_ALBUM_PEAK"));
    EXPECT_EQ(
        Number(tagsA, "REPLAYGAIN_ALBUM_PEAK"),
        std::max(Number(tagsA, "REPLAYGAIN_TRACK_PEAK"), Number(tagsB, "REPLAYGAIN_TRACK_PEAK")));
    // The command line measures the same album.
    const std::string cli =
        Capture("QSR_HOME='" + dir.File("home") +
                "' " QSR_BINARY_DIR "/src/cli/quorvin-cli loudness '" + a + "' '" + b + "' 2>&1");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(cli, m, std::regex(R"(album gain ([-+0-9.]+) dB)"))) << cli;
    EXPECT_EQ(m[1].str() + " dB", tagsA.at("REPLAYGAIN_ALBUM_GAIN"));
}

}  // namespace
}  // namespace qsr::tags
