#include "settings/OutputNamingSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "settings/SettingsRules.h"

namespace qsr::settings {
namespace {

constexpr const char* kSection = "set";
constexpr const char* kOutputFolder = "outputfolder";
constexpr const char* kFileName = "filename";
constexpr const char* kDateTime = "datetime";
constexpr const char* kExistedFile = "existedfile";
constexpr const char* kSplitMinutes = "splitminutes";
constexpr const char* kSplitMegabytes = "splitmb";

}  // namespace

OutputNamingSettings ReadOutputNamingSettings(const std::string& file) {
    OutputNamingSettings s;
    s.outputFolder = ReadIniValue(file, kSection, kOutputFolder);
    s.fileName = ReadIniValue(file, kSection, kFileName);
    s.dateTime = FlagTestedForOne(ReadIniValue(file, kSection, kDateTime));
    s.overwrite = !ValueTestedForZero(ReadIniValue(file, kSection, kExistedFile));
    return s;
}

SettingsSave WriteOutputNamingSettings(const std::string& file, const OutputNamingSettings& s) {
    SettingsSave save(file);
    save.Put(kSection, kOutputFolder, s.outputFolder)
        .Put(kSection, kFileName, s.fileName)
        .Put(kSection, kDateTime, s.dateTime ? "1" : "0")
        .Put(kSection, kExistedFile, s.overwrite ? "1" : "0");
    return save;
}

std::string OutputNamingProblem(const OutputNamingSettings& stored) {
    if (stored.fileName.size() > kMaxFileNameBytes)
        return "the file name in settings.dat is too long";
    if (stored.outputFolder.size() > kMaxPathBytes)
        return "the output folder in settings.dat is too long";
    return {};
}

long long SplitMeasure(const std::string& text, long long limit) {
    if (text.empty() || text.size() > 12 ||
        !std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; }))
        return 0;
    const long long v = std::atoll(text.c_str());
    return v >= 1 && v <= limit ? v : 0;
}

SplitSettings ReadSplitSettings(const std::string& file) {
    return {SplitMeasure(ReadIniValue(file, kSection, kSplitMinutes), kSplitMaxMinutes),
            SplitMeasure(ReadIniValue(file, kSection, kSplitMegabytes), kSplitMaxMegabytes)};
}

SettingsSave WriteSplitSettings(const std::string& file, const SplitSettings& split) {
    SettingsSave save(file);
    save.Put(kSection, kSplitMinutes, std::to_string(split.minutes))
        .Put(kSection, kSplitMegabytes, std::to_string(split.megabytes));
    return save;
}

}  // namespace qsr::settings
