// The settings stores of the main window.
#include "app/main_form.h"

namespace marrowby {

void TMainForm::BuildStores() { Stores.fill(nullptr); }

void TMainForm::RestoreStores() {}

void TMainForm::SaveStores() {}

}  // namespace marrowby
