#pragma once

#include <memory>
#include <string>

#include "platform/audio-api/AudioFile.h"

namespace qsr::recording {

class RecoveryJournal;

// The second file of a recording of two sources kept apart: `NAME_ 2nd`
// beside `NAME` (the extension kept), "rec.mp3" -> "rec_ 2nd.mp3".
std::string SecondFilePath(const std::string& path);

// Two files written as one, for the files layout: every format setting goes
// to both; a block holds each frame of the first file followed by the same
// frame of the second (twice the channels of the format), so the two are
// always of equal length to the sample, pieces of a split included. The
// second file is in the journal while it is written, and a start into a
// second file another recording of ours writes is refused. Reading goes to
// the first file only.
class PairedFiles : public audio::IAudioFile {
  public:
    // `first` stays the caller's; it outlives this.
    PairedFiles(audio::IAudioFile& first, std::unique_ptr<audio::IAudioFile> second);
    void SetJournal(RecoveryJournal* journal) { journal_ = journal; }
    const std::string& SecondPath() const { return secondPath_; }

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
    int WavChannels() const override { return first_->WavChannels(); }
    std::string FormatDescription() const override { return first_->FormatDescription(); }
    void SetOption(bool on) override;
    bool Option() const override { return first_->Option(); }

    int CreateFile(const std::string& path) override;
    int EncoderRate() const override { return first_->EncoderRate(); }
    // Both files' channels: the recorder delivers the two side by side.
    int EncoderChannels() const override { return 2 * first_->EncoderChannels(); }
    void SetInputFormat(int rate, int channels) override;
    int WriteBlock(const audio::Samples& block) override;
    void Close() override;

    int OpenFile(const std::string& path) override { return first_->OpenFile(path); }
    std::int64_t TotalSamples() const override { return first_->TotalSamples(); }
    int SampleRate() const override { return first_->SampleRate(); }
    int ChannelCount() const override { return first_->ChannelCount(); }
    audio::Samples ReadBlock(long n) override { return first_->ReadBlock(n); }
    std::int64_t Seek(std::int64_t position) override { return first_->Seek(position); }
    double SizeValue() const override { return first_->SizeValue(); }
    int Status() const override;
    std::string LastError() const override;

  private:
    audio::IAudioFile* first_;
    std::unique_ptr<audio::IAudioFile> second_;
    RecoveryJournal* journal_ = nullptr;
    std::string secondPath_;
    std::string error_;  // a refusal of our own
    int channels_ = 1;   // of each file's input
    audio::Samples a_, b_;
};

}  // namespace qsr::recording
