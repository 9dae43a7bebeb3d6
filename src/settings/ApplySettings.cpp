#include "settings/ApplySettings.h"

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioRecorder.h"
#include "settings/Inifun.h"

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
    if (f.notch && f.notchFrequency) r.SetNotchFrequency(*f.notchFrequency);
    r.SetHighPassEnabled(f.highPass);
    if (f.highPass && f.highPassFrequency) r.SetHighPassFrequency(*f.highPassFrequency);
    r.SetLowPassEnabled(f.lowPass);
    if (f.lowPass && f.lowPassFrequency) r.SetLowPassFrequency(*f.lowPassFrequency);
    r.SetAgcEnabled(f.autoGain);
    if (f.autoGain) {
        if (f.lowLevel) r.SetAgcLowLevel(*f.lowLevel);
        if (f.highLevel) r.SetAgcHighLevel(*f.highLevel);
        if (f.attackTime) r.SetAgcAttackTime(*f.attackTime);
    }
}

void ApplyStoredSettings(const std::string& settingsFile, FormatValues& values,
                         audio::IAudioFile* file, audio::IAudioRecorder* recorder) {
    LoadFormatValues(settingsFile, values);
    // No description is read: the MP3 and Ogg ones would load their encoders.
    if (file) SetFormatValues(*file, values, [](core::Encoder) {});
    if (recorder) ApplyFilterSettings(*recorder, ReadFilterSettings(settingsFile));
}

OutputNamingSettings ReadOutputNamingSettings(const std::string& file) {
    return {ReadIniValue(file, "set", "outputfolder"), ReadIniValue(file, "set", "filename"),
            ReadIniValue(file, "set", "datetime"), ReadIniValue(file, "set", "existedfile")};
}

std::string OutputNamingProblem(const OutputNamingSettings& stored) {
    if (stored.fileName.size() > kMaxFileNameBytes)
        return "the file name in settings.dat is too long";
    if (stored.outputFolder.size() > kMaxPathBytes)
        return "the output folder in settings.dat is too long";
    return {};
}

}  // namespace qsr::settings
