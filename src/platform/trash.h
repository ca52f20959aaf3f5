#pragma once
// The desktop's trash: what goes there can be brought back by the user.
#include <filesystem>

#include "platform/file_ops.h"

namespace drydock::platform {

// Moves a file or a folder to the trash of its volume (Linux: the
// freedesktop trash in the data folder, or the volume's own ".Trash-<uid>"
// when it has one; Windows: the recycle bin). Fails and leaves it where it is
// when that volume has no trash; it is never deleted instead.
FsResult MoveToTrash(const std::filesystem::path& path);

}  // namespace drydock::platform
