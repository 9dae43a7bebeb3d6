#include "platform/pulse/PulseRecorder.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/pulse/PulsePrograms.h"

namespace qsr::audio {
namespace {

constexpr const char* kMonitorPrefix = "Monitor of ";
constexpr const char* kProgramsName = "Programs";
constexpr const char* kCombinedName = "Microphone + playback";

// Our 0..65535 volume scale against the server's, where PA_VOLUME_NORM is 100 %.
int ToScale(pa_volume_t v) {
    const double s = std::round(static_cast<double>(v) * 65535.0 / PA_VOLUME_NORM);
    return static_cast<int>(std::clamp(s, 0.0, 65535.0));
}

AdvancedValue AdvancedValueOf(bool isSwitch, std::int32_t v) {
    AdvancedValue a;
    a.isSwitch = isSwitch;
    a.value = v;
    return a;
}

pa_volume_t FromScale(int v) {
    const double pv =
        std::round(std::clamp(v, 0, 65535) * static_cast<double>(PA_VOLUME_NORM) / 65535.0);
    return static_cast<pa_volume_t>(pv);
}

// Raises `even` and `odd` to the largest magnitude of the even (left) and odd
// (right) values. This pass over every captured value feeds the meter, so it
// takes eight values a step as one vector (the compiler leaves the plain loop
// scalar); magnitudes come from the largest and smallest values, so -32768
// counts as 32768 without overflowing.
void EvenOddPeaks(const std::int16_t* v, std::size_t count, int& even, int& odd) {
    typedef std::int16_t V8 __attribute__((vector_size(16)));
    V8 high{}, low{};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        V8 x;
        std::memcpy(&x, v + i, sizeof x);
        high = high > x ? high : x;
        low = low < x ? low : x;
    }
    for (int k = 0; k < 8; k += 2) {
        even = std::max({even, int{high[k]}, -int{low[k]}});
        odd = std::max({odd, int{high[k + 1]}, -int{low[k + 1]}});
    }
    for (; i < count; ++i) {
        int& peak = i % 2 == 0 ? even : odd;
        peak = std::max(peak, std::abs(int{v[i]}));
    }
}

}  // namespace

PulseRecorder::PulseRecorder(QObject* parent) : IAudioRecorder(parent) {
    poll_.setInterval(kTimerMs);
    connect(&poll_, &QTimer::timeout, this, [this] { Pump(); });
}

PulseRecorder::~PulseRecorder() {
    capture_.Close();
}

// ---- devices -------------------------------------------------------------

