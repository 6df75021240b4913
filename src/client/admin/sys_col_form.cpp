#include "client/admin/sys_col_form.h"

#include "client/admin/titled_columns.h"

namespace qk::client {

namespace {

LayoutEditorConfig columnLayouts() {
  return {
      .caption = "表格显示设置",
      .rootText = "表格设置",
      .namesSql =
          "select DISTINCT tableCName  from sys_col  where tableCName is not null "
          "order by tableCName",
      .rowsSql = "select * from sys_col where tableCName = :p1 order by rowNo",
      .table = "sys_col",
      .key1 = "colId",
      .positionField = "rowNo",
      .captionField = "fieldCName",
      .defaultCaptionField = "defaultName",
      .columns = titledColumns(
          {{"fieldCName", "列名", 200}, {"visible", "是否显示", 80}, {"width", "列宽", 80}}),
  };
}

}  // namespace

Tsys_colForm::Tsys_colForm(QWidget* parent) : LayoutEditorForm(columnLayouts(), parent) {}

}  // namespace qk::client
