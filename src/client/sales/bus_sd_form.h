// The sales delivery: goods of sales-order lines shipped to a customer from a warehouse, as a
// document-editor configuration. A line names the item number (gsNo) it delivers, picked from
// the order lines or typed and completed from them; the first validated line notes the
// customer's purchase-order number in the header remark.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

inline constexpr const char* kNoCustomerOrWarehouse = "客户和仓库不能为空!";
inline constexpr const char* kDeliveryLineIncomplete = "物项号和数量不能为空!";
// A line whose item number no order line carries would deliver nothing that was ordered.
inline constexpr const char* kUnknownGsNo = "无此物项号: %1";

DocumentConfig salesDeliveryConfig();

class Tbus_SDForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Tbus_SDForm(QWidget* parent = nullptr);
};

}  // namespace qk::client
