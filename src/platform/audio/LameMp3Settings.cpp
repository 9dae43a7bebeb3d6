#include "platform/audio/LameMp3Settings.h"

namespace qsr::audio {

Mp3Options OptionsFromSettings(const IMp3Settings& s, const Mp3Options& base) {
    // Our own object also knows the write-only rate and bitrate.
    if (const auto* own = dynamic_cast<const LameMp3Settings*>(&s)) return own->Options();
    Mp3Options o = base;
    o.maxVbrBitrate = s.MaxVbrBitrate();
    o.vbrQuality = s.VbrQuality();
    o.vbrMethod = s.VbrMethod();
    o.abrBitrate = s.AbrBitrate();
    o.channelMode = s.ChannelMode();
    o.encoderQuality = s.EncoderQuality();
    o.writeVbrHeader = s.WriteVbrHeader();
    o.bitReservoir = s.BitReservoir();
    o.differentBlockTypes = s.DifferentBlockTypes();
    o.shortBlocks = s.ShortBlocks();
    o.deemphasis = s.Deemphasis();
    o.isoCompliance = s.IsoCompliance();
    o.enforceMinBitrate = s.EnforceMinBitrate();
    o.athControl = s.AthControl();
    o.lowPassFrequency = s.LowPassFrequency();
    o.highPassFrequency = s.HighPassFrequency();
    o.lowPassWidth = s.LowPassWidth();
    o.highPassWidth = s.HighPassWidth();
    o.crc = s.Crc();
    return o;
}

}  // namespace qsr::audio
