#pragma once
// Writing ModInfo.txt: the values the editor starts from, the nine lines it
// makes, and the rule by which its preview shows a value the way the details
// panel will.
#include <filesystem>
#include <string>
#include <string_view>

#include "modinfo/mod_info.h"
#include "platform/file_ops.h"

namespace drydock::platform {
class WriterLock;
}

namespace drydock::modinfo {

// The values that the ModInfo.txt of `modFolder` (its name in any letter case)
// holds, read as the details panel reads them (the last line of a key wins),
// but without its fallback texts: a field the file lacks, and every field when
// there is no file, is empty.
ModInfoTexts ReadModInfoValues(const std::filesystem::path& modFolder);

// Whether `modFolder` holds a ModInfo.txt (any letter case) that a write would replace.
bool HasModInfo(const std::filesystem::path& modFolder);

// `value` on one line: every line break (CR, LF, NEL, U+2028, U+2029) becomes
// a space, so that no value can start a line of its own and forge a field.
std::string SingleLine(std::string_view value);

// The file's text (UTF-8): "Author: ", "Description: ", "Version: ",
// "Other Heading: " and "Other: ", each followed by its value as typed (only
// made single-line) and separated by empty lines; every line ends in CR LF.
std::string ModInfoFileText(const ModInfoTexts& values);

// The text's bytes: Windows-1252 when every character fits and each line reads
// back as written, otherwise UTF-8.
std::string ModInfoFileBytes(const ModInfoTexts& values);

// What a preview label shows: the typed text as the panel shows a value (see
// StripMnemonics), or `shown`, the panel's current caption, when the typed text
// is only spaces.
std::string PreviewText(std::string_view typed, std::string_view shown);

// Writes ModInfo.txt into `modFolder` through a temporary name and a rename,
// so the old file stays whole until the new one replaces it. An existing file
// of any letter case is the one replaced. Fails, changing nothing, when the
// folder is gone or the file is read-only. The caller holds the mods folder's
// writer lock.
platform::FsResult WriteModInfo(const std::filesystem::path& modFolder, const ModInfoTexts& values,
                                const platform::WriterLock& lock);

}  // namespace drydock::modinfo
