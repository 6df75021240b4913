#include "client/admin/sys_qry_set_form.h"

#include "client/admin/titled_columns.h"

namespace qk::client {

namespace {

LayoutEditorConfig queryFields() {
  return {
      .caption = "查询显示设置",
      .rootText = "综合查询",
      .namesSql = "select   tableCName  from   sys_filter_sql    order by idx ",
      .rowsSql =
          "select f.* from sys_filter f join sys_filter_sql s on s.tableName = f.tableName "
          "where s.tableCName = :p1 order by f.ord",
      .table = "sys_filter",
      .key1 = "tableName",
      .key2 = "fieldName",
      .positionField = "ord",
      .captionField = "fieldCName",
      .defaultCaptionField = "dispName",
      .uniqueCaptions = true,
      .columns = titledColumns({{"fieldCName", "列名", 180},
                                {"width", "列宽", 70},
                                {"showInCondition", "在条件中显示", 100},
                                {"showInResult", "在结果中显示", 100}}),
  };
}

}  // namespace

Tsys_qry_setForm::Tsys_qry_setForm(QWidget* parent) : LayoutEditorForm(queryFields(), parent) {}

}  // namespace qk::client
