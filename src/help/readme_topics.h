#pragma once
// src/help: the help windows (readme, changes) and the about box, with the texts and version
// lines they show. See README.md.
//
// The help topics of the readme window: one row per entry of its topic list,
// in list order, with the text shown for it.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/game_host.h"

namespace drydock::help {

struct ReadmeTopic {
  // The list entry as shown: four leading spaces for a sub-topic, eight for a sub-sub-topic.
  std::string_view entry;
  // The text shown; empty for the one topic whose text is built (Addons, see TopicText).
  std::string_view text;
  // Where the game runs under Wine and Drydock does something else than on
  // Windows, the text shown there; empty: `text` on both.
  std::string_view wineText = {};
};

// The topic the readme window opens on, and the one that shows the contact address.
inline constexpr std::string_view kFirstTopic = "Introduction";
inline constexpr std::string_view kContactTopic = "Report a bug/make a suggestion";

// All 25 topics in list order.
std::span<const ReadmeTopic> ReadmeTopics();

// The text of the topic whose title (its entry without the leading spaces)
// equals `title` exactly, letter case included; nothing for any other title.
// The Addons text names the mods folder below `programDir`; a topic about what
// Drydock does tells what it does where the game runs the way `host` says.
std::optional<std::string> TopicText(std::string_view title, const std::filesystem::path& programDir,
                                     platform::GameHost host = platform::ThisSystemsGameHost());

}  // namespace drydock::help
