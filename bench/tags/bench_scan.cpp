// The ID3 Editor's folder scan over 5,000 generated MP3 files that carry both
// tags (copies of a short tone with varied texts), warm cache, next to a
// mutagen script doing the same work on the same folder: list the .mp3
// files, size and write time, the twelve ID3v2 frames and the ID3v1 fields.
// Our figure is the scan as the editor runs it (through the sound library
// wrapper); the tag classes as a scan source are shown for comparison.
// Target: our scan at least twice as fast as mutagen.
//
//   bench_scan [FILES]
//   bench_scan --folder DIR   (an existing folder, left as it is)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "StderrBox.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/Services.h"
#include "platform/soundlib/SoundLibrary.h"
#include "tags/FmodTagSource.h"
#include "tags/FolderScan.h"
#include "tags/clsFMOD.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

namespace fs = std::filesystem;
using namespace qsr::tags;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Generate(const fs::path& folder, int count, qsr::audio::IAudioEngine& engine) {
    const std::string tone = ReadFile(std::string(QSR_TEST_DATA) + "/tone_notag.mp3");
    clsID3v23 v2(engine);
    clsID3v1 v1;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const std::string path = (folder / ("song" + n + ".mp3")).string();
        std::ofstream(path, std::ios::binary) << tone;
        v2.filename(path);
        v2.tagTrack(std::to_string(i % 20 + 1) + "/20");
        v2.tagTitle("Title " + n);
        v2.tagArtist(i % 3 == 0 ? "Ærø Песня " + n : "Artist " + n);
        v2.tagAlbum("Album " + std::to_string(i / 12));
        v2.tagYear(std::to_string(1960 + i % 60));
        std::string genre = "(";  // appended, not prepended: GCC 12 warns falsely on "(" + s
        genre += std::to_string(i % 148);
        genre += ")Genre";
        v2.tagGenre(genre);
        v2.tagComments("Comment " + n);
        v2.tagComposer("Composer " + std::to_string(i % 7));
        v2.tagOrigArtist("Original");
        v2.tagCopyright("2024 Label");
        v2.tagURL("http://music.example/" + n);
        v2.tagEncodedBy("Quorvin");
        v2.SaveTag();
        v1.filename(path);
        v1.tagTitle("Title " + n);
        v1.tagArtist("Artist " + n);
        v1.tagAlbum("Album " + std::to_string(i / 12));
        v1.tagYear(std::to_string(1960 + i % 60));
        v1.tagTrack(static_cast<std::uint8_t>(i % 20 + 1));
        v1.tagGenre(static_cast<std::uint8_t>(i % 148));
        v1.SaveTag();
    }
}

struct Timed {
    double seconds = 0;
    int listed = 0;
    int bothTags = 0;
};

// One warm-up scan, then the timed one.
Timed TimeScan(IScanTagSource& source, const std::string& folder) {
    FolderScan scan(source);
    scan.Scan(folder);
    const auto start = std::chrono::steady_clock::now();
    Timed t;
    t.listed = scan.Scan(folder);
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const auto& r : scan.Table()) t.bothTags += r.hasV1 && r.hasV2 ? 1 : 0;
    return t;
}

double Mutagen(const fs::path& folder, int& files) {
    double seconds = 0;
    files = 0;
    const std::string command = "/usr/bin/python3 '" + std::string(QSR_BENCH_DIR) +
                                "/mutagen_scan.py' '" + folder.string() + "'";
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        if (std::fscanf(pipe, "%d %lf", &files, &seconds) != 2) seconds = 0;
        ::pclose(pipe);
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const bool given = argc > 2 && std::string(argv[1]) == "--folder";
    int count = given ? 0 : argc > 1 ? std::stoi(argv[1]) : 5000;
    std::random_device rd;
    const fs::path folder =
        given ? fs::path(argv[2])
              : fs::temp_directory_path() / ("qsr-bench-scan-" + std::to_string(rd()));
    auto engine = qsr::audio::CreateRealAudioEngine();
    if (!given) {
        fs::create_directories(folder);
        std::printf("generating %d files in %s ...\n", count, folder.string().c_str());
        Generate(folder, count, *engine);
    }

    auto library = qsr::soundlib::CreateSoundLibrary();
    StderrBox box;
    qsr::tags::clsFMOD fmod(*library, box);
    fmod.Init(44100, 16);
    FmodTagSource fmodSource(fmod);
    const Timed ours = TimeScan(fmodSource, folder.string());
    if (given) count = ours.listed;
    TagClassesSource classSource(*engine);
    const Timed classes = TimeScan(classSource, folder.string());
    int mutagenFiles = 0;
    const double theirs = Mutagen(folder, mutagenFiles);

    std::printf("%-44s %8s %10s %8s\n", "folder scan (both tags, warm cache)", "seconds", "files/s",
                "listed");
    const auto line = [](const char* what, double s, int files) {
        std::printf("%-44s %8.3f %10.0f %8d\n", what, s, s > 0 ? files / s : 0.0, files);
    };
    line("FolderScan via clsFMOD (the editor's path)", ours.seconds, ours.listed);
    line("FolderScan via clsID3v1 + clsID3v23", classes.seconds, classes.listed);
    if (theirs > 0) {
        line("mutagen (python3)", theirs, mutagenFiles);
        const double ratio = theirs / ours.seconds;
        std::printf("ratio mutagen / ours: %.2fx (target >= 2x): %s\n", ratio,
                    ratio >= 2 ? "met" : "NOT met");
    } else {
        std::printf("mutagen (python3): n/a\n");
    }
    if (ours.bothTags != count || classes.bothTags != count) {
        std::printf("warning: files seen with both tags: %d (clsFMOD), %d (classes) of %d\n",
                    ours.bothTags, classes.bothTags, count);
    }
    std::error_code ec;
    if (!given) fs::remove_all(folder, ec);
    return 0;
}
