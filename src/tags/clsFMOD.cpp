#include "tags/clsFMOD.h"

#include <cmath>
#include <exception>

#include "core/Text.h"
#include "platform/services/Services.h"
#include "platform/soundlib/SoundLibrary.h"

namespace qsr::tags {
namespace {

using soundlib::kAllChannels;
using soundlib::kFreeChannel;

const char* const kBoxTitle = "FMOD Error";

int OpenMode(bool bVBR) {
    return bVBR ? soundlib::kModeAccurateSeek : soundlib::kModeNormal;
}

// COMM and URL frames hold a description before their text.
bool HasDescription(const std::string& name) {
    return name == "COMM" || (!name.empty() && name[0] == 'W');
}

std::string AfterLastNul(const std::string& s) {
    const auto nul = s.rfind('\0');
    return nul == std::string::npos ? s : s.substr(nul + 1);
}

// Drops the trailing NUL StringFromBytes adds, and the value's own
// terminator when it has one.
std::string WithoutTerminators(std::string s) {
    if (s.size() >= 2 && s[s.size() - 2] == '\0')
        s.resize(s.size() - 2);
    else if (!s.empty())
        s.pop_back();
    return s;
}

std::string NulsToSpacesTrimmed(std::string s) {
    for (char& c : s)
        if (c == '\0') c = ' ';
    return core::Trim(s, core::kSpaces);  // as the tag texts are compared
}

// The text of a raw field value by the wrapper's rules.
std::string FieldText(int kind, const std::string& name, const std::string& value) {
    if (kind == soundlib::kTagId3v2) {
        const std::string s = StringFromBytes(value.data(), static_cast<long>(value.size()));
        if (HasDescription(name)) return AfterLastNul(WithoutTerminators(s));
        return NulsToSpacesTrimmed(s);
    }
    return core::Trim(StringFromPointer(value.c_str()), core::kSpaces);
}

}  // namespace

clsFMOD::clsFMOD(soundlib::ISoundLibrary& library, services::IMessageBox& messageBox)
    : lib_(library), box_(messageBox) {}

clsFMOD::~clsFMOD() {
    try {
        lib_.StopSound(kAllChannels);
        if (streamHandle_ != 0) lib_.StreamClose(streamHandle_);
        lib_.Close();
    } catch (...) {  // a failing library must not stop the program from ending
    }
}

bool clsFMOD::Report() {
    int code = soundlib::kErrUnsupported;
    try {
        code = lib_.GetError();
    } catch (...) {
    }
    return ReportCode(code);
}

bool clsFMOD::ReportCode(int code) {
    box_.Show(FmodErrorText(code), services::MsgIcon::Error, services::MsgButtons::Ok, kBoxTitle);
    return false;
}

void clsFMOD::CouldNotPlay(const std::string& sFilename) {
    box_.Show("Could not recognize & play \"" + sFilename + "\".", services::MsgIcon::Warning,
              services::MsgButtons::Ok, kBoxTitle);
}

bool clsFMOD::Init(long lMixrate, long lMaxChannels) {
    try {
        if (!lib_.Init(static_cast<int>(lMixrate), static_cast<int>(lMaxChannels),
                       soundlib::kInitFlags))
            return Report();
        return true;
    } catch (...) {
        return Report();
    }
}

bool clsFMOD::StreamPlay(const std::string& sFilename, bool bVBR, std::uint8_t bVolume) {
    try {
        lib_.StopSound(kAllChannels);
        if (streamHandle_ != 0) lib_.StreamClose(streamHandle_);
        streamChannel_ = 0;
        streamHandle_ = lib_.StreamOpen(sFilename, OpenMode(bVBR));
        if (streamHandle_ == 0) {
            CouldNotPlay(sFilename);
            return false;
        }
        streamChannel_ = lib_.StreamPlay(kFreeChannel, streamHandle_);
        if (streamChannel_ <= 0) {
            // A stream that opened but does not play is not loaded: the
            // caller would otherwise seek and pause a silent stream.
            const int code = lib_.GetError();
            lib_.StreamClose(streamHandle_);
            streamHandle_ = 0;
            streamChannel_ = 0;
            return ReportCode(code);
        }
        lib_.SetVolume(streamChannel_, bVolume);
        return true;
    } catch (...) {
        return Report();
    }
}

bool clsFMOD::StreamPausePlay() {
    if (streamHandle_ == 0) return false;
    try {
        if (!lib_.SetPaused(streamChannel_, !lib_.GetPaused(streamChannel_))) return Report();
        return true;
    } catch (...) {
        return Report();
    }
}

bool clsFMOD::StreamUnload() {
    try {
        lib_.StopSound(kAllChannels);
        if (streamHandle_ != 0) lib_.StreamClose(streamHandle_);
        streamHandle_ = 0;
        streamChannel_ = 0;
        return true;
    } catch (...) {
        streamHandle_ = 0;
        streamChannel_ = 0;
        return Report();
    }
}

long clsFMOD::StreamSongLen() {
    if (streamHandle_ == 0) return 0;
    return lib_.StreamGetLengthMs(streamHandle_);
}

long clsFMOD::StreamSongPos() {
    if (streamHandle_ == 0 || streamChannel_ == 0) return 0;
    return lib_.StreamGetTime(streamHandle_);
}

void clsFMOD::StreamSongPos(long lPos) {
    if (streamHandle_ == 0 || streamChannel_ == 0) return;
    lib_.StreamSetTime(streamHandle_, static_cast<int>(lPos));
}

long clsFMOD::GetStreamOpenFile(const std::string& sFilename, bool bVBR) {
    return lib_.StreamOpen(sFilename, OpenMode(bVBR));
}

bool clsFMOD::GetStreamCloseFile(long lHandle) {
    return lib_.StreamClose(static_cast<soundlib::Handle>(lHandle));
}

std::string clsFMOD::GetStreamTag(long lHandle, int eTag, const std::string& sTagName) {
    std::string value;
    if (!lib_.StreamFindTagField(static_cast<soundlib::Handle>(lHandle), eTag, sTagName, value))
        return {};
    return FieldText(eTag, sTagName, value);
}

void clsFMOD::GetVU(float& nLeft, float& nRight) {
    nLeft = 0;
    nRight = 0;
    lib_.GetCurrentLevels(streamChannel_, nLeft, nRight);
}

// Our library plays on the sound server's default output and lists no drivers.
bool clsFMOD::ReturnDrivers(std::vector<std::string>& sDrvArray) {
    sDrvArray.clear();
    return false;
}

bool clsFMOD::InitOutput(int) {
    return ReportCode(soundlib::kErrUnsupported);
}
bool clsFMOD::InitMixer(int) {
    return ReportCode(soundlib::kErrUnsupported);
}
bool clsFMOD::InitBuffer(long) {
    return ReportCode(soundlib::kErrUnsupported);
}
bool clsFMOD::InitDriver(int) {
    return ReportCode(soundlib::kErrUnsupported);
}

bool clsFMOD::StreamStop() {
    if (streamHandle_ == 0) return true;
    try {
        if (streamChannel_ != 0) {
            lib_.StopSound(streamChannel_);
            lib_.StreamSetTime(streamHandle_, 0);
            streamChannel_ = 0;
            return true;
        }
        streamChannel_ = lib_.StreamPlay(kFreeChannel, streamHandle_);
        if (streamChannel_ <= 0) {
            streamChannel_ = 0;
            return Report();
        }
        return true;
    } catch (...) {
        return Report();
    }
}

long clsFMOD::StreamFrequency() {
    return 0;
}
void clsFMOD::StreamFrequency(long) {}

std::uint8_t clsFMOD::StreamVolume() {
    const int v = lib_.GetVolume(streamChannel_);
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}
void clsFMOD::StreamVolume(std::uint8_t bVolume) {
    lib_.SetVolume(streamChannel_, bVolume);
}

bool clsFMOD::StreamIsPlaying() {
    return streamChannel_ != 0 && !lib_.GetPaused(streamChannel_);
}

long clsFMOD::StreamKbps() {
    try {
        const long bytes = lib_.StreamGetLength(streamHandle_);
        const long seconds = lib_.StreamGetLengthMs(streamHandle_) / 1000;
        if (bytes <= 0 || seconds <= 0) return 0;
        return bytes / seconds * 8 / 1000;
    } catch (...) {
        return 0;
    }
}

std::uint8_t clsFMOD::StreamPanning() {
    return 0;
}
void clsFMOD::StreamPanning(std::uint8_t) {}
bool clsFMOD::StreamSurround() {
    return false;
}
void clsFMOD::StreamSurround(bool) {}

long clsFMOD::GetStreamLength(long lHandle) {
    const int ms = lib_.StreamGetLengthMs(static_cast<soundlib::Handle>(lHandle));
    return static_cast<long>(std::nearbyint(static_cast<double>(ms) / 1000.0));
}

long clsFMOD::GetStreamTagNumTags(long lHandle) {
    return lib_.StreamGetNumTagFields(static_cast<soundlib::Handle>(lHandle));
}

bool clsFMOD::GetStreamTagByNum(long lHandle, long lNum, int& eTagType, std::string& sTagName,
                                std::string& sTagValue) {
    eTagType = 0;
    sTagName.clear();
    sTagValue.clear();
    soundlib::TagField field;
    if (!lib_.StreamGetTagField(static_cast<soundlib::Handle>(lHandle), static_cast<int>(lNum),
                                field))
        return false;
    eTagType = field.kind;
    sTagName = StringFromPointer(field.name.c_str());
    sTagValue = FieldText(field.kind, sTagName, field.value);
    return true;
}

// No tracker song ever loads in our library.
bool clsFMOD::MusicPlay(const std::string& sFilename, bool, std::uint8_t) {
    songHandle_ = 0;
    CouldNotPlay(sFilename);
    return false;
}
bool clsFMOD::MusicStop() {
    return false;
}
bool clsFMOD::MusicUnload() {
    songHandle_ = 0;
    return false;
}
bool clsFMOD::MusicPausePlay() {
    return false;
}
std::uint8_t clsFMOD::MusicVolume() {
    return 0;
}
void clsFMOD::MusicVolume(std::uint8_t) {}
std::string clsFMOD::MusicName() {
    return {};
}
long clsFMOD::MusicNumChannels() {
    return 0;
}
long clsFMOD::MusicNumIntruments() {
    return 0;
}
long clsFMOD::MusicNumOrders() {
    return 0;
}
long clsFMOD::MusicNumPatterns() {
    return 0;
}
long clsFMOD::MusicNumSamples() {
    return 0;
}
long clsFMOD::MusicBPM() {
    return 0;
}
long clsFMOD::MusicOrder() {
    return 0;
}
void clsFMOD::MusicOrder(long) {}
long clsFMOD::MusicPattern() {
    return 0;
}
long clsFMOD::MusicRow() {
    return 0;
}
long clsFMOD::MusicSpeed() {
    return 0;
}
long clsFMOD::MusicTime() {
    return 0;
}
bool clsFMOD::MusicIsPlaying() {
    return false;
}
bool clsFMOD::MusicIsFinished() {
    return false;
}
long clsFMOD::MusicNumRows() {
    return 0;
}
void clsFMOD::MusicPanSep(float) {}
long clsFMOD::MusicGetRows(long) {
    return 0;
}
long clsFMOD::MusicSongLen() {
    return 0;
}
long clsFMOD::MusicSongPos() {
    return 0;
}
bool clsFMOD::GetMusicOK(const std::string&) {
    return false;
}
bool clsFMOD::GetMusicData(const std::string&, long& lLength, std::string& sName) {
    lLength = 0;
    sName.clear();
    return false;
}

// No CD audio in our library.
bool clsFMOD::CDEject(std::uint8_t) {
    return false;
}
long clsFMOD::CDGetNumTracks(std::uint8_t) {
    return 0;
}
bool clsFMOD::CDPlay(std::uint8_t, long) {
    return false;
}
bool clsFMOD::CDPausePlay(std::uint8_t) {
    return false;
}
bool clsFMOD::CDStop(std::uint8_t) {
    return false;
}
long clsFMOD::CDGetTrackLength(std::uint8_t, long) {
    return 0;
}
long clsFMOD::CDGetTrackTime(std::uint8_t) {
    return 0;
}
bool clsFMOD::CDSetTrackTime(std::uint8_t, long) {
    return false;
}
bool clsFMOD::CDSetVolume(std::uint8_t, std::uint8_t) {
    return false;
}

float clsFMOD::CPUUsage() {
    return 0;
}
float clsFMOD::FMODVersion() {
    return 0;
}
// The wrapper's stream is the only thing our library ever plays for it.
long clsFMOD::ChannelsPlaying() {
    return StreamIsPlaying() ? 1 : 0;
}
void clsFMOD::SpeakerSetup(int) {}

void clsFMOD::GetSpecificVU(long lSpecChannel, float& nLeft, float& nRight) {
    nLeft = 0;
    nRight = 0;
    lib_.GetCurrentLevels(static_cast<int>(lSpecChannel), nLeft, nRight);
}

int clsFMOD::TestFile(const std::string& sFilename) {
    try {
        const soundlib::Handle h = lib_.StreamOpen(sFilename, soundlib::kModeNormal);
        if (h == 0) return 0;
        lib_.StreamClose(h);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace qsr::tags
