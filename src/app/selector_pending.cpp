#include "app/frm_selector.h"
namespace drydock::app {
void frmSelector::OpenAbout() {}
void frmSelector::OpenReadme() {}
void frmSelector::OpenChanges() {}
}  // namespace drydock::app