void PulseRecorder::LoadDevices() const {
    loaded_ = true;
    for (Device& d : devices_) d.present = false;
    if (!conn_.EnsureConnected()) return;
    PulseConnection::Lock lock(conn_);

    std::vector<std::pair<std::uint32_t, std::string>> sinks;
    conn_.Wait(pa_context_get_sink_info_list(
        conn_.Context(),
        [](pa_context*, const pa_sink_info* i, int eol, void* u) {
            if (eol || !i) return;
            static_cast<std::vector<std::pair<std::uint32_t, std::string>>*>(u)->emplace_back(
                i->index, i->description ? i->description : i->name);
        },
        &sinks));

    struct Ctx {
        std::vector<Device> found;
        std::vector<std::uint32_t> monitorOf;
    } ctx;
    conn_.Wait(pa_context_get_source_info_list(
        conn_.Context(),
        [](pa_context*, const pa_source_info* i, int eol, void* u) {
            if (eol || !i) return;
            auto* c = static_cast<Ctx*>(u);
            Device d;
            d.present = true;
            d.name = i->name ? i->name : "";
            d.description = i->description ? i->description : d.name;
            for (std::uint32_t p = 0; p < i->n_ports; ++p)
                d.ports.push_back({i->ports[p]->name ? i->ports[p]->name : "",
                                   i->ports[p]->description ? i->ports[p]->description : ""});
            d.activePort = i->active_port && i->active_port->name ? i->active_port->name : "";
            d.volume = i->volume;
            d.map = i->channel_map;
            d.mute = i->mute != 0;
            c->found.push_back(std::move(d));
            c->monitorOf.push_back(i->monitor_of_sink);
        },
        &ctx));

    // A sink's monitor is "the mix of what other programs play": say so in its name.
    for (std::size_t k = 0; k < ctx.found.size(); ++k) {
        if (ctx.monitorOf[k] == PA_INVALID_INDEX) continue;
        Device& d = ctx.found[k];
        for (const auto& [index, description] : sinks) {
            if (index == ctx.monitorOf[k]) d.description = kMonitorPrefix + description;
        }
        if (d.description.rfind(kMonitorPrefix, 0) != 0)
            d.description = kMonitorPrefix + d.description;
    }

    // Known sources keep their index; new ones are added at the end.
    for (Device& d : ctx.found) {
        const auto known = std::find_if(devices_.begin(), devices_.end(),
                                        [&d](const Device& k) { return k.name == d.name; });
        if (known != devices_.end())
            *known = std::move(d);
        else
            devices_.push_back(std::move(d));
    }

    // One entry more, added once: the programs playing now, a line each.
    auto programs =
        std::find_if(devices_.begin(), devices_.end(), [](const Device& k) { return k.programs; });
    if (programs == devices_.end()) {
        Device p;
        p.programs = true;
        p.description = kProgramsName;
        devices_.push_back(std::move(p));
        programs = devices_.end() - 1;
    }
    LoadPrograms(*programs);
    // And one that records the default source with the playback.
    auto combined =
        std::find_if(devices_.begin(), devices_.end(), [](const Device& k) { return k.combined; });
    if (combined == devices_.end()) {
        Device c;
        c.combined = true;
        c.description = kCombinedName;
        devices_.push_back(std::move(c));
        combined = devices_.end() - 1;
    }
    // The defaults are looked up at the start; offered only while the server
    // has both halves (a source of its own and a sink's monitor), so a server
    // without capture sources still gives no device at all.
    const auto isMonitor = [](std::uint32_t sink) { return sink != PA_INVALID_INDEX; };
    combined->present = std::any_of(ctx.monitorOf.begin(), ctx.monitorOf.end(), isMonitor) &&
                        !std::all_of(ctx.monitorOf.begin(), ctx.monitorOf.end(), isMonitor);

    // Until the user picks a device, the current one is the server's default
    // source, as the desktop's sound settings name it.
    if (!deviceChosen_) {
        std::string defaultSource;
        conn_.Wait(pa_context_get_server_info(
            conn_.Context(),
            [](pa_context*, const pa_server_info* i, void* u) {
                if (i && i->default_source_name)
                    *static_cast<std::string*>(u) = i->default_source_name;
            },
            &defaultSource));
        for (std::size_t k = 0; k < devices_.size(); ++k) {
            if (devices_[k].present && devices_[k].name == defaultSource)
                currentDevice_ = static_cast<int>(k);
        }
    }
}

bool PulseRecorder::RefreshDevice() const {
    if (!loaded_) LoadDevices();
    if (currentDevice_ < 0 || currentDevice_ >= static_cast<int>(devices_.size())) return false;
    Device& d = devices_[static_cast<std::size_t>(currentDevice_)];
    if (!conn_.EnsureConnected()) {
        d.present = false;
        return false;
    }
    if (d.combined) return true;  // the server's defaults, looked up at the start
    PulseConnection::Lock lock(conn_);
    if (d.programs) {
        LoadPrograms(d);
        return true;
    }
    struct Ctx {
        Device* d;
        bool found = false;
    } ctx{&d};
    // By name: the server's index of a source changes when it comes back.
    conn_.Wait(pa_context_get_source_info_by_name(
        conn_.Context(), d.name.c_str(),
        [](pa_context*, const pa_source_info* i, int eol, void* u) {
            if (eol || !i) return;
            auto* c = static_cast<Ctx*>(u);
            c->found = true;
            c->d->ports.clear();
            for (std::uint32_t p = 0; p < i->n_ports; ++p)
                c->d->ports.push_back({i->ports[p]->name ? i->ports[p]->name : "",
                                       i->ports[p]->description ? i->ports[p]->description : ""});
            c->d->activePort = i->active_port && i->active_port->name ? i->active_port->name : "";
            c->d->volume = i->volume;
            c->d->map = i->channel_map;
            c->d->mute = i->mute != 0;
        },
        &ctx));
    d.present = ctx.found;
    return ctx.found;
}

