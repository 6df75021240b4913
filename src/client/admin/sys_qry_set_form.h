// Tsys_qry_setForm ("查询显示设置"): the fields of one stored query at a time — captions,
// widths, order and whether each is offered as a condition or shown in the result. It neither
// creates queries nor fields.
#pragma once

#include "client/admin/layout_editor_form.h"

namespace qk::client {

class Tsys_qry_setForm : public LayoutEditorForm {
  Q_OBJECT
 public:
  explicit Tsys_qry_setForm(QWidget* parent = nullptr);
};

}  // namespace qk::client
