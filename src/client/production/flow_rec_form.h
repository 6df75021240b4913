// The receipt dialog of the flow card: how many pieces a step of a task line received, from
// and by which department and person, in what condition (table bus_flow_rec). Departments and
// persons are stored by name.
#pragma once

#include "client/production/flow_record_dialog.h"

namespace qk::client {

class Tbus_flowRecForm : public FlowRecordDialog {
  Q_OBJECT
 public:
  explicit Tbus_flowRecForm(FlowRowInfo row, QWidget* parent = nullptr);
};

}  // namespace qk::client
