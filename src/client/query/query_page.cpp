#include "client/query/query_page.h"

#include "client/data/dataset.h"

namespace qk::client {

namespace {
const char* const kPageSql =
    "execute sp_query_page :@TableName, :@FieldList, :@primaryKey,:@Where,:@Order,"
    ":@RecorderCount,:@PageSize,:@PageIndex ,:@TotalCount output ,:@TotalPageCount output";
}  // namespace

PageTotals queryPage(Dataset& ds, const PageRequest& r) {
  ds.setCommandText(kPageSql);
  Params& p = ds.params();
  p.byName("@TableName").value = r.table;
  p.byName("@FieldList").value = r.fields;
  p.byName("@primaryKey").value = r.key;
  p.byName("@Where").value = r.where;
  p.byName("@Order").value = r.order;
  p.byName("@RecorderCount").value = r.knownTotal;
  p.byName("@PageSize").value = r.pageSize;
  p.byName("@PageIndex").value = r.page;
  p.byName("@TotalCount").value = 0;
  p.byName("@TotalPageCount").value = 0;
  ds.open();
  return {static_cast<int>(p.byName("@TotalCount").value.toLongLong()),
          static_cast<int>(p.byName("@TotalPageCount").value.toLongLong())};
}

}  // namespace qk::client
