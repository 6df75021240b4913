#include "client/production/flow_rec_form.h"

#include <QDate>

#include "client/data/data_module.h"
#include "client/data/dataset.h"

namespace qk::client {

namespace {

FlowRecordConfig receiptRecords() {
  DataModule& m = dm();
  if (!m.staffCDS.active()) m.staffCDS.open();
  if (!m.depCDS.active()) m.depCDS.open();
  using K = RecordEditorKind;
  return {
      .caption = "工序流转数据接收编辑 ",
      .table = "bus_flow_rec",
      .rows =
          {
              {"taskNo", "任务号", K::ReadOnly},
              {"des", "产品描述", K::ReadOnly},
              {"procName", "工序名称", K::ReadOnly},
              {"depName", "部门名称 ", K::ReadOnly},
              {"recQty", "接收数"},
              {"recDesc", "接收情况描述"},
              {"recDep", "接收部门", K::PickList, &m.depCDS, "depName"},
              {"recPerson", "接收人", K::PickList, &m.staffCDS, "staffName"},
              {"sendDep", "发料部门", K::PickList, &m.depCDS, "depName"},
              {"sendPerson", "发料人", K::PickList, &m.staffCDS, "staffName"},
              {"recDate", "日期", K::Date},
          },
      .addLookups = {},
      .newRecord =
          [](Dataset& ds, const FlowRowInfo& row) {
            ds.fieldByName("taskNo").setValue(row.taskNo);
            ds.fieldByName("recDate").setValue(QDate::currentDate().startOfDay());
          },
  };
}

}  // namespace

Tbus_flowRecForm::Tbus_flowRecForm(FlowRowInfo row, QWidget* parent)
    : FlowRecordDialog(receiptRecords(), std::move(row), parent) {}

}  // namespace qk::client
