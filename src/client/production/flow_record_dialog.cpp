#include "client/production/flow_record_dialog.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

FlowRecordDialog::FlowRecordDialog(FlowRecordConfig config, FlowRowInfo row, QWidget* parent)
    : QDialog(parent),
      config_(std::move(config)),
      row_(std::move(row)),
      records_(std::make_unique<Dataset>(dm().connection(), "UpdateMainDSP")) {
  setWindowTitle(config_.caption);
  Dataset& ds = *records_;
  // The description rows show the flow row the dialog came from, whatever the record holds.
  const FlowRowInfo shown = row_;
  ds.addCalculatedField("procName", protocol::FieldType::String,
                        [shown](const Record&) { return QVariant(shown.procName); });
  ds.addCalculatedField("depName", protocol::FieldType::String,
                        [shown](const Record&) { return QVariant(shown.depName); });
  ds.addCalculatedField("des", protocol::FieldType::String,
                        [shown](const Record&) { return QVariant(shown.des); });
  if (config_.addLookups) config_.addLookups(ds);
  ds.onNewRecord = [this](Dataset& d) {
    if (config_.newRecord) config_.newRecord(d, row_);
  };
  ds.onReconcileError = [](const RowError& e) { prompter().message(e.message); };

  editor_ = new RecordEditor(this);
  editor_->setRows(config_.rows);
  addToolActions(
      *editor_->toolBar(),
      {ToolAction::separator(), {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction}});
  connect(editor_, &RecordEditor::recordPosted, this, [this] { sendChanges(); });
  connect(editor_, &RecordEditor::recordDeleted, this, [this] { sendChanges(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(editor_);
  fitToScreen(*this, QSize(420, 460));
}

FlowRecordDialog::~FlowRecordDialog() {
  // The editor watches the dataset; it goes first.
  delete editor_;
}

void FlowRecordDialog::openRecords() {
  Dataset& ds = *records_;
  ds.setCommandText("select * from " + sqlIdentifier(config_.table) +
                    " where taskNo = :taskNo order by sysid");
  ds.params().byName("taskNo").value = row_.taskNo;
  ds.open();
  editor_->setDataset(&ds);
}

void FlowRecordDialog::appendRecord() {
  openRecords();
  records_->last();
  editor_->insertRecord();
}

void FlowRecordDialog::sendChanges() {
  Dataset& ds = *records_;
  if (!ds.active() || ds.changeCount() == 0) return;
  const QVariant id = ds.isEmpty() ? QVariant() : ds.fieldByName("sysid").value();
  // A refused record stays pending and as typed; its reason was shown by onReconcileError.
  if (ds.applyUpdates(0) != 0) return;
  // Read again: a new record takes the identity the database gave it, so that it can be
  // changed or deleted in the same sitting.
  openRecords();
  if (id.isNull() || !ds.locate("sysid", id)) ds.last();
}

}  // namespace qk::client
