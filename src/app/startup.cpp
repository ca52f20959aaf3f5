// The first step of start-up, before the main window exists.
#include "app/startup.h"

#include "flow/dialogs.h"
#include "platform/instance_lock.h"
#include "selector/selector_texts.h"

namespace drydock::app {

bool ClaimSingleInstance(platform::InstanceLock& lock, flow::Dialogs& dialogs) {
  if (lock.TryLock()) return true;
  dialogs.Ask(selector::texts::kSecondInstance, selector::texts::kSecondInstanceTitle, flow::Buttons::Ok,
              flow::Icon::Critical);
  return false;
}

}  // namespace drydock::app
