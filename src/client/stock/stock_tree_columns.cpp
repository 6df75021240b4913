#include "client/stock/stock_tree_columns.h"

#include "client/widgets/data_grid.h"

namespace qk::client {

namespace {

struct Column {
  const char *field, *title;
  int width;
  const char* format;
};

std::vector<GridColumn> columnsOf(std::initializer_list<Column> table) {
  std::vector<GridColumn> out;
  for (const Column& c : table) {
    GridColumn col;
    col.field = c.field;
    col.title = c.title;
    col.width = c.width;
    if (c.format) col.displayFormat = c.format;
    out.push_back(std::move(col));
  }
  return out;
}

}  // namespace

std::vector<GridColumn> ledgerColumns() {
  const char* amount = kStockAmountFormat;
  const char* price = kStockPriceFormat;
  return columnsOf({
      {"y", "年", 80, nullptr},
      {"m", "月", 32, nullptr},
      {"d", "日", 32, nullptr},
      {"gNo", "物料编号", 100, nullptr},
      {"des", "物料描述", 180, nullptr},
      {"gUnit", "计量单位", 60, nullptr},
      {"lowQty", "最低存量", 70, nullptr},
      {"highQty", "最高存量", 70, nullptr},
      {"keyNo", "凭证号", 100, nullptr},
      {"content", "摘要", 90, nullptr},
      {"flag", "类别", 50, nullptr},
      {"planPrice", "计划单价", 100, price},
      {"inQty", "收入|数量", 80, amount},
      {"inUprice", "收入|单价", 100, price},
      {"inMoney", "收入|金额", 100, amount},
      {"outQty", "发出|数量", 80, amount},
      {"outPrice", "发出|单价", 100, price},
      {"outMoney", "发出|金额", 100, amount},
      {"getQty", "结存|数量", 80, amount},
      {"getPrice", "结存|单价", 100, price},
      {"getMoney", "结存|金额", 100, amount},
      {"diffDebit", "材料成本差异|借方", 80, amount},
      {"diffCredit", "材料成本差异|贷方", 80, amount},
      {"diffGet", "材料成本差异|结存", 80, amount},
  });
}

std::vector<GridColumn> stockDetailColumns() {
  return columnsOf({
      {"itemName", "类别", 140, nullptr},
      {"keyNo", "单据号", 110, nullptr},
      {"sysdate", "日期", 140, nullptr},
      {"taskNo", "任务号", 110, nullptr},
      {"qty", "数量", 80, "#,##0.##"},
      {"remark", "备注", 160, nullptr},
  });
}

void previewRows(QWidget* parent, Dataset& rows, const std::vector<GridColumn>& columns,
                 const QString& title) {
  // The tree prints as the grid it is drawn like; the grid is made only for the print.
  DataGrid grid(parent);
  grid.hide();
  grid.setColumns(columns);
  grid.setReadOnly(true);
  grid.setDataset(&rows);
  grid.applyStyle();
  grid.printPreview(title);
  grid.setDataset(nullptr);
}

}  // namespace qk::client
