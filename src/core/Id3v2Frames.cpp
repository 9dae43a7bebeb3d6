#include "core/Id3v2Frames.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qsr::core {
namespace {

// Field numbers 1..12 in order.
constexpr std::array<const char*, kId3v2FieldCount> kFieldFrames = {
    "TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};

// 2.2 ids and their 2.3 names, sorted by the 2.2 id.
constexpr std::pair<std::string_view, std::string_view> kV22Names[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"ETC", "ETCO"}, {"GEO", "GEOB"},
    {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"POP", "POPM"}, {"REV", "RVRB"},
    {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"},
    {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"},
    {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"},
    {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"},
    {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"},
    {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
    {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"},
    {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"},
    {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
};

static_assert(std::is_sorted(std::begin(kV22Names), std::end(kV22Names)));

}  // namespace

const char* Id3v2FrameId(int field) {
    if (field < 1 || field > kId3v2FieldCount) return nullptr;
    return kFieldFrames[static_cast<std::size_t>(field - 1)];
}

int Id3v2FieldOf(std::string_view frameId) {
    const auto at = std::find(kFieldFrames.begin(), kFieldFrames.end(), frameId);
    return at == kFieldFrames.end() ? 0 : static_cast<int>(at - kFieldFrames.begin()) + 1;
}

std::string_view Id3v2V23Id(std::string_view v22Id) {
    const auto at =
        std::lower_bound(std::begin(kV22Names), std::end(kV22Names), v22Id,
                         [](const auto& entry, std::string_view id) { return entry.first < id; });
    return at != std::end(kV22Names) && at->first == v22Id ? at->second : std::string_view();
}

}  // namespace qsr::core
