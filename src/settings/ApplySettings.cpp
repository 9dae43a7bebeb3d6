#include "settings/ApplySettings.h"

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioRecorder.h"

namespace qsr::settings {

void ApplyNewerFormats(audio::IAudioFile& f, const FormatValues& v,
                       const std::function<void(core::Encoder)>& described) {
    const FlacShape flac = FlacRateAndChannels(v);
    f.SetFlacFormat(flac.rate, flac.channels, v.flacBits, v.flacLevel);
    described(core::Encoder::Flac);
    f.SetOpusFormat(v.Freq, v.Channel, v.opusBitrate, v.opusApplication == 1);
    described(core::Encoder::Opus);
}

void SetFormatValues(audio::IAudioFile& f, const FormatValues& v,
                     const std::function<void(core::Encoder)>& described) {
    using core::Encoder;
    f.SetMp3Format(v.MP3Frequency, v.MP3Bitrate, v.MP3Channels);
    described(Encoder::Mp3);
    f.SetWavFormat(v.Freq, v.Channel, 16);
    described(Encoder::Wav);
    f.SetVoxFormat(v.voxFreq);
    described(Encoder::Vox);
    const OggParameters ogg = ChooseOggParameters(v);
    f.SetOggFormat(44100, 2, ogg.nominal, ogg.minimum, ogg.maximum, ogg.quality);
    described(Encoder::Ogg);
    f.SetRawFormat(v.rawCompr, v.rawFreq, v.rawChannel, 16);
    described(Encoder::Raw);
    ApplyNewerFormats(f, v, described);
    f.SetG726Format(v.gFreq, v.gbit);
    described(Encoder::G726);
}

std::map<core::Encoder, std::string> ApplyFormatValues(audio::IAudioFile& f,
                                                       const FormatValues& v) {
    std::map<core::Encoder, std::string> d;
    SetFormatValues(f, v, [&](core::Encoder e) { d[e] = f.FormatDescription(); });
    return d;
}

std::vector<std::pair<core::Encoder, std::string>> DescribeFormatsForDialog(audio::IAudioFile& f,
                                                                            const FormatValues& v) {
    using core::Encoder;
    std::vector<std::pair<Encoder, std::string>> d;
    f.SetMp3Format(v.MP3Frequency, v.MP3Bitrate, v.MP3Channels);
    d.emplace_back(Encoder::Mp3, f.FormatDescription());
    f.SetWavFormat(v.Freq, v.Channel, 16);
    d.emplace_back(Encoder::Wav, f.FormatDescription());
    f.SetVoxFormat(v.voxFreq);
    d.emplace_back(Encoder::Vox, f.FormatDescription());
    f.SetRawFormat(v.rawCompr, v.rawFreq, v.rawChannel, 16);
    d.emplace_back(Encoder::Raw, f.FormatDescription());
    f.SetG726Format(v.gFreq, v.gbit);
    d.emplace_back(Encoder::G726, f.FormatDescription());
    ApplyNewerFormats(f, v, [&](Encoder e) { d.emplace_back(e, f.FormatDescription()); });
    const OggParameters ogg = ChooseOggParameters(v);
    f.SetOggFormat(44100, 2, ogg.nominal, ogg.minimum, ogg.maximum, ogg.quality);
    d.emplace_back(Encoder::Ogg, f.FormatDescription());
    return d;
}

void ApplyFilterSettings(audio::IAudioRecorder& r, const FilterSettings& f) {
    r.SetNotchEnabled(f.notch);
    if (const auto hz = StoredFrequency(f.notchFrequency); f.notch && hz) r.SetNotchFrequency(*hz);
    r.SetHighPassEnabled(f.highPass);
    if (const auto hz = StoredFrequency(f.highPassFrequency); f.highPass && hz)
        r.SetHighPassFrequency(*hz);
    r.SetLowPassEnabled(f.lowPass);
    if (const auto hz = StoredFrequency(f.lowPassFrequency); f.lowPass && hz)
        r.SetLowPassFrequency(*hz);
    r.SetAgcEnabled(f.autoGain);
    if (f.autoGain) {
        if (const auto low = StoredLevel(f.lowLevel)) r.SetAgcLowLevel(*low);
        if (const auto high = StoredLevel(f.highLevel)) r.SetAgcHighLevel(*high);
        if (const auto attack = StoredLevel(f.attackTime)) r.SetAgcAttackTime(*attack);
    }
}

void ApplyStoredFilters(const std::string& settingsFile, audio::IAudioRecorder& recorder,
                        bool filtersOn) {
    const FilterSettings stored = ReadFilterSettings(settingsFile);
    ApplyFilterSettings(recorder, filtersOn ? stored : WithoutFilters(stored));
}

void ApplyStoredSettings(const std::string& settingsFile, FormatValues& values,
                         audio::IAudioFile* file, audio::IAudioRecorder* recorder) {
    LoadFormatValues(settingsFile, values);
    // No description is read: the MP3 and Ogg ones would load their encoders.
    if (file) SetFormatValues(*file, values, [](core::Encoder) {});
    if (recorder) ApplyStoredFilters(settingsFile, *recorder);
}

}  // namespace qsr::settings