void PulseRecorder::LoadPrograms(Device& d) const {
    d.present = true;
    d.ports.clear();
    for (const std::string& name : ProgramNames(ListPlayingPrograms(conn_)))
        d.ports.push_back({name, name});
}

// Also the combined entry: neither has a volume of its own on the server.
bool PulseRecorder::ProgramsSelected() const {
    const Device* d = SelectedDevice();
    return d && (d->programs || d->combined);
}

int PulseRecorder::DeviceCount() const {
    LoadDevices();  // devices plugged in or out since the last look
    return static_cast<int>(devices_.size());
}

void PulseRecorder::SelectDevice(int index) {
    if (!loaded_) LoadDevices();
    deviceChosen_ = true;
    currentDevice_ = index;
    currentSource_ = 0;
}

const PulseRecorder::Device* PulseRecorder::SelectedDevice() const {
    if (!loaded_) LoadDevices();
    if (currentDevice_ < 0 || currentDevice_ >= static_cast<int>(devices_.size())) return nullptr;
    const Device& d = devices_[static_cast<std::size_t>(currentDevice_)];
    return d.present ? &d : nullptr;
}

bool PulseRecorder::DeviceUsable() const {
    return SelectedDevice() != nullptr;
}

std::string PulseRecorder::DeviceName() const {
    const Device* d = SelectedDevice();
    return d ? d->description : std::string();
}

// ---- source lines ----------------------------------------------------------

int PulseRecorder::SourceLastIndex() const {
    const Device* d = SelectedDevice();
    if (!d) return -1;
    // No program playing: no line to record.
    if (d->programs) return static_cast<int>(d->ports.size()) - 1;
    if (d->combined) return 0;
    return d->ports.empty() ? 0 : static_cast<int>(d->ports.size()) - 1;
}

void PulseRecorder::SelectSource(int index) {
    currentSource_ = index;
}

bool PulseRecorder::LineValid() const {
    const int last = SourceLastIndex();
    return last >= 0 && currentSource_ >= 0 && currentSource_ <= last;
}

std::string PulseRecorder::SourceName() const {
    if (!LineValid()) return {};
    const Device* d = SelectedDevice();
    if (d->ports.empty()) return d->description;
    const Port& p = d->ports[static_cast<std::size_t>(currentSource_)];
    return p.description.empty() ? p.name : p.description;
}

bool PulseRecorder::SourceSelectable() const {
    return LineValid();
}

bool PulseRecorder::SourceActive() const {
    // Read afresh first: the device's ports may have changed since.
    if (!RefreshDevice() || !LineValid()) return false;
    const Device* d = SelectedDevice();
    if (d->programs || d->combined) return false;  // a choice, not a switch on the server
    if (d->ports.empty()) return true;
    return d->ports[static_cast<std::size_t>(currentSource_)].name == d->activePort;
}

void PulseRecorder::SetSourceActive(bool active) {
    // A source records from one port at a time: making a line active switches
    // the port; a line cannot be switched off except by choosing another.
    if (!active || !LineValid()) return;
    const Device* d = SelectedDevice();
    if (d->ports.empty() || d->programs) return;
    {
        PulseConnection::Lock lock(conn_);
        if (!conn_.Ready()) return;
        conn_.Wait(pa_context_set_source_port_by_name(
            conn_.Context(), d->name.c_str(),
            d->ports[static_cast<std::size_t>(currentSource_)].name.c_str(),
            PulseConnection::SuccessCallback, conn_.Mainloop()));
    }
    RefreshDevice();
}

