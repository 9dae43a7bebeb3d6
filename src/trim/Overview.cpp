#include "trim/Overview.h"

#include <algorithm>

#include "recording/SoundTrigger.h"

namespace qsr::trim {

bool ComputeOverview(audio::IAudioFile& file, const std::string& path, Overview& out,
                     std::string& error, const std::function<bool(double)>& progress) {
    out = Overview{};
    if (file.OpenFile(path) < 0) {
        error = file.LastError().empty() ? "the file cannot be read" : file.LastError();
        return false;
    }
    out.rate = file.SampleRate();
    out.channels = std::max(1, file.ChannelCount());
    out.total = file.TotalSamples();
    out.windowFrames = std::max(1, out.rate * recording::TriggerGate::kWindowMs / 1000);
    const std::size_t buckets = static_cast<std::size_t>(out.total / Overview::kBucketFrames + 1);
    out.low.reserve(buckets);
    out.high.reserve(buckets);
    out.levelDb.reserve(static_cast<std::size_t>(out.total / out.windowFrames + 1));
    const std::size_t bucketValues =
        static_cast<std::size_t>(Overview::kBucketFrames) * out.channels;
    const std::size_t windowValues = static_cast<std::size_t>(out.windowFrames) * out.channels;
    std::int16_t low = 0, high = 0;
    std::size_t inBucket = 0;
    audio::Samples window;
    window.reserve(windowValues);
    std::int64_t read = 0;
    // Blocks of a second: few calls into the reader, a progress per block.
    const long block = std::max(1, out.rate);
    for (;;) {
        const audio::Samples s = file.ReadBlock(block);
        if (s.empty()) break;
        const std::int16_t* v = s.data();
        const std::size_t n = s.size();
        // Buckets: a plain loop over each piece, which the compiler vectorises.
        for (std::size_t at = 0; at < n;) {
            const std::size_t take = std::min(bucketValues - inBucket, n - at);
            std::int16_t lo = inBucket ? low : v[at], hi = inBucket ? high : v[at];
            for (std::size_t i = at; i < at + take; ++i) {
                lo = std::min(lo, v[i]);
                hi = std::max(hi, v[i]);
            }
            low = lo;
            high = hi;
            at += take;
            inBucket += take;
            if (inBucket == bucketValues) {
                out.low.push_back(low);
                out.high.push_back(high);
                inBucket = 0;
            }
        }
        // Level windows: measured in place; only one split by the block's end
        // is gathered.
        for (std::size_t at = 0; at < n;) {
            if (window.empty() && n - at >= windowValues) {
                out.levelDb.push_back(static_cast<float>(
                    recording::TriggerGate::WindowLevelDb(v + at, windowValues)));
                at += windowValues;
                continue;
            }
            const std::size_t take = std::min(windowValues - window.size(), n - at);
            window.insert(window.end(), v + at, v + at + take);
            at += take;
            if (window.size() == windowValues) {
                out.levelDb.push_back(static_cast<float>(
                    recording::TriggerGate::WindowLevelDb(window.data(), window.size())));
                window.clear();
            }
        }
        read += static_cast<std::int64_t>(s.size()) / out.channels;
        if (progress && out.total > 0 &&
            !progress(std::min(1.0, static_cast<double>(read) / static_cast<double>(out.total)))) {
            error = "cancelled";
            return false;
        }
    }
    if (inBucket > 0) {
        out.low.push_back(low);
        out.high.push_back(high);
    }
    if (!window.empty())
        out.levelDb.push_back(static_cast<float>(
            recording::TriggerGate::WindowLevelDb(window.data(), window.size())));
    // What the decoder gave is the truth where a header said otherwise.
    out.total = read;
    if (file.Status() < 0) {
        error = file.LastError();
        return false;
    }
    return true;
}

std::vector<Column> Columns(const Overview& o, std::int64_t from, std::int64_t to, int columns) {
    std::vector<Column> out(static_cast<std::size_t>(std::max(0, columns)));
    if (columns <= 0 || to <= from || o.low.empty()) return out;
    const auto buckets = static_cast<std::int64_t>(o.low.size());
    for (int c = 0; c < columns; ++c) {
        const std::int64_t a = from + (to - from) * c / columns;
        const std::int64_t b = from + (to - from) * (c + 1) / columns;
        std::int64_t first = a / Overview::kBucketFrames;
        std::int64_t last =
            std::max(first + 1, (b + Overview::kBucketFrames - 1) / Overview::kBucketFrames);
        first = std::clamp<std::int64_t>(first, 0, buckets);
        last = std::clamp<std::int64_t>(last, 0, buckets);
        if (first >= last) continue;
        Column col{o.low[static_cast<std::size_t>(first)], o.high[static_cast<std::size_t>(first)]};
        for (std::int64_t i = first + 1; i < last; ++i) {
            col.low = std::min(col.low, o.low[static_cast<std::size_t>(i)]);
            col.high = std::max(col.high, o.high[static_cast<std::size_t>(i)]);
        }
        out[static_cast<std::size_t>(c)] = col;
    }
    return out;
}

std::vector<Column> EditedColumns(const Overview& o, const std::vector<SampleSpan>& kept,
                                  std::int64_t from, std::int64_t to, int columns) {
    std::vector<Column> out(static_cast<std::size_t>(std::max(0, columns)));
    if (columns <= 0 || to <= from) return out;
    std::vector<bool> seen(out.size(), false);
    std::int64_t edited = 0;
    for (const SampleSpan& s : kept) {
        // The part of this piece in view, and the columns it covers.
        const std::int64_t a = std::max(from, edited), b = std::min(to, edited + s.Length());
        for (std::int64_t c = (a - from) * columns / (to - from);
             a < b && c < columns && from + (to - from) * c / columns < b; ++c) {
            const std::int64_t ca = std::max(a, from + (to - from) * c / columns);
            const std::int64_t cb = std::min(b, from + (to - from) * (c + 1) / columns);
            if (ca >= cb) continue;
            const Column piece = Columns(o, s.begin + (ca - edited), s.begin + (cb - edited), 1)[0];
            Column& col = out[static_cast<std::size_t>(c)];
            col = seen[static_cast<std::size_t>(c)]
                      ? Column{std::min(col.low, piece.low), std::max(col.high, piece.high)}
                      : piece;
            seen[static_cast<std::size_t>(c)] = true;
        }
        edited += s.Length();
    }
    return out;
}

std::optional<SampleSpan> SoundSpan(const Overview& o, double levelDb, int minMs) {
    const std::size_t n = o.levelDb.size();
    const std::int64_t minFrames = std::int64_t{minMs} * o.rate / 1000;
    const std::size_t minWindows = static_cast<std::size_t>(
        std::max<std::int64_t>(1, (minFrames + o.windowFrames - 1) / o.windowFrames));
    std::optional<std::size_t> first,
        last;  // windows: the first of the first run, after the last run
    std::size_t run = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        if (i < n && o.levelDb[i] >= levelDb) {
            ++run;
            continue;
        }
        if (run >= minWindows) {
            if (!first) first = i - run;
            last = i;
        }
        run = 0;
    }
    if (!first) return std::nullopt;
    const std::int64_t begin = static_cast<std::int64_t>(*first) * o.windowFrames;
    const std::int64_t end = std::min(o.total, static_cast<std::int64_t>(*last) * o.windowFrames);
    if (begin >= end) return std::nullopt;
    return SampleSpan{begin, end};
}

}  // namespace qsr::trim
