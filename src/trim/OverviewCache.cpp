#include "trim/OverviewCache.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <sstream>

#include "core/AtomicFile.h"
#include "core/TextFile.h"

namespace qsr::trim {
namespace {

constexpr char kMagic[8] = {'Q', 'S', 'R', 'O', 'V', '1', '\n', '\0'};

// What identifies the recording's content: its size and modification time.
struct Stamp {
    std::int64_t size = -1, mtimeNs = 0;
};
Stamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

template <typename T>
void Put(std::string& s, const T& v) {
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
}
template <typename T>
void PutVector(std::string& s, const std::vector<T>& v) {
    Put(s, static_cast<std::uint64_t>(v.size()));
    s.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
}

struct Reader {
    const std::string& s;
    std::size_t at = 0;
    template <typename T>
    bool Get(T& v) {
        if (s.size() - at < sizeof v) return false;
        std::memcpy(&v, s.data() + at, sizeof v);
        at += sizeof v;
        return true;
    }
    template <typename T>
    bool GetVector(std::vector<T>& v) {
        std::uint64_t n = 0;
        if (!Get(n) || n > (s.size() - at) / sizeof(T)) return false;
        v.resize(static_cast<std::size_t>(n));
        std::memcpy(v.data(), s.data() + at, v.size() * sizeof(T));
        at += v.size() * sizeof(T);
        return true;
    }
};

}  // namespace

std::string OverviewCacheFile(const std::string& folder, const std::string& recording) {
    std::error_code ec;
    const std::string absolute =
        std::filesystem::absolute(recording, ec).lexically_normal().string();
    std::ostringstream name;
    name << std::hex << std::setw(16) << std::setfill('0') << std::hash<std::string>{}(absolute)
         << ".overview";
    return (std::filesystem::path(folder) / name.str()).string();
}

bool LoadOverview(const std::string& folder, const std::string& recording, Overview& out) {
    // An overview takes about 1/128 of a 16-bit stereo recording: 64 MB is
    // far beyond any we write.
    const core::TextFileRead read =
        core::ReadTextFile(OverviewCacheFile(folder, recording), 64 << 20);
    if (!read.ok) return false;
    const std::string& text = read.text;
    if (text.size() < sizeof kMagic || std::memcmp(text.data(), kMagic, sizeof kMagic) != 0)
        return false;
    Reader r{text, sizeof kMagic};
    std::uint64_t pathLength = 0;
    if (!r.Get(pathLength) || pathLength > text.size() - r.at) return false;
    const std::string path = text.substr(r.at, static_cast<std::size_t>(pathLength));
    r.at += static_cast<std::size_t>(pathLength);
    Stamp stamp, now = StampOf(recording);
    Overview o;
    std::error_code ec;
    if (!r.Get(stamp.size) || !r.Get(stamp.mtimeNs) || !r.Get(o.rate) || !r.Get(o.channels) ||
        !r.Get(o.total) || !r.Get(o.windowFrames) || !r.GetVector(o.low) || !r.GetVector(o.high) ||
        !r.GetVector(o.levelDb) || r.at != text.size()) {
        return false;
    }
    if (path != std::filesystem::absolute(recording, ec).lexically_normal().string() ||
        now.size < 0 || stamp.size != now.size || stamp.mtimeNs != now.mtimeNs ||
        o.low.size() != o.high.size()) {
        return false;
    }
    out = std::move(o);
    return true;
}

bool StoreOverview(const std::string& folder, const std::string& recording, const Overview& o,
                   std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = std::filesystem::absolute(recording, ec).lexically_normal().string();
    const Stamp stamp = StampOf(recording);
    std::string s(kMagic, sizeof kMagic);
    Put(s, static_cast<std::uint64_t>(path.size()));
    s += path;
    Put(s, stamp.size);
    Put(s, stamp.mtimeNs);
    Put(s, o.rate);
    Put(s, o.channels);
    Put(s, o.total);
    Put(s, o.windowFrames);
    PutVector(s, o.low);
    PutVector(s, o.high);
    PutVector(s, o.levelDb);
    return core::WriteFileAtomically(OverviewCacheFile(folder, recording), s, error);
}

}  // namespace qsr::trim