bool PulseRecorder::HasVolume() const {
    return LineValid() && !ProgramsSelected();
}

int PulseRecorder::Volume() const {
    if (!LineValid() || !RefreshDevice()) return 0;
    return ToScale(pa_cvolume_max(&SelectedDevice()->volume));
}

void PulseRecorder::SetCVolume(const pa_cvolume& v) {
    const Device* d = SelectedDevice();
    if (!d) return;
    {
        PulseConnection::Lock lock(conn_);
        if (!conn_.Ready()) return;
        conn_.Wait(pa_context_set_source_volume_by_name(conn_.Context(), d->name.c_str(), &v,
                                                        PulseConnection::SuccessCallback,
                                                        conn_.Mainloop()));
    }
    RefreshDevice();
}

void PulseRecorder::SetMute(bool mute) {
    const Device* d = SelectedDevice();
    if (!d) return;
    {
        PulseConnection::Lock lock(conn_);
        if (!conn_.Ready()) return;
        conn_.Wait(
            pa_context_set_source_mute_by_name(conn_.Context(), d->name.c_str(), mute ? 1 : 0,
                                               PulseConnection::SuccessCallback, conn_.Mainloop()));
    }
    RefreshDevice();
}

void PulseRecorder::SetVolume(int volume) {
    if (!LineValid() || !RefreshDevice()) return;
    pa_cvolume v = SelectedDevice()->volume;
    if (!pa_cvolume_valid(&v)) return;
    pa_cvolume_scale(&v, FromScale(volume));  // keeps the balance
    SetCVolume(v);
}

bool PulseRecorder::HasBalance() const {
    if (!LineValid()) return false;
    return pa_channel_map_can_balance(&SelectedDevice()->map) != 0;
}

int PulseRecorder::Balance() const {
    if (!HasBalance() || !RefreshDevice()) return 50;
    const Device* d = SelectedDevice();
    const float b = pa_cvolume_get_balance(&d->volume, &d->map);  // -1 (left) .. 1 (right)
    return static_cast<int>(std::lround((b + 1.0) * 50.0));
}

void PulseRecorder::SetBalance(int balance) {
    if (!HasBalance() || !RefreshDevice()) return;
    const Device* d = SelectedDevice();
    pa_cvolume v = d->volume;
    if (!pa_cvolume_set_balance(&v, &d->map, std::clamp(balance, 0, 100) / 50.0f - 1.0f)) return;
    SetCVolume(v);
}

// Advanced controls: 0 = "Mute" (a switch), then one level per channel.
int PulseRecorder::AdvancedLastIndex() const {
    if (!LineValid() || ProgramsSelected()) return -1;
    return SelectedDevice()->volume.channels;
}

std::string PulseRecorder::AdvancedName(int index) const {
    if (index < 0 || index > AdvancedLastIndex()) return {};
    if (index == 0) return "Mute";
    const Device* d = SelectedDevice();
    const pa_channel_position_t pos =
        index - 1 < d->map.channels ? d->map.map[index - 1] : PA_CHANNEL_POSITION_INVALID;
    const char* pretty = pa_channel_position_to_pretty_string(pos);
    return std::string(pretty ? pretty : "Channel " + std::to_string(index)) + " Level";
}

AdvancedValue PulseRecorder::AdvancedGet(int index) const {
    if (!RefreshDevice() || index < 0 || index > AdvancedLastIndex()) return {};
    const Device* d = SelectedDevice();
    if (index == 0) return AdvancedValueOf(true, d->mute ? 1 : 0);
    return AdvancedValueOf(false, ToScale(d->volume.values[index - 1]));
}

void PulseRecorder::AdvancedSet(int index, std::int32_t value) {
    if (!RefreshDevice() || index < 0 || index > AdvancedLastIndex()) return;
    if (index == 0) {
        SetMute(value != 0);
        return;
    }
    pa_cvolume v = SelectedDevice()->volume;
    v.values[index - 1] = FromScale(std::abs(value));
    SetCVolume(v);
}

// ---- capture -----------------------------------------------------------------

