#include "core/Text.h"

#include <filesystem>
#include <system_error>

namespace qsr::core {
namespace {

std::string PaddedNumber(std::int64_t value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

}  // namespace

std::string_view TrimView(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string Trim(std::string_view text, std::string_view blanks) {
    return std::string(TrimView(text, blanks));
}

std::string ElapsedText(std::int64_t milliseconds) {
    const std::int64_t t = milliseconds < 0 ? 0 : milliseconds;
    const std::int64_t minutes = t / 60000;
    const std::int64_t seconds = t / 1000 - 60 * minutes;
    return std::to_string(minutes) + ":" + PaddedNumber(seconds, 2) + "." +
           PaddedNumber(t % 1000, 3);
}

std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMb = 1048576;
    std::uint64_t whole = bytes / kMb;
    // Hundredths, rounded half away from zero as the "0.##" pattern does.
    std::uint64_t hundredths = ((bytes % kMb) * 100 + kMb / 2) / kMb;
    if (hundredths == 100) {
        ++whole;
        hundredths = 0;
    }
    std::string text = std::to_string(whole);
    if (hundredths != 0) {
        text += '.';
        text += static_cast<char>('0' + hundredths / 10);
        if (hundredths % 10 != 0) text += static_cast<char>('0' + hundredths % 10);
    }
    return text + "MB";
}

std::string FileSizeText(const std::string& path) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec) return {};
    return SizeText(bytes);
}

}  // namespace qsr::core
