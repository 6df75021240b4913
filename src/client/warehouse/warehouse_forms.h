// The warehouse receipt and issue: two document-editor configurations that differ in their
// tables, date field, numbering, queries and the price their product picker takes.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

// The warehouse drop-down of every warehouse document's header.
HeaderField warehouseHeaderField();

DocumentConfig warehouseReceiptConfig();
DocumentConfig warehouseIssueConfig();

class Twh_InForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Twh_InForm(QWidget* parent = nullptr);
};

class Twh_OutForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Twh_OutForm(QWidget* parent = nullptr);
};

// The main window's wh_InAction, wh_outAction and wh_mat_outAction.
void registerWarehouseScreens();

}  // namespace qk::client