void PulseRecorder::SetFormat(int rate, int channels) {
    if (status_ == 1) return;  // the running capture keeps its format
    if (rate > 0 && rate <= static_cast<int>(PA_RATE_MAX)) rate_ = rate;
    if (channels >= 1 && channels <= 8) channels_ = channels;
}

long PulseRecorder::MillisecondsToSamples(long ms) const {
    return static_cast<long>(static_cast<long long>(ms) * rate_ / 1000);
}

long PulseRecorder::SamplesToMilliseconds(long samples) const {
    return rate_ ? static_cast<long>(static_cast<long long>(samples) * 1000 / rate_) : 0;
}

void PulseRecorder::SetBlockLength(long samples) {
    if (samples > 0) blockLength_ = samples;
}

int PulseRecorder::Start() {
    if (status_ == 1) Stop();
    status_ = -1;
    if (!conn_.EnsureConnected()) return -1;
    // Only the chosen source, and only while it is there: never the server's
    // default in its place.
    if (!RefreshDevice()) return -1;
    const Device* d = SelectedDevice();
    if (!d) return -1;
    program_.clear();
    if (d->programs) {
        if (!LineValid()) return -1;
        program_ = d->ports[static_cast<std::size_t>(currentSource_)].name;
    }
    std::string source = d->name, secondSource;
    std::uint32_t secondMonitorOf = PA_INVALID_INDEX;
    if (!ResolveSecond(*d, source, secondSource, secondMonitorOf)) return -1;
    combined_.reset();
    captureChannels_ = channels_;
    if (!secondSource.empty()) {
        combined_ = std::make_unique<CombinedCapture>([this] { RequestPump(); });
        combined_->Configure(second_, rate_, channels_, filters_);
        captureChannels_ = combined_->SourceChannels();
    }

    buffer_.TakeAll();
    carry_.clear();
    announce_.clear();
    cutter_.Reset(static_cast<std::size_t>(blockLength_) * static_cast<std::size_t>(channels_));
    recent_.Clear();
    chain_.Reset();  // a new recording learns its level afresh
    chain_.Configure(filters_, rate_, captureChannels_);
    currentValues_ = 0;
    currentSamples_ = 0;
    taken_ = 0;
    peak_[0] = peak_[1] = 0;
    secondLevel_ = 0;
    streamFailed_ = false;
    pumpPending_ = false;
    buffer_.ResetDropouts();
    programGone_ = false;

    std::uint32_t sinkInput = PA_INVALID_INDEX;
    if (!program_.empty()) {
        PulseConnection::Lock lock(conn_);
        if (!FindProgram(source, sinkInput)) return -1;
    }
    if (!OpenStream(source, sinkInput)) return -1;
    if (combined_ && !combined_->Open(secondSource, secondMonitorOf, kCombinedFragmentMs)) {
        capture_.Close();
        combined_.reset();
        return -1;
    }
    status_ = 1;
    return 0;
}

void PulseRecorder::SetSecondSource(const SecondSource& second) {
    second_ = second;
    if (combined_) combined_->SetGains(second.firstGainPercent, second.secondGainPercent);
}

bool PulseRecorder::CanCombine(int device) const {
    if (!loaded_) LoadDevices();
    if (device < 0 || device >= static_cast<int>(devices_.size())) return false;
    const Device& d = devices_[static_cast<std::size_t>(device)];
    return d.present && !d.combined;
}

long PulseRecorder::DropoutCount() const {
    return buffer_.Dropouts() + (combined_ ? combined_->Dropouts() : 0);
}

