// The purchase receipt: goods of ordered batches taken into a warehouse. A line names its batch
// (PSNo), picked from the order lines or typed and completed from them.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

inline constexpr const char* kNoSupplierOrWarehouse = "供应商和仓库不能为空!";
inline constexpr const char* kReceiptLineIncomplete = "采购批号和数量不能为空!";

DocumentConfig purchaseReceiptConfig();

class Tbus_PIForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Tbus_PIForm(QWidget* parent = nullptr);
};

}  // namespace qk::client
