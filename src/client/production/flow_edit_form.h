// The process-record dialog of the flow card: who made how many good, scrapped and reworked
// pieces of a task line on which device, and who inspected them when (table bus_flow).
#pragma once

#include "client/production/flow_record_dialog.h"

namespace qk::client {

class Tbus_flowEditForm : public FlowRecordDialog {
  Q_OBJECT
 public:
  explicit Tbus_flowEditForm(FlowRowInfo row, QWidget* parent = nullptr);
};

}  // namespace qk::client
