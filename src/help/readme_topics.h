#pragma once
// The help topics of the readme window: one row per entry of its topic list,
// in list order, with the text shown for it.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace drydock::help {

struct ReadmeTopic {
  // The list entry as shown: four leading spaces for a sub-topic, eight for a sub-sub-topic.
  std::string_view entry;
  // The text shown; empty for the one topic whose text is built (Addons, see TopicText).
  std::string_view text;
};

// The topic the readme window opens on, and the one that shows the contact address.
inline constexpr std::string_view kFirstTopic = "Introduction";
inline constexpr std::string_view kContactTopic = "Report a bug/make a suggestion";

// All 25 topics in list order.
std::span<const ReadmeTopic> ReadmeTopics();

// The text of the topic whose title (its entry without the leading spaces)
// equals `title` exactly, letter case included; nothing for any other title.
// The Addons text names the mods folder below `programDir`.
std::optional<std::string> TopicText(std::string_view title, const std::filesystem::path& programDir);

}  // namespace drydock::help