bool PulseRecorder::ResolveSecond(const Device& first, std::string& firstSource,
                                  std::string& source, std::uint32_t& monitorOf) {
    source.clear();
    monitorOf = PA_INVALID_INDEX;
    secondName_.clear();
    PulseConnection::Lock lock(conn_);
    if (first.combined) {
        // The defaults as they are now: a change in the desktop's sound
        // settings is followed at the next start.
        struct Defaults {
            std::string source, sink, monitor, sinkDescription;
        } defaults;
        conn_.Wait(pa_context_get_server_info(
            conn_.Context(),
            [](pa_context*, const pa_server_info* i, void* u) {
                auto* d = static_cast<Defaults*>(u);
                if (i && i->default_source_name) d->source = i->default_source_name;
                if (i && i->default_sink_name) d->sink = i->default_sink_name;
            },
            &defaults));
        if (defaults.sink.empty()) return false;
        conn_.Wait(pa_context_get_sink_info_by_name(
            conn_.Context(), defaults.sink.c_str(),
            [](pa_context*, const pa_sink_info* i, int eol, void* u) {
                if (eol || !i) return;
                auto* d = static_cast<Defaults*>(u);
                if (i->monitor_source_name) d->monitor = i->monitor_source_name;
                d->sinkDescription = i->description ? i->description : "";
            },
            &defaults));
        // A default source that is itself a monitor would record the playback twice.
        if (defaults.source.empty() || defaults.monitor.empty() ||
            defaults.source == defaults.monitor)
            return false;
        firstSource = defaults.source;
        source = defaults.monitor;
        secondName_ = kMonitorPrefix + defaults.sinkDescription;
        return true;
    }
    if (!second_.Active()) return true;
    if (second_.device >= static_cast<int>(devices_.size())) return false;
    const Device& d = devices_[static_cast<std::size_t>(second_.device)];
    if (!d.present || d.combined) return false;
    secondName_ = d.description;
    if (!d.programs) {
        source = d.name;
        return true;
    }
    if (second_.line < 0 || second_.line >= static_cast<int>(d.ports.size())) return false;
    const std::string& name = d.ports[static_cast<std::size_t>(second_.line)].name;
    for (const PlayingProgram& p : ListPlayingPrograms(conn_)) {
        if (p.name != name) continue;
        source = p.monitor;
        monitorOf = p.sinkInput;
        secondName_ = name;
        return true;
    }
    return false;
}

bool PulseRecorder::OpenStream(const std::string& source, std::uint32_t monitorOf) {
    return capture_.Open(source, monitorOf, rate_, captureChannels_,
                         combined_ ? kCombinedFragmentMs : kFragmentMs, combined_ != nullptr);
}

bool PulseRecorder::FindProgram(std::string& monitor, std::uint32_t& sinkInput) const {
    for (const PlayingProgram& p : ListPlayingPrograms(conn_)) {
        if (p.name != program_) continue;
        monitor = p.monitor;
        sinkInput = p.sinkInput;
        return true;
    }
    return false;
}

// While the program is away: silence for the time that passed, so the
// recording's length stays true, and a look whether it plays again.
void PulseRecorder::FollowProgram() {
    const std::int64_t due = gap_.elapsed() * rate_ / 1000;
    if (due > gapFrames_) {
        buffer_.AppendSilence(static_cast<std::size_t>((due - gapFrames_) * captureChannels_));
        gapFrames_ = due;
    }
    std::string monitor;
    std::uint32_t sinkInput = PA_INVALID_INDEX;
    {
        PulseConnection::Lock lock(conn_);
        if (!conn_.Ready() || !FindProgram(monitor, sinkInput)) return;
    }
    if (OpenStream(monitor, sinkInput)) {
        programGone_ = false;
        poll_.stop();  // the stream sets the pace again
    }
}

void PulseRecorder::RequestPump() {
    if (!pumpPending_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { Pump(); }, Qt::QueuedConnection);
}

