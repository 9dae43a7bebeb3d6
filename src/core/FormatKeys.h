#pragma once

namespace qsr::core {

// Where settings.dat keeps one stored format value: its section and key.
struct FormatKey {
    const char* section;
    const char* key;
};

// The stored format values, by section. Sample rates are 32-bit numbers,
// everything else 16-bit.
namespace format_key {
inline constexpr FormatKey kOutputFormat{"set", "outputformat"};  // index in RecordingFormats()
inline constexpr FormatKey kMp3Bitrate{"mp3", "MP3Bitrate"};
inline constexpr FormatKey kMp3Frequency{"mp3", "MP3Frequency"};
inline constexpr FormatKey kMp3Channels{"mp3", "MP3Channels"};
inline constexpr FormatKey kWavFrequency{"wav", "Freq"};
inline constexpr FormatKey kWavChannels{"wav", "Channel"};
inline constexpr FormatKey kVoxFrequency{"vox", "voxFreq"};
inline constexpr FormatKey kOggBitrate{"ogg", "oggBitrate"};
inline constexpr FormatKey kOggMinBitrate{"ogg", "MinBitrate"};
inline constexpr FormatKey kOggMaxBitrate{"ogg", "MaxBitrate"};
inline constexpr FormatKey kOggQuality{"ogg", "Quality"};
inline constexpr FormatKey kOggVbrEnabled{"ogg", "VbrEnabled"};
inline constexpr FormatKey kOggQualityEnabled{"ogg", "QualityEnabled"};
inline constexpr FormatKey kRawFrequency{"raw", "rawFreq"};
inline constexpr FormatKey kRawChannels{"raw", "rawChannel"};
inline constexpr FormatKey kRawCompression{"raw", "rawCompr"};
inline constexpr FormatKey kG726Frequency{"g726", "gFreq"};
inline constexpr FormatKey kG726Bits{"g726", "gbit"};
inline constexpr FormatKey kFlacBits{"flac", "flacBits"};
inline constexpr FormatKey kFlacLevel{"flac", "flacLevel"};
inline constexpr FormatKey kFlacFrequency{"flac", "flacFreq"};
inline constexpr FormatKey kFlacChannels{"flac", "flacChannel"};
inline constexpr FormatKey kOpusBitrate{"opus", "opusBitrate"};
inline constexpr FormatKey kOpusApplication{"opus", "opusApplication"};
}  // namespace format_key

}  // namespace qsr::core
