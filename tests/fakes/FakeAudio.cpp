#include "fakes/FakeAudio.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "core/OutputFormats.h"

namespace qsr::fakes {
namespace {

template <typename... Args>
std::string Call(const char* name, const Args&... args) {
    std::ostringstream out;
    out << name << "(";
    const char* sep = "";
    ((out << sep << args, sep = ","), ...);
    out << ")";
    return out.str();
}

audio::Samples Tail(const audio::Samples& s, long n) {
    if (n <= 0) return {};
    const auto count = std::min<std::size_t>(static_cast<std::size_t>(n), s.size());
    return audio::Samples(s.end() - static_cast<std::ptrdiff_t>(count), s.end());
}

}  // namespace

CallLog Only(const CallLog& log, std::initializer_list<const char*> prefixes) {
    CallLog out;
    for (const auto& call : log)
        for (const char* p : prefixes)
            if (call.rfind(p, 0) == 0) {
                out.push_back(call);
                break;
            }
    return out;
}

// ---- FakeRecorder ----

void FakeRecorder::Deliver(const audio::Samples& block) {
    const long n = nextBlock_++;
    blocks[n] = block;
    latest.insert(latest.end(), block.begin(), block.end());
    currentSamples += channels ? static_cast<long>(block.size()) / channels : 0;
    emit EndArrayRecord(n);
}

void FakeRecorder::SelectDevice(int index) {
    Log(Call("SelectDevice", index));
    currentDevice = index;
    currentSource = 0;
}

const FakeDevice* FakeRecorder::Device() const {
    if (currentDevice < 0 || currentDevice >= static_cast<int>(devices.size())) return nullptr;
    return &devices[static_cast<std::size_t>(currentDevice)];
}

const FakeLine* FakeRecorder::Line() const {
    const FakeDevice* d = Device();
    if (!d || currentSource < 0 || currentSource >= static_cast<int>(d->lines.size()))
        return nullptr;
    return &d->lines[static_cast<std::size_t>(currentSource)];
}

FakeLine* FakeRecorder::Line() {
    return const_cast<FakeLine*>(static_cast<const FakeRecorder*>(this)->Line());
}

bool FakeRecorder::DeviceUsable() const {
    return Device() && Device()->usable;
}
std::string FakeRecorder::DeviceName() const {
    return Device() ? Device()->name : "";
}
int FakeRecorder::SourceLastIndex() const {
    return Device() ? static_cast<int>(Device()->lines.size()) - 1 : -1;
}
void FakeRecorder::SelectSource(int index) {
    Log(Call("SelectSource", index));
    currentSource = index;
}
std::string FakeRecorder::SourceName() const {
    return Line() ? Line()->name : "";
}
bool FakeRecorder::SourceSelectable() const {
    return Line() && Line()->selectable;
}
bool FakeRecorder::SourceActive() const {
    return Line() && Line()->active;
}
void FakeRecorder::SetSourceActive(bool active) {
    Log(Call("SetSourceActive", active));
    auto* device = const_cast<FakeDevice*>(Device());
    if (!device || !Line()) return;
    if (!active && device->keepsOneLine) return;
    if (active)
        for (auto& l : device->lines) l.active = false;
    Line()->active = active;
}
bool FakeRecorder::HasVolume() const {
    return Line() && Line()->hasVolume;
}
int FakeRecorder::Volume() const {
    return Line() ? Line()->volume : 0;
}
void FakeRecorder::SetVolume(int volume) {
    Log(Call("SetVolume", volume));
    if (Line()) Line()->volume = std::clamp(volume, 0, 65535);
}
bool FakeRecorder::HasBalance() const {
    return Line() && Line()->hasBalance;
}
int FakeRecorder::Balance() const {
    return Line() ? Line()->balance : 50;
}
void FakeRecorder::SetBalance(int balance) {
    Log(Call("SetBalance", balance));
    if (Line()) Line()->balance = std::clamp(balance, 0, 100);
}
int FakeRecorder::AdvancedLastIndex() const {
    return Line() ? static_cast<int>(Line()->advanced.size()) - 1 : -1;
}
std::string FakeRecorder::AdvancedName(int index) const {
    if (!Line() || index < 0 || index > AdvancedLastIndex()) return "";
    return Line()->advanced[static_cast<std::size_t>(index)].first;
}
audio::AdvancedValue FakeRecorder::AdvancedGet(int index) const {
    if (!Line() || index < 0 || index > AdvancedLastIndex()) return {};
    return Line()->advanced[static_cast<std::size_t>(index)].second;
}
void FakeRecorder::AdvancedSet(int index, std::int32_t value) {
    Log(Call("AdvancedSet", index, value));
    if (!Line() || index < 0 || index > AdvancedLastIndex()) return;
    auto& v = Line()->advanced[static_cast<std::size_t>(index)].second;
    v.value = v.isSwitch ? (value != 0) : value;
}
void FakeRecorder::SetFormat(int r, int c) {
    Log(Call("SetFormat", r, c));
    if (status == 1) return;  // as the real one: a running capture keeps its format
    if (r > 0) rate = r;
    if (c >= 1 && c <= 8) channels = c;
}
void FakeRecorder::SetBlockLength(long samples) {
    Log(Call("SetBlockLength", samples));
    blockLength = samples;
}
int FakeRecorder::Start() {
    Log("Start()");
    currentSamples = 0;
    dropouts = 0;
    status = startResult < 0 ? startResult : 1;
    return startResult;
}
void FakeRecorder::Stop() {
    Log("Stop()");
    if (status > 0) status = 0;
}
audio::Samples FakeRecorder::LatestSamples(long n) const {
    return Tail(latest, n);
}
audio::Samples FakeRecorder::TakeBlock(long nBlock) {
    auto it = blocks.find(nBlock);
    if (it == blocks.end()) return {};
    audio::Samples block = std::move(it->second);
    blocks.erase(it);
    return block;
}
void FakeRecorder::SetNotchEnabled(bool on) {
    Log(Call("SetNotchEnabled", on));
    notchOn = on;
}
void FakeRecorder::SetNotchFrequency(float hz) {
    Log(Call("SetNotchFrequency", hz));
    notchHz = hz;
}
void FakeRecorder::SetHighPassEnabled(bool on) {
    Log(Call("SetHighPassEnabled", on));
    highPassOn = on;
}
void FakeRecorder::SetHighPassFrequency(float hz) {
    Log(Call("SetHighPassFrequency", hz));
    highPassHz = hz;
}
void FakeRecorder::SetLowPassEnabled(bool on) {
    Log(Call("SetLowPassEnabled", on));
    lowPassOn = on;
}
void FakeRecorder::SetLowPassFrequency(float hz) {
    Log(Call("SetLowPassFrequency", hz));
    lowPassHz = hz;
}
void FakeRecorder::SetAgcEnabled(bool on) {
    Log(Call("SetAgcEnabled", on));
    agcOn = on;
}
void FakeRecorder::SetAgcLowLevel(std::int32_t db) {
    Log(Call("SetAgcLowLevel", db));
    agcLow = db;
}
void FakeRecorder::SetAgcHighLevel(std::int32_t db) {
    Log(Call("SetAgcHighLevel", db));
    agcHigh = db;
}
void FakeRecorder::SetAgcAttackTime(std::int32_t ms) {
    Log(Call("SetAgcAttackTime", ms));
    agcAttack = ms;
}

// ---- FakeAudioFile ----

void FakeAudioFile::SetMp3Format(int rate, int kbps, int channels) {
    Log(Call("SetMp3Format", rate, kbps, channels));
}
void FakeAudioFile::SetMp3Settings(const audio::IMp3Settings&) {
    Log("SetMp3Settings()");
}
void FakeAudioFile::SetWavFormat(int rate, int channels, int bits) {
    Log(Call("SetWavFormat", rate, channels, bits));
    wavChannels = channels;
}
void FakeAudioFile::SetWavAdpcmFormat(int rate, int channels) {
    Log(Call("SetWavAdpcmFormat", rate, channels));
    wavChannels = channels;
}
void FakeAudioFile::SetWavGsmFormat(int rate) {
    Log(Call("SetWavGsmFormat", rate));
    wavChannels = 1;
}
void FakeAudioFile::SetWavDspFormat() {
    Log("SetWavDspFormat()");
    wavChannels = 1;
}
int FakeAudioFile::ChooseWavFormatFromMenu() {
    Log("ChooseWavFormatFromMenu()");
    return menuChoice;
}
void FakeAudioFile::SetWavFormatLikeSample(const std::string& path) {
    Log(Call("SetWavFormatLikeSample", path));
}
void FakeAudioFile::SetVoxFormat(int rate) {
    Log(Call("SetVoxFormat", rate));
}
void FakeAudioFile::SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum,
                                 int quality) {
    Log(Call("SetOggFormat", rate, channels, nominal, minimum, maximum, quality));
}
void FakeAudioFile::SetRawFormat(int compression, int rate, int channels, int bits) {
    Log(Call("SetRawFormat", compression, rate, channels, bits));
}
void FakeAudioFile::SetG726Format(int rate, int bitsCode) {
    Log(Call("SetG726Format", rate, bitsCode));
}
void FakeAudioFile::SetWmaFormat(int profile) {
    Log(Call("SetWmaFormat", profile));
}
void FakeAudioFile::SetFlacFormat(int rate, int channels, int bits, int level) {
    Log(Call("SetFlacFormat", rate, channels, bits, level));
}
void FakeAudioFile::SetOpusFormat(int rate, int channels, int kbps, bool voip) {
    Log(Call("SetOpusFormat", rate, channels, kbps, voip));
}
void FakeAudioFile::SetOption(bool on) {
    Log(Call("SetOption", on));
    option = on;
}
int FakeAudioFile::CreateFile(const std::string& path) {
    Log(Call("CreateFile", path));
    createdPath = path;
    written.clear();
    closed = false;
    if (!core::EncoderForPath(path)) {  // as the real one: the extension picks the encoder
        lastError = "unknown file type";
        return status_ = -1;
    }
    return status_ = createResult;
}
void FakeAudioFile::SetInputFormat(int rate, int channels) {
    Log(Call("SetInputFormat", rate, channels));
}
int FakeAudioFile::WriteBlock(const audio::Samples& block) {
    Log(Call("WriteBlock", block.size()));
    if (writesBeforeFailure >= 0 && static_cast<int>(written.size()) >= writesBeforeFailure) {
        lastError = "No space left on device";
        return status_ = -1;
    }
    written.push_back(block);
    return status_ = 0;
}
void FakeAudioFile::Close() {
    Log("Close()");
    closed = true;
    if (finishFails) {
        lastError = "the header could not be written";
        status_ = -1;
    }
}
int FakeAudioFile::OpenFile(const std::string& path) {
    Log(Call("OpenFile", path));
    readPosition = 0;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        lastError = "cannot open " + path;
        return -1;
    }
    return openResult;
}
std::int64_t FakeAudioFile::TotalSamples() const {
    return contentChannels ? static_cast<std::int64_t>(content.size()) / contentChannels : 0;
}
audio::Samples FakeAudioFile::ReadBlock(long n) {
    if (onRead) onRead();
    const auto begin = static_cast<std::size_t>(readPosition * contentChannels);
    if (begin >= content.size() || n <= 0) return {};
    const auto count =
        std::min(content.size() - begin, static_cast<std::size_t>(n) * contentChannels);
    readPosition += static_cast<std::int64_t>(count) / contentChannels;
    return audio::Samples(content.begin() + static_cast<std::ptrdiff_t>(begin),
                          content.begin() + static_cast<std::ptrdiff_t>(begin + count));
}
std::int64_t FakeAudioFile::Seek(std::int64_t position) {
    Log(Call("Seek", position));
    readPosition = std::clamp<std::int64_t>(position, 0, TotalSamples());
    return readPosition;
}

