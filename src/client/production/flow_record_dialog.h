// FlowRecordDialog: the small dialog in which a flow card's records of one task line are paged
// through, added, changed and deleted — the process records (Tbus_flowEditForm) and the receipt
// records (Tbus_flowRecForm) are two configurations of it. Every posted record and every
// deletion is sent at once, and the records are read again so that a new one has its identity.
//
// It writes only its own table, by the task-line number it was opened for, and never refreshes
// the flow card it came from. A refusal is shown with the server's text and the record stays
// as typed, to be corrected and saved again.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "client/widgets/record_editor.h"

class QAction;

namespace qk::client {

class Dataset;

// The flow-card row a dialog was opened from; its display-only rows always show these.
struct FlowRowInfo {
  QString taskNo, des, procName, depName;
};

struct FlowRecordConfig {
  QString caption{};
  QString table{};  // bus_flow or bus_flow_rec
  std::vector<RecordEditorRow> rows{};
  std::function<void(Dataset&)> addLookups{};  // lookup fields, declared before opening
  std::function<void(Dataset&, const FlowRowInfo&)> newRecord{};  // defaults of a new record
};

class FlowRecordDialog : public QDialog {
  Q_OBJECT
 public:
  FlowRecordDialog(FlowRecordConfig config, FlowRowInfo row, QWidget* parent = nullptr);
  ~FlowRecordDialog() override;

  // Reads the task line's records (all of them, to page through) and appends a new one.
  void appendRecord();
  Dataset& records() { return *records_; }
  RecordEditor* editor() const { return editor_; }
  const FlowRowInfo& row() const { return row_; }

  QAction* closeAction;

 private:
  void openRecords();
  void sendChanges();  // after a post or a delete

  FlowRecordConfig config_;
  FlowRowInfo row_;
  std::unique_ptr<Dataset> records_;
  RecordEditor* editor_;
};

}  // namespace qk::client
