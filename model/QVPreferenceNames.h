#pragma once

namespace qv {

// The preference domain the three deliverables share, and the Darwin
// notifications they tell each other by.
inline constexpr const char* QVPreferenceDomain = "com.corvellan.Quilt-Vane";
inline constexpr const char* QVSettingsChangedNotification = "com.corvellan.Quilt-Vane/SETTINGS_CHANGED";

} // namespace qv
