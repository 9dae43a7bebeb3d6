#include "recording/PairedFiles.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"

namespace qsr::recording {

std::string SecondFilePath(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string ext = p.has_stem() ? p.extension().string() : std::string();
    return path.substr(0, path.size() - ext.size()) + "_ 2nd" + ext;
}

PairedFiles::PairedFiles(audio::IAudioFile& first, std::unique_ptr<audio::IAudioFile> second)
    : first_(&first), second_(std::move(second)) {}

void PairedFiles::SetMp3Format(int rate, int kbps, int channels) {
    first_->SetMp3Format(rate, kbps, channels);
    second_->SetMp3Format(rate, kbps, channels);
}
void PairedFiles::SetMp3Settings(const audio::IMp3Settings& settings) {
    first_->SetMp3Settings(settings);
    second_->SetMp3Settings(settings);
}
void PairedFiles::SetWavFormat(int rate, int channels, int bits) {
    first_->SetWavFormat(rate, channels, bits);
    second_->SetWavFormat(rate, channels, bits);
}
void PairedFiles::SetWavAdpcmFormat(int rate, int channels) {
    first_->SetWavAdpcmFormat(rate, channels);
    second_->SetWavAdpcmFormat(rate, channels);
}
void PairedFiles::SetWavGsmFormat(int rate) {
    first_->SetWavGsmFormat(rate);
    second_->SetWavGsmFormat(rate);
}
void PairedFiles::SetWavDspFormat() {
    first_->SetWavDspFormat();
    second_->SetWavDspFormat();
}
int PairedFiles::ChooseWavFormatFromMenu() {
    return first_->ChooseWavFormatFromMenu();
}
void PairedFiles::SetWavFormatLikeSample(const std::string& path) {
    first_->SetWavFormatLikeSample(path);
    second_->SetWavFormatLikeSample(path);
}
void PairedFiles::SetVoxFormat(int rate) {
    first_->SetVoxFormat(rate);
    second_->SetVoxFormat(rate);
}
void PairedFiles::SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum,
                               int quality) {
    first_->SetOggFormat(rate, channels, nominal, minimum, maximum, quality);
    second_->SetOggFormat(rate, channels, nominal, minimum, maximum, quality);
}
void PairedFiles::SetRawFormat(int compression, int rate, int channels, int bits) {
    first_->SetRawFormat(compression, rate, channels, bits);
    second_->SetRawFormat(compression, rate, channels, bits);
}
void PairedFiles::SetG726Format(int rate, int bitsCode) {
    first_->SetG726Format(rate, bitsCode);
    second_->SetG726Format(rate, bitsCode);
}
void PairedFiles::SetWmaFormat(int profile) {
    first_->SetWmaFormat(profile);
    second_->SetWmaFormat(profile);
}
void PairedFiles::SetFlacFormat(int rate, int channels, int bits, int level) {
    first_->SetFlacFormat(rate, channels, bits, level);
    second_->SetFlacFormat(rate, channels, bits, level);
}
void PairedFiles::SetOpusFormat(int rate, int channels, int kbps, bool voip) {
    first_->SetOpusFormat(rate, channels, kbps, voip);
    second_->SetOpusFormat(rate, channels, kbps, voip);
}
void PairedFiles::SetOption(bool on) {
    first_->SetOption(on);
    second_->SetOption(on);
}

int PairedFiles::CreateFile(const std::string& path) {
    error_.clear();
    secondPath_ = SecondFilePath(path);
    if (journal_ && IsBeingRecorded(secondPath_, journal_->File())) {
        error_ = BeingRecordedMessage(secondPath_);
        return -1;
    }
    std::error_code ec;
    const bool existedBefore = std::filesystem::exists(secondPath_, ec);
    if (second_->CreateFile(secondPath_) < 0) return -1;
    if (first_->CreateFile(path) < 0) {
        second_->Close();
        if (!existedBefore) std::filesystem::remove(secondPath_, ec);
        return -1;
    }
    if (journal_)
        journal_->Add({::getpid(), secondPath_, static_cast<std::int64_t>(std::time(nullptr))});
    return 0;
}

void PairedFiles::SetInputFormat(int rate, int channels) {
    channels_ = std::max(1, channels / 2);
    first_->SetInputFormat(rate, channels_);
    second_->SetInputFormat(rate, channels_);
}

int PairedFiles::WriteBlock(const audio::Samples& block) {
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const std::size_t frames = block.size() / (2 * ch);
    a_.resize(frames * ch);
    b_.resize(frames * ch);
    for (std::size_t f = 0; f < frames; ++f) {
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(2 * ch * f), ch,
                    a_.begin() + static_cast<std::ptrdiff_t>(ch * f));
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(2 * ch * f + ch), ch,
                    b_.begin() + static_cast<std::ptrdiff_t>(ch * f));
    }
    // Both always: a failure in one must not leave the other shorter.
    const int r1 = first_->WriteBlock(a_);
    const int r2 = second_->WriteBlock(b_);
    return std::min(r1, r2);
}

void PairedFiles::Close() {
    first_->Close();
    second_->Close();
    if (journal_ && !secondPath_.empty()) journal_->Remove(secondPath_);
}

int PairedFiles::Status() const {
    if (!error_.empty()) return -1;
    return std::min(first_->Status(), second_->Status());
}

std::string PairedFiles::LastError() const {
    if (!error_.empty()) return error_;
    if (first_->Status() < 0) return first_->LastError();
    if (second_->Status() < 0) return second_->LastError() + " (" + secondPath_ + ")";
    return first_->LastError();
}

}  // namespace qsr::recording
