// The sales order: a document-editor configuration whose lines receive item numbers (gsNo) at
// save, with the products screen as its multi-row product picker and the item-number search.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

inline constexpr const char* kNoCustomer = "客户不能为空!";
inline constexpr const char* kSalesLineIncomplete = "物料名称和数量不能为空!";

DocumentConfig salesOrderConfig();

class Tbus_SOForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Tbus_SOForm(QWidget* parent = nullptr);
};

// The main window's bus_SOAction and bus_SDAction (the delivery).
void registerSalesScreens();

}  // namespace qk::client
