#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio-api/AudioEngine.h"
#include "platform/audio-api/Display.h"

namespace qsr::fakes {

// Every call a fake component received, in order, e.g. "SetMp3Format(44100,128,2)".
using CallLog = std::vector<std::string>;

// The calls in the log whose name starts with one of the prefixes, in order.
CallLog Only(const CallLog& log, std::initializer_list<const char*> prefixes);

struct FakeLine {
    std::string name;
    bool selectable = true;
    bool active = false;
    bool hasVolume = true;
    int volume = 32768;
    bool hasBalance = true;
    int balance = 50;
    std::vector<std::pair<std::string, audio::AdvancedValue>> advanced;
};

struct FakeDevice {
    std::string name;
    bool usable = true;
    // Records from exactly one line, as a sound server's source with ports:
    // a line is switched off only by choosing another.
    bool keepsOneLine = false;
    std::vector<FakeLine> lines;
};

// A recorder with scripted devices and lines. Capture produces blocks only when
// the test calls Deliver().
class FakeRecorder : public audio::IAudioRecorder {
  public:
    explicit FakeRecorder(CallLog* log = nullptr) : log_(log) {}

    std::vector<FakeDevice> devices;
    int currentDevice = 0;
    int currentSource = 0;
    int startResult = 0;
    int rate = 44100;
    int channels = 2;
    long blockLength = 0;
    long currentSamples = 0;
    std::map<long, audio::Samples> blocks;
    audio::Samples latest;
    bool notchOn = false, highPassOn = false, lowPassOn = false, agcOn = false;
    float notchHz = 50, highPassHz = 400, lowPassHz = 4000;
    std::int32_t agcLow = -30, agcHigh = -10, agcAttack = 100;
    int status = 0;
    long dropouts = 0;  // what DropoutCount reports; Start clears it

    // Queues a block and announces it as EndArrayRecord(n).
    void Deliver(const audio::Samples& block);

    int DeviceCount() const override { return static_cast<int>(devices.size()); }
    int CurrentDevice() const override { return currentDevice; }
    void SelectDevice(int index) override;
    bool DeviceUsable() const override;
    std::string DeviceName() const override;
    int SourceLastIndex() const override;
    int CurrentSource() const override { return currentSource; }
    void SelectSource(int index) override;
    std::string SourceName() const override;
    bool SourceSelectable() const override;
    bool SourceActive() const override;
    void SetSourceActive(bool active) override;
    bool HasVolume() const override;
    int Volume() const override;
    void SetVolume(int volume) override;
    bool HasBalance() const override;
    int Balance() const override;
    void SetBalance(int balance) override;
    int AdvancedLastIndex() const override;
    std::string AdvancedName(int index) const override;
    audio::AdvancedValue AdvancedGet(int index) const override;
    void AdvancedSet(int index, std::int32_t value) override;
    void SetFormat(int r, int c) override;
    int Rate() const override { return rate; }
    int Channels() const override { return channels; }
    long MillisecondsToSamples(long ms) const override { return ms * rate / 1000; }
    long SamplesToMilliseconds(long samples) const override {
        return rate ? samples * 1000 / rate : 0;
    }
    void SetBlockLength(long samples) override;
    int Start() override;
    void Stop() override;
    int Status() const override { return status; }
    long CurrentSamples() const override { return currentSamples; }
    audio::Samples LatestSamples(long n) const override;
    audio::Samples TakeBlock(long nBlock) override;
    long DropoutCount() const override { return dropouts; }
    void SetNotchEnabled(bool on) override;
    void SetNotchFrequency(float hz) override;
    float NotchFrequency() const override { return notchHz; }
    void SetHighPassEnabled(bool on) override;
    void SetHighPassFrequency(float hz) override;
    float HighPassFrequency() const override { return highPassHz; }
    void SetLowPassEnabled(bool on) override;
    void SetLowPassFrequency(float hz) override;
    float LowPassFrequency() const override { return lowPassHz; }
    void SetAgcEnabled(bool on) override;
    void SetAgcLowLevel(std::int32_t db) override;
    std::int32_t AgcLowLevel() const override { return agcLow; }
    void SetAgcHighLevel(std::int32_t db) override;
    std::int32_t AgcHighLevel() const override { return agcHigh; }
    void SetAgcAttackTime(std::int32_t ms) override;
    std::int32_t AgcAttackTime() const override { return agcAttack; }

  private:
    void Log(const std::string& call) const {
        if (log_) log_->push_back(call);
    }
    const FakeDevice* Device() const;
    FakeLine* Line();
    const FakeLine* Line() const;
    CallLog* log_;
    long nextBlock_ = 0;
};

// A file component that records every call; writes keep the blocks in memory,
// reads serve `content`.
class FakeAudioFile : public audio::IAudioFile {
  public:
    explicit FakeAudioFile(CallLog* log = nullptr) : log_(log) {}