// ---- FakePlayer ----

void FakePlayer::SetFormat(int r, int c) {
    Log(Call("PlayerSetFormat", r, c));
    rate = r;
    channels = c;
}
int FakePlayer::Start() {
    Log("PlayerStart()");
    played = 0;
    status = startResult < 0 ? startResult : 1;
    return startResult;
}
void FakePlayer::Stop() {
    Log("PlayerStop()");
    if (status > 0) status = 0;
}
audio::Samples FakePlayer::LatestSamples(long n) const {
    return queued.empty() ? audio::Samples{} : Tail(queued.back(), n);
}
void FakePlayer::QueueBlock(const audio::Samples& block) {
    Log(Call("QueueBlock", block.size()));
    queued.push_back(block);
}

// ---- FakeId3v2Tag ----

bool FakeId3v2Tag::Load(const std::string& path) {
    auto it = store_->find(path);
    present_ = it != store_->end();
    fields_ = present_ ? it->second : std::map<int, std::string>{};
    return present_;
}
std::string FakeId3v2Tag::GetField(int field) const {
    auto it = fields_.find(field);
    return it == fields_.end() ? "" : it->second;
}
bool FakeId3v2Tag::WriteTag(const std::string& path) {
    if (failWrites) return false;
    // As the real one: a tag of nothing but empty fields is no tag.
    present_ = false;
    for (const auto& [field, text] : fields_) present_ = present_ || !text.empty();
    if (present_) {
        (*store_)[path] = fields_;
    } else {
        store_->erase(path);
    }
    return true;
}
bool FakeId3v2Tag::RemoveTag(const std::string& path) {
    if (failWrites) return false;
    store_->erase(path);
    present_ = false;
    return true;
}

// ---- FakeAudioEngine ----

std::unique_ptr<audio::IAudioRecorder> FakeAudioEngine::CreateRecorder() {
    auto r = std::make_unique<FakeRecorder>(&log);
    r->devices = devices;
    lastRecorder = r.get();
    return r;
}
std::unique_ptr<audio::IAudioFile> FakeAudioEngine::CreateFile() {
    auto f = std::make_unique<FakeAudioFile>(&log);
    lastFile = f.get();
    return f;
}
std::unique_ptr<audio::IAudioPlayer> FakeAudioEngine::CreatePlayer() {
    auto p = std::make_unique<FakePlayer>(&log);
    lastPlayer = p.get();
    return p;
}
std::unique_ptr<audio::IMp3Settings> FakeAudioEngine::CreateMp3Settings() {
    return std::make_unique<FakeMp3Settings>();
}
std::unique_ptr<audio::IId3v2Tag> FakeAudioEngine::CreateId3v2Tag() {
    return std::make_unique<FakeId3v2Tag>(&tags);
}

}  // namespace qsr::fakes
