#pragma once

namespace qsr::core {

// The title every window and message box carries.
inline constexpr const char* kAppTitle = "Quorvin Sound Recorder";
inline constexpr const char* kAppVersion = "3.20";
// The main window's caption: title and version.
inline constexpr const char* kMainCaption = "Quorvin Sound Recorder v3.20";

}  // namespace qsr::core
