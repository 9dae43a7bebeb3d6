#include "core/Id3v2Frames.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qsr::core {
namespace {

// Each field's frame and property name, by field number 1..12.
struct FieldText {
    const char* frame;
    const char* name;
};
constexpr std::array<FieldText, kId3v2FieldCount> kFieldTexts = {{{"TRCK", "tagTrack"},
                                                                  {"TIT2", "tagTitle"},
                                                                  {"TPE1", "tagArtist"},
                                                                  {"TALB", "tagAlbum"},
                                                                  {"TYER", "tagYear"},
                                                                  {"TCON", "tagGenre"},
                                                                  {"COMM", "tagComments"},
                                                                  {"TCOM", "tagComposer"},
                                                                  {"TOPE", "tagOrigArtist"},
                                                                  {"TCOP", "tagCopyright"},
                                                                  {"WXXX", "tagURL"},
                                                                  {"TENC", "tagEncodedBy"}}};

constexpr std::size_t IndexOf(Id3v2Field field) {
    return static_cast<std::size_t>(field) - 1;
}

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
    return kFieldTexts[static_cast<std::size_t>(field - 1)].frame;
}

int Id3v2FieldOf(std::string_view frameId) {
    const auto at = std::find_if(kFieldTexts.begin(), kFieldTexts.end(),
                                 [frameId](const FieldText& f) { return f.frame == frameId; });
    return at == kFieldTexts.end() ? 0 : static_cast<int>(at - kFieldTexts.begin()) + 1;
}

const char* Id3v2FieldName(Id3v2Field field) {
    return kFieldTexts[IndexOf(field)].name;
}

const std::array<Id3v2Field, kId3v2FieldCount>& Id3v2ComponentOrder() {
    static const std::array<Id3v2Field, kId3v2FieldCount> order = [] {
        std::array<Id3v2Field, kId3v2FieldCount> byName = kId3v2Fields;
        std::sort(byName.begin(), byName.end(), [](Id3v2Field a, Id3v2Field b) {
            return std::string_view(Id3v2FieldName(a)) < std::string_view(Id3v2FieldName(b));
        });
        return byName;
    }();
    return order;
}

std::string_view Id3v2V23Id(std::string_view v22Id) {
    const auto at =
        std::lower_bound(std::begin(kV22Names), std::end(kV22Names), v22Id,
                         [](const auto& entry, std::string_view id) { return entry.first < id; });
    return at != std::end(kV22Names) && at->first == v22Id ? at->second : std::string_view();
}

}  // namespace qsr::core
