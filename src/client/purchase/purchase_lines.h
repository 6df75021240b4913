// What the order and the receipt share: the supplier in the header and the line grid's columns.
#pragma once

#include <QStringList>
#include <vector>

#include "client/documents/document_editor.h"

namespace qk::client {

// The supplier drop-down ("供应商名称"), stored as supNo and shown with its name.
HeaderField supplierHeader();

// The line grid in design order: the batch column first (`batchReadOnly` when the save gives
// it, else with the batch picker's button), then the product, its description and the
// figures; `qty` summed, price and amount shown as money.
std::vector<GridColumn> purchaseLineColumns(const QStringList& fields, bool batchReadOnly);

}  // namespace qk::client
