// PLACEHOLDER: being written; replaced before the first commit.
#include "app/demo_sandbox.h"
#include "platform/environment.h"
namespace drydock::app {
std::filesystem::path DefaultDemoRoot() { return platform::UserDataDir() / "demo"; }
DemoPaths DemoPathsIn(const std::filesystem::path& root) {
  return {root, root / "Drydock", root / "Drydock" / "mods", root / "Armada II"};
}
DemoPaths EnsureDemoSandbox(const std::filesystem::path& root, bool* created) {
  if (created) *created = false;
  return DemoPathsIn(root);
}
}  // namespace drydock::app
