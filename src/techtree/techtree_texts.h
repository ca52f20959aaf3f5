#pragma once
// The tech trees window's texts, shared with the techtree command.
#include <string_view>

namespace drydock::techtree::texts {

inline constexpr std::string_view kCaption = "Available Tech Trees";
inline constexpr std::string_view kPleaseSelect = "Please select a mod.";
inline constexpr std::string_view kAvailable = "Available Tech Trees:";
inline constexpr std::string_view kUnavailable = "Unavailable Tech Trees:";
inline constexpr std::string_view kNoModSelected = "(No mod selected)";

}  // namespace drydock::techtree::texts
