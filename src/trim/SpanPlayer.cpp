#include "trim/SpanPlayer.h"

#include <algorithm>

namespace qsr::trim {

SpanPlayer::~SpanPlayer() {
    Stop();
}

bool SpanPlayer::Play(const std::string& path, const EditList& edits, SampleSpan edited,
                      std::string& why) {
    Stop();
    edited.begin = std::max<std::int64_t>(0, edited.begin);
    edited.end = std::min(edits.Length(), edited.end);
    if (edited.begin >= edited.end) {
        why = "nothing to play";
        return false;
    }
    // The original's pieces under the span.
    pieces_.clear();
    std::int64_t at = 0;
    for (const SampleSpan& s : edits.Kept()) {
        const std::int64_t a = std::max(edited.begin, at),
                           b = std::min(edited.end, at + s.Length());
        if (a < b) pieces_.push_back({s.begin + (a - at), s.begin + (b - at)});
        at += s.Length();
    }
    reader_ = engine_.CreateFile();
    if (reader_ && readAs_) readAs_(*reader_);
    player_ = engine_.CreatePlayer();
    if (!reader_ || !player_ || reader_->OpenFile(path) < 0) {
        why = reader_ ? reader_->LastError() : "this engine cannot play";
        reader_.reset();
        player_.reset();
        return false;
    }
    player_->SetFormat(reader_->SampleRate(), reader_->ChannelCount());
    connect(player_.get(), &audio::IAudioPlayer::RequestOnLoadArray, this, &SpanPlayer::Feed);
    connect(player_.get(), &audio::IAudioPlayer::EndPlay, this, [this] {
        Stop();
        emit Stopped();
    });
    piece_ = 0;
    next_ = pieces_[0].begin;
    start_ = edited.begin;
    length_ = edited.Length();
    reader_->Seek(next_);
    Feed();
    if (player_->Start() < 0) {
        why = "the sound cannot be played";
        Stop();
        return false;
    }
    playing_ = true;
    return true;
}

void SpanPlayer::Feed() {
    if (!player_ || piece_ >= pieces_.size()) return;
    const long block = std::max(1, reader_->SampleRate() / 5);  // 200 ms
    const SampleSpan& p = pieces_[piece_];
    audio::Samples s = reader_->ReadBlock(std::min<long>(block, static_cast<long>(p.end - next_)));
    next_ += static_cast<std::int64_t>(s.size()) / std::max(1, reader_->ChannelCount());
    if (s.empty() || next_ >= p.end) {
        if (++piece_ < pieces_.size()) {
            next_ = pieces_[piece_].begin;
            reader_->Seek(next_);
        }
    }
    if (!s.empty()) player_->QueueBlock(s);
}

void SpanPlayer::Stop() {
    if (player_) {
        player_->Stop();
        // Perhaps inside one of its own signals: it goes once that returns.
        player_.release()->deleteLater();
    }
    reader_.reset();
    playing_ = false;
}

std::int64_t SpanPlayer::Position() const {
    if (!player_) return start_;
    return start_ + std::min<std::int64_t>(length_, player_->CurrentSamples());
}

}  // namespace qsr::trim
