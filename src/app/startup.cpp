// The first step of start-up, before the main window exists.
#include "app/startup.h"

#include "platform/instance_lock.h"
#include "selector/selector_texts.h"
#include "ui/dialogs.h"

namespace drydock::app {

bool ClaimSingleInstance(platform::InstanceLock& lock, ui::Dialogs& dialogs) {
  if (lock.TryLock()) return true;
  dialogs.Ask(selector::texts::kSecondInstance, selector::texts::kSecondInstanceTitle, ui::Buttons::Ok,
              ui::Icon::Critical);
  return false;
}

}  // namespace drydock::app