void PulseRecorder::Process(Samples& fresh) {
    taken_ += static_cast<std::int64_t>(fresh.size());
    if (!carry_.empty()) {
        fresh.insert(fresh.begin(), carry_.begin(), carry_.end());
        carry_.clear();
    }
    const std::size_t cc = static_cast<std::size_t>(captureChannels_);
    const std::size_t whole = fresh.size() / cc * cc;
    if (whole < fresh.size()) {
        carry_.assign(fresh.begin() + static_cast<std::ptrdiff_t>(whole), fresh.end());
        fresh.resize(whole);
    }
    if (!combined_) {
        if (fresh.empty()) return;
        chain_.Process(fresh);
        Deliver(fresh);
        return;
    }
    // Each source its own filters and gain control, then the two in step.
    chain_.Process(fresh);
    const double newest =
        NewestCaptureTime(buffer_.LastStamp(), taken_ - static_cast<std::int64_t>(carry_.size()),
                          captureChannels_, rate_);
    mixed_.clear();
    combined_->Mix(fresh, newest, mixed_);
    secondLevel_ = std::max(secondLevel_, combined_->TakeSecondPeak());
    fresh.swap(mixed_);
    Deliver(fresh);
}

void PulseRecorder::Deliver(Samples& fresh) {
    if (fresh.empty()) return;
    const std::size_t ch = static_cast<std::size_t>(channels_);
    int left = peak_[0], right = peak_[1];
    if (ch == 2) {
        EvenOddPeaks(fresh.data(), fresh.size(), left, right);
    } else if (ch > 2) {
        for (std::size_t i = 0; i + 1 < fresh.size(); i += ch) {
            left = std::max(left, std::abs(static_cast<int>(fresh[i])));
            right = std::max(right, std::abs(static_cast<int>(fresh[i + 1])));
        }
    } else {
        EvenOddPeaks(fresh.data(), fresh.size(), left, right);
        left = right = std::max(left, right);
    }
    peak_[0] = std::min(left, 32767);
    peak_[1] = std::min(right, 32767);
    currentValues_ += static_cast<std::int64_t>(fresh.size());
    currentSamples_ = static_cast<long>(currentValues_ / channels_);
    recent_.Add(fresh.data(), fresh.size());
    for (long n : cutter_.Add(fresh)) announce_.push_back(n);
}

void PulseRecorder::Announce() {
    // Blocks are announced in order even when a handler lets events run and
    // a nested pump cuts further blocks: the outer loop announces those too.
    if (announcing_) return;
    announcing_ = true;
    while (!announce_.empty()) {
        const long n = announce_.front();
        announce_.pop_front();
        emit EndArrayRecord(n);
    }
    announcing_ = false;
}

void PulseRecorder::EmitTimer() {
    const int left = peak_[0], right = peak_[1];
    peak_[0] = peak_[1] = 0;
    emit Timer(currentSamples_, left, right);
    secondLevel_ = 0;
}

void PulseRecorder::Pump() {
    pumpPending_ = false;
    if (status_ != 1) return;
    if (programGone_) FollowProgram();
    buffer_.TakeAll(fresh_);
    Process(fresh_);
    if (combined_ && combined_->StreamFailed() && !combined_->Lost()) {
        // The other source goes on; silence stands in for the one that went.
        combined_->LoseSecond();
        emit SourceLost(secondName_, currentSamples_);
    }
    if (streamFailed_ && !program_.empty() && conn_.Ready()) {
        // The program stopped playing (its stream ended), not the server.
        capture_.Close();
        streamFailed_ = false;
        programGone_ = true;
        gap_.start();
        gapFrames_ = 0;
        poll_.start();  // silence and a look for the program, at the same pace
    }
    if (streamFailed_) {
        // The server went away: end cleanly and deliver what was captured.
        Finish(-1);
        return;
    }
    Announce();
    if (status_ == 1) EmitTimer();
}

void PulseRecorder::Finish(int endStatus) {
    poll_.stop();
    capture_.Close();
    if (combined_) combined_->Close();
    status_ = endStatus;
    buffer_.TakeAll(fresh_);
    Process(fresh_);
    if (combined_) {
        mixed_.clear();
        combined_->Flush(mixed_);
        Deliver(mixed_);
    }
    if (auto n = cutter_.Flush()) announce_.push_back(*n);
    EmitTimer();
    Announce();
}

void PulseRecorder::Stop() {
    if (status_ != 1) return;
    // What the source captured before the stop is still on its way.
    capture_.Drain();
    if (combined_) combined_->Drain();
    Finish(0);
}

}  // namespace qsr::audio
