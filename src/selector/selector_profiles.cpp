// Manager > Profiles: named sets of mods to have installed (install/profiles.h).
#include <QAction>
#include <QMenu>
#include <QTimer>

#include "flow/dialogs.h"
#include "install/install_engine.h"
#include "install/profiles.h"
#include "platform/names.h"
#include "selector/frm_selector.h"
#include "ui/qt_text.h"

namespace drydock::selector {

using flow::Answer;
using flow::Buttons;
using flow::Icon;
using ui::Q;

namespace {

constexpr char kMenuProfiles[] = "&Profiles";
constexpr char kMenuSaveProfile[] = "&Save current as...";
constexpr char kMenuApplyProfile[] = "&Apply";
constexpr char kMenuRenameProfile[] = "&Rename";
constexpr char kMenuDeleteProfile[] = "&Delete";
constexpr char kNoProfiles[] = "(No profiles)";
constexpr char kSaveTitle[] = "Save Profile";
constexpr char kRenameTitle[] = "Rename Profile";
constexpr char kDeleteTitle[] = "Delete Profile";

// A name as a menu entry shows it: an '&' is a letter, not a mnemonic.
QString MenuText(const std::string& name) { return Q(name).replace(QLatin1Char('&'), QStringLiteral("&&")); }

}  // namespace

// The entry chosen is still being triggered: its menu is refilled once that is over.
void frmSelector::RefillProfilesMenuLater() { QTimer::singleShot(0, this, &frmSelector::FillProfilesMenu); }

void frmSelector::BuildProfilesMenu(QMenu* manager) {
  menuManagerProfiles_ = manager->addMenu(Q(kMenuProfiles));
  menuManagerProfiles_->setObjectName(QStringLiteral("menuManagerProfiles"));
  QAction* save = menuManagerProfiles_->addAction(Q(kMenuSaveProfile));
  save->setObjectName(QStringLiteral("menuManagerProfilesSave"));
  connect(save, &QAction::triggered, this, &frmSelector::SaveProfileAs);
  const std::pair<const char*, const char*> lists[] = {{"menuManagerProfilesApply", kMenuApplyProfile},
                                                       {"menuManagerProfilesRename", kMenuRenameProfile},
                                                       {"menuManagerProfilesDelete", kMenuDeleteProfile}};
  for (const auto& [name, caption] : lists) {
    QMenu* names = menuManagerProfiles_->addMenu(Q(caption));
    names->setObjectName(Q(name));
  }
  connect(menuManagerProfiles_, &QMenu::aboutToShow, this, &frmSelector::FillProfilesMenu);
  FillProfilesMenu();
}

void frmSelector::FillProfilesMenu() {
  const std::vector<std::string> profiles = install::ListProfiles(programDir_);
  const std::pair<const char*, void (frmSelector::*)(const std::string&)> lists[] = {
      {"menuManagerProfilesRename", &frmSelector::RenameProfile},
      {"menuManagerProfilesDelete", &frmSelector::DeleteProfile}};
  const auto fill = [&](QMenu* menu, const std::function<void(const std::string&)>& run) {
    menu->clear();
    for (const std::string& name : profiles) {
      connect(menu->addAction(MenuText(name)), &QAction::triggered, this, [run, name] { run(name); });
    }
    if (profiles.empty()) menu->addAction(Q(kNoProfiles))->setEnabled(false);
    menu->setEnabled(!working_);
  };
  fill(menuManagerProfiles_->findChild<QMenu*>(QStringLiteral("menuManagerProfilesApply")),
       [this](const std::string& name) { ApplyProfile(name); });
  for (const auto& [objectName, slot] : lists) {
    fill(menuManagerProfiles_->findChild<QMenu*>(Q(objectName)),
         [this, slot](const std::string& name) { (this->*slot)(name); });
  }
  menuManagerProfiles_->findChild<QAction*>(QStringLiteral("menuManagerProfilesSave"))->setEnabled(!working_);
}

void frmSelector::SaveProfileAs() {
  if (working_) return;
  flow::Dialogs& dialogs = services_.dialogs;
  if (!gameDir_ || !platform::IsFolder(*gameDir_)) {
    dialogs.Ask(std::string(install::kNoGameDirText), kSaveTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  std::vector<std::string> unplaced;
  const std::vector<std::string> mods = install::CurrentMods(ModsDir(), *gameDir_, &unplaced);
  std::string name;
  for (;;) {
    std::string what = mods.empty()       ? std::string("No mod is installed now. Save that as the profile named:")
                       : mods.size() == 1 ? std::string("Save the 1 mod installed now as the profile named:")
                                          : "Save the " + std::to_string(mods.size()) +
                                                " mods installed now, in their install order, as the profile named:";
    // The note before the question, so that the question's colon leads to the field.
    if (!unplaced.empty()) what = install::UnplacedText(unplaced) + "\n\n" + what;
    const std::optional<std::string> typed = dialogs.Input(what, kSaveTitle, name);
    if (!typed) return;
    name = *typed;
    const std::string problem = install::ProfileNameProblem(name);
    if (problem.empty()) break;
    dialogs.Ask(problem, kSaveTitle, Buttons::Ok, Icon::Exclamation);
  }
  const bool exists = install::ProfileExists(programDir_, name);
  if (exists &&
      dialogs.AskDestructive("A profile named " + name + " exists already. Replace it? The old one goes to the trash.",
                             kSaveTitle + std::string("?"), Buttons::YesNo, Icon::Question) != Answer::Yes) {
    return;
  }
  if (const install::ProfileResult r = install::SaveProfile(programDir_, name, mods, exists); !r) {
    dialogs.Ask(r.error, kSaveTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  RefillProfilesMenuLater();
  ShowStatus("Saved profile " + name + ": " + std::to_string(mods.size()) + (mods.size() == 1 ? " mod" : " mods"));
}

install::Outcome frmSelector::ApplyProfile(const std::string& name) {
  if (working_) return install::Outcome::Cancelled;
  const install::ProfileResult profile = install::ReadProfile(programDir_, name);
  if (!profile) {
    services_.dialogs.Ask(profile.error, "Apply profile " + name, Buttons::Ok, Icon::Exclamation);
    return install::Outcome::Refused;
  }
  install::ModInstaller installer(services_.dialogs, *this, ModsDir(), [this] { return gameDir_; });
  install::Outcome outcome = install::Outcome::Incomplete;
  Guarded(flow::kDefaultTitle, [&] { outcome = installer.ApplyProfile(name, profile.mods).outcome; });
  CloseIfAsked();
  return outcome;
}

void frmSelector::RenameProfile(const std::string& name) {
  if (working_) return;
  std::string to = name;
  for (;;) {
    const std::optional<std::string> typed =
        services_.dialogs.Input("New name of the profile " + name + ":", kRenameTitle, to);
    if (!typed || *typed == name) return;
    to = *typed;
    const install::ProfileResult r = install::RenameProfile(programDir_, name, to);
    if (r) break;
    services_.dialogs.Ask(r.error, kRenameTitle, Buttons::Ok, Icon::Exclamation);
    if (!install::ProfileExists(programDir_, name)) return;
  }
  RefillProfilesMenuLater();
  ShowStatus("Renamed profile " + name + " to " + to);
}

void frmSelector::DeleteProfile(const std::string& name) {
  if (working_) return;
  if (services_.dialogs.AskDestructive("Move the profile " + name + " to the trash?", kDeleteTitle + std::string("?"),
                                       Buttons::YesNo, Icon::Question) != Answer::Yes) {
    return;
  }
  if (const install::ProfileResult r = install::DeleteProfile(programDir_, name); !r) {
    services_.dialogs.Ask(r.error, kDeleteTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  RefillProfilesMenuLater();
  ShowStatus("Moved the profile " + name + " to the trash");
}

}  // namespace drydock::selector
