#include "platform/mediaplayer/CdAudio.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace qsr::mediaplayer {

struct CdAudio::Handles {
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    lsn_t first = 0;  // first sector of the first audio track
    lsn_t last = 0;   // last sector of the last one
    lsn_t next = 0;   // next sector to read
    ~Handles() {
        if (paranoia) cdio_paranoia_free(paranoia);
        if (drive) cdio_cddap_close(drive);  // closes the libcdio handle too
    }
};

CdAudio::CdAudio(std::unique_ptr<Handles> handles) : h_(std::move(handles)) {}
CdAudio::~CdAudio() = default;

std::unique_ptr<CdAudio> CdAudio::Open(const std::string& drive, int track) {
    // A missing drive or disc is an ordinary answer here, not worth the
    // library's warnings on the terminal.
    cdio_loglevel_default = CDIO_LOG_ASSERT;
    std::string name = drive;
    if (name.empty()) {
        if (const char* named = std::getenv(kDriveVariable)) name = named;
    }
    if (name.empty()) {
        char* found = cdio_get_default_device(nullptr);
        if (!found) return nullptr;
        name = found;
        cdio_free(found);
    }
    CdIo_t* cdio = cdio_open(name.c_str(), DRIVER_UNKNOWN);
    if (!cdio) return nullptr;
    auto h = std::make_unique<Handles>();
    h->drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!h->drive) {
        cdio_destroy(cdio);
        return nullptr;
    }
    if (cdio_cddap_open(h->drive) != 0) return nullptr;
    if (track == 0) {
        h->first = cdio_cddap_disc_firstsector(h->drive);
        h->last = cdio_cddap_disc_lastsector(h->drive);
    } else {
        if (track < 0 || track > cdio_cddap_tracks(h->drive) ||
            cdio_cddap_track_audiop(h->drive, static_cast<track_t>(track)) != 1) {
            return nullptr;
        }
        h->first = cdio_cddap_track_firstsector(h->drive, static_cast<track_t>(track));
        h->last = cdio_cddap_track_lastsector(h->drive, static_cast<track_t>(track));
    }
    if (h->first < 0 || h->last < h->first) return nullptr;  // no audio tracks
    h->paranoia = cdio_paranoia_init(h->drive);
    if (!h->paranoia) return nullptr;
    // Check what is read, but never stall on a scratch: a skip is heard
    // as a click, a stall as silence.
    cdio_paranoia_modeset(h->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    // One sector read now spins the disc up here rather than in the middle
    // of the sound server's callback, and proves the audio can be read.
    cdio_paranoia_seek(h->paranoia, h->first, SEEK_SET);
    if (!cdio_paranoia_read(h->paranoia, nullptr)) return nullptr;
    cdio_paranoia_seek(h->paranoia, h->first, SEEK_SET);
    h->next = h->first;
    return std::unique_ptr<CdAudio>(new CdAudio(std::move(h)));
}

std::int64_t CdAudio::TotalFrames() const {
    return std::int64_t{h_->last - h_->first + 1} * kSectorFrames;
}

std::int64_t CdAudio::Seek(std::int64_t frame) {
    const std::int64_t sector =
        std::clamp<std::int64_t>(frame / kSectorFrames, 0, h_->last - h_->first + 1);
    h_->next = static_cast<lsn_t>(h_->first + sector);
    cdio_paranoia_seek(h_->paranoia, h_->next, SEEK_SET);
    return sector * kSectorFrames;
}

std::vector<std::int16_t> CdAudio::Read(int sectors) {
    std::vector<std::int16_t> out;
    const int n = static_cast<int>(std::min<std::int64_t>(sectors, h_->last - h_->next + 1));
    if (n <= 0) return out;
    out.reserve(static_cast<std::size_t>(n) * kSectorFrames * 2);
    for (int i = 0; i < n; ++i) {
        const std::int16_t* sector = cdio_paranoia_read(h_->paranoia, nullptr);
        if (!sector) break;  // the drive gave up; end here rather than play noise
        out.insert(out.end(), sector, sector + kSectorFrames * 2);
        ++h_->next;
    }
    return out;
}

}  // namespace qsr::mediaplayer
