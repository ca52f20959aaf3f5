#pragma once
// The compatibility checker's texts, as the user sees them.
#include <string_view>

namespace drydock::compat::texts {

inline constexpr std::string_view kCaption = "Check Compatability";
inline constexpr std::string_view kFrameCaption = "Choose two different mods to check their compatabiliy ";
inline constexpr std::string_view kCheckButton = "&Check Compatability";
inline constexpr std::string_view kModsLabel = "Mods:";
inline constexpr std::string_view kModsPrefix = "Mods: ";
inline constexpr std::string_view kAnd = " and";
inline constexpr std::string_view kSecondIndent = "           ";  // eleven spaces, under the first name
inline constexpr std::string_view kIncompatableLabel = "Incompatable files:";
inline constexpr std::string_view kChecking = "(Checking compatability.)";
inline constexpr std::string_view kCompatable = "(Mods are compatable)";

inline constexpr std::string_view kSelectTwo = "Please select two mods.";
inline constexpr std::string_view kSelectTwoTitle = "Select two mods";
inline constexpr std::string_view kSameMod = "Please select two different mods.";
inline constexpr std::string_view kSameModTitle = "Same mod";
inline constexpr std::string_view kSelectFirst = "Please select a mod in the first box.";
inline constexpr std::string_view kSelectSecond = "Please select a mod in the second box.";
inline constexpr std::string_view kSelectOneTitle = "Select a mod";

inline constexpr std::string_view kErrorTitle = "Error!";
inline constexpr std::string_view kOutOfMemory = "Out of memory";
inline constexpr std::string_view kOutOfMemoryAdvice =
    ". Please select two smaller mods or put the larger mod in the second box.";

}  // namespace drydock::compat::texts
