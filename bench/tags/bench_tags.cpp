// Reads both tags (clsID3v1.ReadTag and clsID3v23.ReadTag) of a folder of
// 5,000 generated small MP3 files with a warm cache, and prints files per
// second next to mutagen reading the same folder. Target: >= 5,000 files/s.
// Then sets a new title in every file (ReadTag, tagTitle, SaveTag: an
// in-place write with fsync) next to mutagen doing the same (no fsync).
//
//   bench_tags [FILES]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/pulse/RealAudioEngine.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

namespace fs = std::filesystem;
using qsr::tags::clsID3v1;
using qsr::tags::clsID3v23;

namespace {

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

std::size_t ReadAll(const std::vector<std::string>& paths, qsr::audio::IAudioEngine& engine) {
    std::size_t found = 0;
    clsID3v1 v1;
    clsID3v23 v2(engine);
    for (const auto& path : paths) {
        v1.filename(path);
        v2.filename(path);
        found += v1.ReadTag() ? v1.tagTitle().size() : 0;
        found += v2.ReadTag() ? v2.tagTitle().size() : 0;
    }
    return found;
}

std::size_t WriteTitles(const std::vector<std::string>& paths, qsr::audio::IAudioEngine& engine) {
    std::size_t written = 0;
    clsID3v23 v2(engine);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        v2.filename(paths[i]);
        v2.ReadTag();
        v2.tagTitle("Quorvin " + std::to_string(i));
        written += v2.SaveTag() ? 1 : 0;
    }
    return written;
}

// Runs a mutagen script over the folder; its seconds, 0 when it failed.
double Mutagen(const char* script, const fs::path& folder) {
    double seconds = 0;
    const std::string command = "/usr/bin/python3 '" + std::string(QSR_BENCH_DIR) + "/" + script +
                                "' '" + folder.string() + "'";
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
    const fs::path folder = fs::temp_directory_path() / ("qsr-bench-tags-" + std::to_string(rd()));
    fs::create_directories(folder);
    auto engine = qsr::audio::CreateRealAudioEngine();

    std::printf("generating %d files in %s ...\n", count, folder.string().c_str());
    const auto paths = Generate(folder, count, *engine);

    ReadAll(paths, *engine);  // warm the cache
    const auto start = std::chrono::steady_clock::now();
    const std::size_t found = ReadAll(paths, *engine);
    const double ours =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double theirs = Mutagen("mutagen_read.py", folder);

    std::printf("%-34s %10s %12s\n", "reader (both tags, warm cache)", "seconds", "files/s");
    std::printf("%-34s %10.3f %12.0f\n", "clsID3v1 + clsID3v23 (TagLib)", ours,
                ours > 0 ? count / ours : 0.0);
    if (theirs > 0) {
        std::printf("%-34s %10.3f %12.0f\n", "mutagen (python3)", theirs, count / theirs);
    } else {
        std::printf("%-34s %10s\n", "mutagen (python3)", "n/a");
    }
    std::printf("target: >= 5000 files/s; %s\n", (count / ours) >= 5000 ? "met" : "NOT met");
    if (found == 0) std::printf("warning: no tag text was read\n");

    const auto writeStart = std::chrono::steady_clock::now();
    const std::size_t written = WriteTitles(paths, *engine);
    const double ourWrite =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - writeStart).count();
    const double theirWrite = Mutagen("mutagen_write.py", folder);
    std::printf("\n%-34s %10s %12s\n", "set the title (read, write)", "seconds", "files/s");
    std::printf("%-34s %10.3f %12.0f\n", "clsID3v23 (in place, fsync)", ourWrite,
                ourWrite > 0 ? count / ourWrite : 0.0);
    if (theirWrite > 0) {
        std::printf("%-34s %10.3f %12.0f\n", "mutagen (python3, no fsync)", theirWrite,
                    count / theirWrite);
    } else {
        std::printf("%-34s %10s\n", "mutagen (python3, no fsync)", "n/a");
    }
    if (written != paths.size())
        std::printf("warning: %zu writes failed\n", paths.size() - written);

    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}
