// The purchase order: a document-editor configuration whose lines are purchase batches, each
// given a batch number (psNo) at save, with the products screen as its multi-row picker.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

inline constexpr const char* kNoSupplier = "供应商不能为空!";
inline constexpr const char* kOrderLineIncomplete = "物料名称和数量不能为空!";

DocumentConfig purchaseOrderConfig();

class Tbus_POForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Tbus_POForm(QWidget* parent = nullptr);
};

}  // namespace qk::client
