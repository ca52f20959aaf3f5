#pragma once
// src/app: the program itself: main(), the single-instance step and the archive hand-over to a
// running window. See README.md.
//
// The first step of start-up, before the main window exists.
namespace drydock::platform {
class InstanceLock;
}
namespace drydock::flow {
class Dialogs;
}

namespace drydock::app {

// Takes the single-instance lock. When another copy holds it, shows the
// warning and returns false: the program must end at once.
bool ClaimSingleInstance(platform::InstanceLock& lock, flow::Dialogs& dialogs);

}  // namespace drydock::app