    std::string description = "fake format";
    int createResult = 0;
    int openResult = 0;
    std::string lastError;
    std::int64_t damagedFrames = 0;  // what the reader reports having passed over
    int encoderRate = 44100;
    int encoderChannels = 2;
    int wavChannels = 2;  // of the WAV coding in force, as the real component starts
    std::string createdPath;
    std::vector<audio::Samples> written;
    bool closed = false;
    audio::Samples content;  // what reading returns
    // Called at the start of every ReadBlock, in the reading thread.
    std::function<void()> onRead;
    int contentRate = 44100;
    int contentChannels = 2;
    std::int64_t readPosition = 0;
    int menuChoice = -1;
    bool option = false;
    int writesBeforeFailure = -1;  // the write after this many fails (-1 = never)
    bool finishFails = false;      // Close cannot finish the file

    void SetMp3Format(int rate, int kbps, int channels) override;
    void SetMp3Settings(const audio::IMp3Settings& settings) override;
    void SetWavFormat(int rate, int channels, int bits) override;
    void SetWavAdpcmFormat(int rate, int channels) override;
    void SetWavGsmFormat(int rate) override;
    void SetWavDspFormat() override;
    int ChooseWavFormatFromMenu() override;
    void SetWavFormatLikeSample(const std::string& path) override;
    void SetVoxFormat(int rate) override;
    void SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum,
                      int quality) override;
    void SetRawFormat(int compression, int rate, int channels, int bits) override;
    void SetG726Format(int rate, int bitsCode) override;
    void SetWmaFormat(int profile) override;
    void SetFlacFormat(int rate, int channels, int bits, int level) override;
    void SetOpusFormat(int rate, int channels, int kbps, bool voip) override;
    int WavChannels() const override { return wavChannels; }
    std::string FormatDescription() const override { return description; }
    void SetOption(bool on) override;
    bool Option() const override { return option; }
    int CreateFile(const std::string& path) override;
    int EncoderRate() const override { return encoderRate; }
    int EncoderChannels() const override { return encoderChannels; }
    void SetInputFormat(int rate, int channels) override;
    int WriteBlock(const audio::Samples& block) override;
    void Close() override;
    int OpenFile(const std::string& path) override;
    std::int64_t TotalSamples() const override;
    int SampleRate() const override { return contentRate; }
    int ChannelCount() const override { return contentChannels; }
    audio::Samples ReadBlock(long n) override;
    std::int64_t Seek(std::int64_t position) override;
    double SizeValue() const override { return 1.0; }
    int Status() const override { return status_; }
    std::string LastError() const override { return lastError; }
    std::int64_t DamagedFrames() const override { return damagedFrames; }

  private:
    void Log(const std::string& call) const {
        if (log_) log_->push_back(call);
    }
    CallLog* log_;
    int status_ = 0;
};

// A player that plays nothing; the test drives its events.
class FakePlayer : public audio::IAudioPlayer {
  public:
    explicit FakePlayer(CallLog* log = nullptr) : log_(log) {}
    int rate = 44100, channels = 2;
    int startResult = 0;
    int status = 0;
    long played = 0;
    std::vector<audio::Samples> queued;

    void SetFormat(int r, int c) override;
    long MillisecondsToSamples(long ms) const override { return ms * rate / 1000; }
    long SamplesToMilliseconds(long s) const override { return rate ? s * 1000 / rate : 0; }
    int Start() override;
    void Stop() override;
    int Status() const override { return status; }
    long CurrentSamples() const override { return played; }
    audio::Samples LatestSamples(long n) const override;
    void QueueBlock(const audio::Samples& block) override;

  private:
    void Log(const std::string& call) const {
        if (log_) log_->push_back(call);
    }
    CallLog* log_;
};

// Plain storage for every MP3 option.
class FakeMp3Settings : public audio::IMp3Settings {
  public:
    int maxVbr = 320, vbrQuality = 4, vbrMethod = -1, abr = 128, channelMode = 2, quality = 5;
    bool vbrHeader = true, reservoir = true, diffBlocks = false, shortBlocks = true, iso = false,
         enforceMin = false, crc = false;
    int deemphasis = 0, ath = 0, lowPass = -1, highPass = -1, lowWidth = 0, highWidth = 0;
    int sampleRate = 44100, bitrate = 128;

