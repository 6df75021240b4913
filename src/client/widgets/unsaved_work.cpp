#include "client/widgets/unsaved_work.h"

#include <QApplication>

#include "client/data/dataset.h"
#include "client/data/prompter.h"

namespace qk::client {

bool confirmClose() {
  return prompter().confirm(kConfirmClose, QApplication::applicationDisplayName());
}

bool isEditing(const Dataset& ds) {
  return ds.state() == Dataset::State::Edit || ds.state() == Dataset::State::Insert;
}

bool hasUnsavedWork(const Dataset& ds) {
  return isEditing(ds) || (ds.active() && ds.changeCount() > 0);
}

}  // namespace qk::client
