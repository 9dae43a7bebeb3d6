// Reads the tag fields the editor's folder scan asks for (7 ID3v1 names and
// 12 ID3v2 frames per file, one stream open each) through clsFMOD and our
// sound library, over a folder of 5,000 generated small MP3 files with a
// warm cache, and prints the time next to mutagen reading both tags of the
// same folder. Target: at least twice mutagen's speed.
//
//   bench_tag_scan [FILES]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/audio/RealAudioEngine.h"
#include "platform/services/Services.h"
#include "platform/soundlib/SoundLibrary.h"
#include "player/clsFMOD.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

namespace fs = std::filesystem;
using qsr::tags::clsID3v1;
using qsr::tags::clsID3v23;

namespace {

class PrintBox : public qsr::services::IMessageBox {
  public:
    qsr::services::MsgAnswer Show(const std::string& text, qsr::services::MsgIcon,
                                  qsr::services::MsgButtons, const std::string& title) override {
        std::printf("%s: %s\n", title.c_str(), text.c_str());
        return qsr::services::MsgAnswer::Ok;
    }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each file: the same short tone, an ID3v2.3 tag of twelve fields and an ID3v1 tag.
std::vector<std::string> Generate(const fs::path& folder, int count,
                                  qsr::audio::IAudioEngine& engine) {
    const std::string tone = ReadFile(std::string(QSR_TEST_DATA) + "/tone_notag.mp3");
    std::vector<std::string> paths;
    clsID3v23 v2(engine);
    clsID3v1 v1;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const std::string path = (folder / ("song" + n + ".mp3")).string();
        std::ofstream(path, std::ios::binary) << tone;
        v2.filename(path);
        v2.tagTrack(std::to_string(i % 20 + 1));
        v2.tagTitle("Title " + n);
        v2.tagArtist(i % 3 == 0 ? "Ærø Песня " + n : "Artist " + n);
        v2.tagAlbum("Album " + std::to_string(i / 12));
        v2.tagYear(std::to_string(1960 + i % 60));
        v2.tagGenre("(" + std::to_string(i % 148) + ")");
        v2.tagComments("Comment " + n);
        v2.tagComposer("Composer");
        v2.tagOrigArtist("Original");
        v2.tagCopyright("2024 Label");
        v2.tagURL("http://music.example/" + n);
        v2.tagEncodedBy("Quorvin");
        v2.SaveTag();
        v1.filename(path);
        v1.tagTitle("Title " + n);
        v1.tagArtist("Artist " + n);
        v1.tagTrack(static_cast<std::uint8_t>(i % 20 + 1));
        v1.tagGenre(static_cast<std::uint8_t>(i % 148));
        v1.SaveTag();
        paths.push_back(path);
    }
    return paths;
}

// The scan's reading: what it asks for, in its order; the bytes of text read.
std::size_t Scan(const std::vector<std::string>& paths, qsr::player::clsFMOD& fmod) {
    static const char* const kV1[] = {"TITLE", "ALBUM", "ARTIST", "COMMENT",
                                      "GENRE", "TRACK", "YEAR"};
    static const char* const kV2[] = {"TALB", "TPE1", "COMM", "TCOM", "TCOP", "TENC",
                                      "TCON", "TOPE", "TIT2", "TRCK", "WXXX", "TYER"};
    std::size_t found = 0;
    for (const auto& path : paths) {
        const long h = fmod.GetStreamOpenFile(path, false);
        for (const char* name : kV1) found += fmod.GetStreamTag(h, 1, name).size();
        for (const char* name : kV2) found += fmod.GetStreamTag(h, 2, name).size();
        fmod.GetStreamCloseFile(h);
    }
    return found;
}

// Runs the mutagen script over the folder; its seconds, 0 when it failed.
double Mutagen(const fs::path& folder) {
    double seconds = 0;
    const std::string command =
        "/usr/bin/python3 '" + std::string(QSR_MUTAGEN_READ) + "' '" + folder.string() + "'";
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        int files = 0;
        if (std::fscanf(pipe, "%d %lf", &files, &seconds) != 2) seconds = 0;
        ::pclose(pipe);
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::stoi(argv[1]) : 5000;
    std::random_device rd;
    const fs::path folder = fs::temp_directory_path() / ("qsr-bench-scan-" + std::to_string(rd()));
    fs::create_directories(folder);
    auto engine = qsr::audio::CreateRealAudioEngine();
    std::printf("generating %d files in %s ...\n", count, folder.string().c_str());
    const auto paths = Generate(folder, count, *engine);

    auto library = qsr::soundlib::CreateSoundLibrary();
    PrintBox box;
    qsr::player::clsFMOD fmod(*library, box);
    fmod.Init(44100, 16);

    Scan(paths, fmod);  // warm the cache
    const auto start = std::chrono::steady_clock::now();
    const std::size_t found = Scan(paths, fmod);
    const double ours =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double theirs = Mutagen(folder);

    std::printf("%-40s %10s %12s\n", "tag reading of the scan (warm cache)", "seconds", "files/s");
    std::printf("%-40s %10.3f %12.0f\n", "clsFMOD + our sound library", ours,
                ours > 0 ? count / ours : 0.0);
    if (theirs > 0) {
        std::printf("%-40s %10.3f %12.0f\n", "mutagen (python3, both tags)", theirs,
                    count / theirs);
        std::printf("ratio (mutagen time / ours): %.2f; target >= 2: %s\n", theirs / ours,
                    theirs / ours >= 2 ? "met" : "NOT met");
    } else {
        std::printf("%-40s %10s\n", "mutagen (python3, both tags)", "n/a");
    }
    if (found == 0) std::printf("warning: no tag text was read\n");

    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}