    int MaxVbrBitrate() const override { return maxVbr; }
    void SetMaxVbrBitrate(int v) override { maxVbr = v; }
    int VbrQuality() const override { return vbrQuality; }
    void SetVbrQuality(int v) override { vbrQuality = v; }
    int VbrMethod() const override { return vbrMethod; }
    void SetVbrMethod(int v) override { vbrMethod = v; }
    int AbrBitrate() const override { return abr; }
    void SetAbrBitrate(int v) override { abr = v; }
    int ChannelMode() const override { return channelMode; }
    void SetChannelMode(int v) override { channelMode = v; }
    int EncoderQuality() const override { return quality; }
    void SetEncoderQuality(int v) override { quality = v; }
    bool WriteVbrHeader() const override { return vbrHeader; }
    void SetWriteVbrHeader(bool v) override { vbrHeader = v; }
    bool BitReservoir() const override { return reservoir; }
    void SetBitReservoir(bool v) override { reservoir = v; }
    bool DifferentBlockTypes() const override { return diffBlocks; }
    void SetDifferentBlockTypes(bool v) override { diffBlocks = v; }
    bool ShortBlocks() const override { return shortBlocks; }
    void SetShortBlocks(bool v) override { shortBlocks = v; }
    int Deemphasis() const override { return deemphasis; }
    void SetDeemphasis(int v) override { deemphasis = v; }
    bool IsoCompliance() const override { return iso; }
    void SetIsoCompliance(bool v) override { iso = v; }
    bool EnforceMinBitrate() const override { return enforceMin; }
    void SetEnforceMinBitrate(bool v) override { enforceMin = v; }
    int AthControl() const override { return ath; }
    void SetAthControl(int v) override { ath = v; }
    int LowPassFrequency() const override { return lowPass; }
    void SetLowPassFrequency(int v) override { lowPass = v; }
    int HighPassFrequency() const override { return highPass; }
    void SetHighPassFrequency(int v) override { highPass = v; }
    int LowPassWidth() const override { return lowWidth; }
    void SetLowPassWidth(int v) override { lowWidth = v; }
    int HighPassWidth() const override { return highWidth; }
    void SetHighPassWidth(int v) override { highWidth = v; }
    bool Crc() const override { return crc; }
    void SetCrc(bool v) override { crc = v; }
    void SetSampleRate(int v) override { sampleRate = v; }
    int Bitrate() const override { return bitrate; }
    void SetBitrate(int v) override { bitrate = v; }
};

// ID3v2 tags kept per path in a shared map, so fresh objects see earlier writes.
class FakeId3v2Tag : public audio::IId3v2Tag {
  public:
    using Store = std::map<std::string, std::map<int, std::string>>;
    explicit FakeId3v2Tag(Store* store) : store_(store) {}
    bool failWrites = false;

    bool Load(const std::string& path) override;
    bool TagPresent() const override { return present_; }
    std::string GetField(int field) const override;
    void SetField(int field, const std::string& text) override { fields_[field] = text; }
    bool WriteTag(const std::string& path) override;
    bool RemoveTag(const std::string& path) override;
    std::string LastError() const override { return failWrites ? "write refused" : ""; }

  private:
    Store* store_;
    std::map<int, std::string> fields_;
    bool present_ = false;
};

// Hands out fakes and keeps pointers to the last of each kind for inspection.
class FakeAudioEngine : public audio::IAudioEngine {
  public:
    CallLog log;                      // calls of every component it created, in order
    std::vector<FakeDevice> devices;  // given to each new recorder
    FakeId3v2Tag::Store tags;
    FakeRecorder* lastRecorder = nullptr;
    FakeAudioFile* lastFile = nullptr;
    FakePlayer* lastPlayer = nullptr;

    std::unique_ptr<audio::IAudioRecorder> CreateRecorder() override;
    std::unique_ptr<audio::IAudioFile> CreateFile() override;
    std::unique_ptr<audio::IAudioPlayer> CreatePlayer() override;
    std::unique_ptr<audio::IMp3Settings> CreateMp3Settings() override;
    std::unique_ptr<audio::IId3v2Tag> CreateId3v2Tag() override;
};

// Remembers what it was asked to show.
class FakeDisplay : public audio::ISampleDisplay {
  public:
    int rate = 0, channels = 0, frame = 0;
    std::vector<audio::Samples> shown;
    void SetFormat(int r, int c) override { rate = r, channels = c; }
    void SetSamplesPerFrame(int s) override { frame = s; }
    int SamplesPerFrame() const override { return frame; }
    void ShowSamples(const audio::Samples& s) override { shown.push_back(s); }
    std::vector<std::pair<int, int>> peaks;
    void ShowPeaks(int left, int right) override { peaks.emplace_back(left, right); }
};

}  // namespace qsr::fakes
