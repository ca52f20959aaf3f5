#pragma once
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
