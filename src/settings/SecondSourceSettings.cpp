#include "settings/SecondSourceSettings.h"

#include <algorithm>
#include <charconv>

#include "platform/audio-api/AudioRecorder.h"

namespace qsr::settings {

SecondSourceSettings LoadSecondSourceSettings(const std::string& file) {
    SecondSourceSettings s;
    s.device = ReadIniValue(file, kSecondSourceSection, kSecondDeviceKey);
    s.program = ReadIniValue(file, kSecondSourceSection, kSecondProgramKey);
    if (auto layout =
            audio::ParseCombineLayout(ReadIniValue(file, kSecondSourceSection, kSecondLayoutKey)))
        s.layout = *layout;
    const std::string level = ReadIniValue(file, kSecondSourceSection, kSecondLevelKey);
    int v = 0;
    const auto [end, ec] = std::from_chars(level.data(), level.data() + level.size(), v);
    if (ec == std::errc() && end == level.data() + level.size() && !level.empty())
        s.level = std::clamp(v, kSecondLevelMin, kSecondLevelMax);
    return s;
}

SettingsSave SaveSecondSourceSettings(const std::string& file, const SecondSourceSettings& s) {
    SettingsSave save(file);
    // Never chosen: settings.dat stays as it was without the feature.
    const bool stored = !ReadIniValue(file, kSecondSourceSection, kSecondLayoutKey).empty();
    if (!stored && s == SecondSourceSettings{}) return save;
    save.Put(kSecondSourceSection, kSecondDeviceKey, s.device);
    save.Put(kSecondSourceSection, kSecondProgramKey, s.program);
    save.Put(kSecondSourceSection, kSecondLayoutKey, audio::CombineLayoutName(s.layout));
    save.Put(kSecondSourceSection, kSecondLevelKey, std::to_string(s.level));
    return save;
}

audio::SecondSource ResolveSecondSource(const SecondSourceSettings& s,
                                        audio::IAudioRecorder& recorder) {
    audio::SecondSource second;
    second.layout = s.layout;
    second.secondGainPercent = s.level;
    if (s.device.empty()) return second;
    // Looking through the list selects each device: the current one is kept.
    const int current = recorder.CurrentDevice();
    const int currentLine = recorder.CurrentSource();
    for (int i = 0; i < recorder.DeviceCount() && second.device < 0; ++i) {
        if (!recorder.CanCombine(i)) continue;
        recorder.SelectDevice(i);
        if (recorder.DeviceName() != s.device) continue;
        if (s.program.empty()) {
            second.device = i;
            break;
        }
        for (int j = 0; j <= recorder.SourceLastIndex(); ++j) {
            recorder.SelectSource(j);
            if (recorder.SourceName() == s.program) {
                second.device = i;
                second.line = j;
                break;
            }
        }
    }
    recorder.SelectDevice(current);
    recorder.SelectSource(currentLine);
    return second;
}

void ApplyStoredSecondSource(const std::string& file, audio::IAudioRecorder& recorder) {
    recorder.SetSecondSource(ResolveSecondSource(LoadSecondSourceSettings(file), recorder));
}

}  // namespace qsr::settings
