// Tsys_colForm ("表格显示设置"): the grid layouts of sys_col, chosen by display name; captions,
// visibility, widths and order edited and saved in one change set.
#pragma once

#include "client/admin/layout_editor_form.h"

namespace qk::client {

class Tsys_colForm : public LayoutEditorForm {
  Q_OBJECT
 public:
  explicit Tsys_colForm(QWidget* parent = nullptr);
};

}  // namespace qk::client
