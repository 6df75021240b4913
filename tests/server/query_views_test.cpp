// The stored queries of the query dialog and the views they read: each runs through the paging
// procedure as the dialog runs it, gives the columns that finders and pickers read by name, and
// shows what the documents hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;
using protocol::RecordSet;
using protocol::Value;

const std::vector<std::string> kProductColumns{
    "productNo",   "des",  "productName", "productSize", "productPre", "productMat", "productSta",
    "productUnit", "def1", "def2",        "def3",        "def4",       "def5",       "def6"};
const std::vector<std::string> kLineCopyColumns{"des",  "pName", "pSize", "pPre", "pMat",
                                                "pSta", "pUnit", "def1",  "def2", "def3",
                                                "def4", "def5",  "def6"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Every stored query and the columns that its callers read from a chosen row.
struct StoredQuery {
  std::string id;
  std::vector<std::string> readByCallers;
};
const std::vector<StoredQuery> kQueries{
    {"qry_wh_in", {"keyNo"}},
    {"qry_wh_out", {"keyNo"}},
    {"qry_wh_mo", {"keyNo"}},
    {"qry_wh_view", std::vector<std::string>{"whNo", "uPrice"} + kProductColumns},
    {"qry_bus_po",
     std::vector<std::string>{"keyNo", "psNo", "productNo", "qty"} + kLineCopyColumns},
    {"qry_bus_pi", {"keyNo", "productNo", "psNo", "des", "pUnit"}},
    {"qry_bus_so", std::vector<std::string>{"keyNo", "gsNo", "qty"} + kProductColumns},
    {"qry_bus_so_un", {"keyNo", "gsNo"}},
    {"qry_bus_sd", {"keyNo"}},
    {"qry_bus_task", std::vector<std::string>{"keyNo", "taskNo"} + kProductColumns},
    {"bas_products", std::vector<std::string>{"costPrice"} + kProductColumns},
    {"bas_drawing", {"drwNo"}},
};

bool hasField(const RecordSet& rs, const std::string& name) {
  return std::any_of(rs.fields.begin(), rs.fields.end(),
                     [&](const protocol::FieldDef& f) { return f.name == name; });
}

class QueryViewsTest : public ServerTest {
 protected:
  bool demoData() const override { return true; }

  void SetUp() override {
    ServerTest::SetUp();
    c = newClient();
    ASSERT_EQ(c->login(), "OK");
    barStock =
        text(c->open("select min(productNo) from bas_products where productName = '圆钢'"), 0, 0);
    saveDocuments();
  }
  void TearDown() override {
    c.reset();  // an open keep-alive connection would hold up the server's stop
    ServerTest::TearDown();
  }

  static std::string text(const RecordSet& rs, std::size_t row, std::size_t col) {
    if (row >= rs.rows.size()) return "<no row>";
    const auto* s = std::get_if<std::string>(&rs.rows[row].at(col));
    return s ? *s : "<not text>";
  }
  static double number(const RecordSet& rs, std::size_t row, const std::string& field) {
    for (std::size_t i = 0; i < rs.fields.size(); ++i) {
      if (rs.fields[i].name != field) continue;
      const Value& v = rs.rows.at(row).at(i);
      if (const auto* d = std::get_if<double>(&v)) return *d;
      if (const auto* n = std::get_if<std::int64_t>(&v)) return static_cast<double>(*n);
      return -999999;
    }
    ADD_FAILURE() << "no field " << field;
    return -999999;
  }
  static std::string cell(const RecordSet& rs, std::size_t row, const std::string& field) {
    for (std::size_t i = 0; i < rs.fields.size(); ++i)
      if (rs.fields[i].name == field) return text(rs, row, i);
    return "<no field " + field + ">";
  }

  // A document written the way the document screens write one.
  void save(const std::string& tableA, const Json& master, const std::string& tableB,
            const std::string& keyB1, const std::string& keyB2, const Json& lines) {
    Json detail = Json::array();
    for (const auto& line : lines) detail.push_back({{"op", "insert"}, {"new", line}});
    Json reply =
        c->call(path::kUpdateData, {{"deltaA", {{"rows", {{{"op", "insert"}, {"new", master}}}}}},
                                    {"tableA", tableA},
                                    {"keyA1", "keyNo"},
                                    {"keyA2", ""},
                                    {"deltaB", {{"rows", detail}}},
                                    {"tableB", tableB},
                                    {"keyB1", keyB1},
                                    {"keyB2", keyB2}});
    ASSERT_EQ(reply.value("result", ""), "OK") << tableA;
  }

  void saveDocuments() {
    save("bus_so",
         Json::parse(R"({"keyNo":"XS-25-06-0001","custNo":"KH001","dlvDate":"2025-06-20 00:00:00",
                         "purNo":"HY-778","docDate":"2025-06-05 10:00:00"})"),
         "bus_so_det", "gsNo", "",
         Json::parse(R"([{"gsNo":"25-06-0001","keyNo":"XS-25-06-0001","itemNo":1,
                         "productNo":"PRDS000001","qty":10,"uprice":1200},
                         {"gsNo":"25-06-0002","keyNo":"XS-25-06-0001","itemNo":2,
                         "productNo":"PRDS000002","qty":4,"uprice":800}])"));
    save("bus_sd", Json::parse(R"({"keyNo":"FH-25-06-0001","custNo":"KH001","whNo":"23",
                                   "dDate":"2025-06-10"})"),
         "bus_sd_det", "keyNo", "sdItemNo",
         Json::parse(R"([{"keyNo":"FH-25-06-0001","SDItemNo":1,"gsNo":"25-06-0001",
                         "productNo":"PRDS000001","qty":4,"uprice":1200},
                         {"keyNo":"FH-25-06-0001","SDItemNo":2,"gsNo":"25-06-0002",
                         "productNo":"PRDS000002","qty":4,"uprice":800}])"));
    // Lines of bar stock carry its description as the screens copy it.
    auto barLine = [&](const char* literal) {
      Json line = Json::parse(literal);
      line.update(Json::parse(R"({"des":"圆钢 Φ30 20 GB/T 699","pName":"圆钢","pSize":"Φ30",
                                  "pMat":"20","pSta":"GB/T 699","pUnit":"kg"})"));
      line["productNo"] = barStock;
      return Json::array({line});
    };
    save("bus_po",
         Json::parse(R"({"keyNo":"CG-25-06-0001","supNo":"GYS01","docDate":"2025-06-03 09:00:00",
                         "purDate":"2025-06-15 00:00:00"})"),
         "bus_po_det", "psNo", "",
         barLine(R"({"keyNo":"CG-25-06-0001","POItemNo":1,"psNo":"PO25060001","Qty":500,
                     "uPrice":4.8})"));
    save("bus_pi", Json::parse(R"({"keyNO":"JH-25-06-0001","supNo":"GYS01","whNo":"21",
                                   "PIDate":"2025-06-04 00:00:00"})"),
         "bus_pi_det", "keyNo", "piItemNo",
         barLine(R"({"keyNo":"JH-25-06-0001","PIItemNo":1,"PSNo":"PO25060001","qty":300,
                     "uprice":4.8})"));
    save("bus_task", Json::parse(R"({"keyNo":"RW-25-06-0001","gsNo":"25-06-0001",
                                     "docDate":"2025-06-06 09:00:00"})"),
         "bus_task_det", "taskNo", "",
         Json::parse(R"([{"taskNo":"25-06-0001-01","keyNo":"RW-25-06-0001","itemNo":1,
                         "taskIdNo":1,"gsNo":"25-06-0001","productNo":"PRDS000001",
                         "procNo":"GX01","depNo":"15","qty":10}])"));
    Json mat = Json::parse(R"([{"keyNo":"LL-25-06-0001","itemNo":1,"psNo":"PO25060001",
                               "matDes":"圆钢 Φ30 20 GB/T 699","matUnit":"kg","qty":100,
                               "uPrice":4.8,"taskNo":"25-06-0001-01","pQty":10}])");
    mat[0]["productNo"] = barStock;
    save("wh_mat", Json::parse(R"({"keyNo":"LL-25-06-0001","whNo":"21","moDate":"2025-06-07"})"),
         "wh_mat_det", "keyNo", "ItemNo", mat);
    save("wh_out", Json::parse(R"({"keyNo":"CK-25-06-0001","whNo":"23","docType":"生产领用",
                                   "outDate":"2025-06-08"})"),
         "wh_out_det", "keyNo", "itemNo",
         Json::parse(R"([{"keyNo":"CK-25-06-0001","itemNo":1,"productNo":"PRDS000002","qty":1,
                         "uPrice":425}])"));
    saveReceipt("RK-25-06-0001", "23", "2025-06-09 00:00:00", "PRDS000001", 2, 865);
  }

  void saveReceipt(const std::string& keyNo, const std::string& whNo, const std::string& date,
                   const std::string& productNo, double qty, double price) {
    save("wh_In", {{"keyNo", keyNo}, {"whNo", whNo}, {"docType", "生产入库"}, {"inDate", date}},
         "wh_in_det", "keyNo", "ItemNo",
         {{{"keyNo", keyNo},
           {"itemNo", 1},
           {"taskNo", ""},
           {"productNo", productNo},
           {"qty", qty},
           {"uPrice", price},
           {"pName", "试"}}});
  }

  // The statement and parameters of the query dialog; an error comes back as its text.
  struct Page {
    RecordSet rs;
    std::string error;
    std::int64_t total = -1;
  };
  Page page(const std::string& source, const std::string& fields, const std::string& key,
            const std::string& where, const std::string& order, int size = 100) {
    auto r = c->post(path::kOpen, queryPageRequest(source, fields, key, where, order, size, 1));
    Page p;
    if (auto e = protocol::errorOf(r.body)) {
      p.error = *e;
      return p;
    }
    p.rs = protocol::fromJson<RecordSet>(r.body);
    p.total = std::get<std::int64_t>(p.rs.outParams.at("@TotalCount"));
    return p;
  }

  struct Definition {
    std::string preSQL, keyName, sortName, fieldList;
  };
  // Reads a definition the way the query and conditions dialogs read it.
  Definition definition(const std::string& id) {
    Definition d;
    auto head = c->open("select * from sys_filter_sql where tableName = '" + id + "' ");
    if (head.rows.empty()) return d;
    d.preSQL = cell(head, 0, "preSQL");
    d.keyName = cell(head, 0, "keyName");
    d.sortName = cell(head, 0, "sortName");
    auto fields = c->open("select * from sys_filter  where tableName = '" + id + "'");
    for (std::size_t r = 0; r < fields.rows.size(); ++r)
      d.fieldList += (d.fieldList.empty() ? "" : ",") + cell(fields, r, "fieldName");
    return d;
  }
  Page run(const std::string& id, const std::string& where = "") {
    Definition d = definition(id);
    return page(d.preSQL, d.fieldList, d.keyName, where, d.sortName);
  }

  std::unique_ptr<ApiClient> c;
  std::string barStock;
};

TEST_F(QueryViewsTest, EveryStoredQueryRunsWithItsFieldsAndGivesWhatCallersRead) {
  for (const StoredQuery& q : kQueries) {
    SCOPED_TRACE(q.id);
    Definition d = definition(q.id);
    ASSERT_FALSE(d.preSQL.empty()) << "no definition";
    Page p = page(d.preSQL, d.fieldList, d.keyName, "", d.sortName);
    ASSERT_EQ(p.error, "");
    EXPECT_GT(p.total, 0) << "the demo set and the saved documents give every query rows";
    EXPECT_EQ(p.rs.rows.size(), static_cast<std::size_t>(std::min<std::int64_t>(p.total, 100)));
    for (const std::string& column : q.readByCallers)
      EXPECT_TRUE(hasField(p.rs, column)) << column << " missing from " << d.fieldList;
  }
}

TEST_F(QueryViewsTest, ConditionFieldsAndTheirValueListsWorkOnTheQuerySource) {
  for (const StoredQuery& q : kQueries) {
    SCOPED_TRACE(q.id);
    auto fields = c->open("select * from sys_filter where showIncondition = 1 and tableName = '" +
                          q.id + "' order by ord");
    ASSERT_FALSE(fields.rows.empty()) << "a query without conditions";
    // One condition per field, as the dialog writes them with a value typed in every row.
    std::string where;
    for (std::size_t r = 0; r < fields.rows.size(); ++r) {
      const std::string name = cell(fields, r, "fieldName");
      const std::string type = cell(fields, r, "type");
      std::string condition;
      if (type == "date")
        condition = name + " >= '2026-01-01' and " + name + " <= '2026-12-31 23:59:59'";
      else if (type == "char")
        condition = name + " like '%阀%'";
      else if (type == "float" || type == "int")
        condition = name + " >= 0";
      else
        ADD_FAILURE() << name << " has condition type '" << type << "'";
      where += (where.empty() ? "" : " or ") + condition;
      const std::string source = cell(fields, r, "dataSource");
      if (!source.empty()) {
        RecordSet values = c->open(source, Json::object(), "tmpDSP");
        EXPECT_FALSE(values.rows.empty()) << name << ": " << source << " offers nothing";
      }
    }
    Page p = run(q.id, where);
    EXPECT_EQ(p.error, "") << where;
  }
}

TEST_F(QueryViewsTest, DefinitionsCanBeFoundByTheirCaptions) {
  // The report centre finds a query by its caption in the tree, the conditions dialog a field by
  // its caption: both must be unique.
  auto queries = c->open(
      "select tableCName, count(*) as n from sys_filter_sql group by tableCName "
      "having count(*) > 1");
  EXPECT_TRUE(queries.rows.empty()) << text(queries, 0, 0);
  auto fields = c->open(
      "select tableName, fieldCName from sys_filter group by tableName, fieldCName "
      "having count(*) > 1");
  EXPECT_TRUE(fields.rows.empty()) << text(fields, 0, 0) << " " << text(fields, 0, 1);
  auto tree =
      c->open("select tableName from sys_filter_sql where category is null or category = ''");
  EXPECT_TRUE(tree.rows.empty()) << text(tree, 0, 0) << " is missing from the report centre";
  auto order = c->open(
      "select tableName from sys_filter group by tableName "
      "having count(distinct ord) <> count(*) or min(ord) <> 0 or max(ord) <> count(*) - 1");
  EXPECT_TRUE(order.rows.empty()) << text(order, 0, 0) << " is not numbered 0..n-1";
}

TEST_F(QueryViewsTest, ProductDescriptionJoinsTheGivenPartsWithinTwoHundredCharacters) {
  const std::string fifty(50, 'x');
  c->execute(
      "insert into bas_products (productNo, productName, productSize, productPre, productMat, "
      "productSta) values ('T1', '闸阀', 'DN50', 'PN16', 'WCB', 'GB/T 12234'), "
      "('T2', ' 球阀 ', '', null, 'CF8', ''), ('T3', null, 'DN80', null, null, null), "
      "('T4', :f, :f, :f, :f, :f)",
      {{"f", fifty}});
  auto des = [&](const std::string& no) {
    return text(c->open("select des from view_bas_prd_des where productNo = :p", {{"p", no}}), 0,
                0);
  };
  EXPECT_EQ(des("T1"), "闸阀 DN50 PN16 WCB GB/T 12234");
  EXPECT_EQ(des("T2"), "球阀 CF8") << "empty parts leave no double blanks";
  EXPECT_EQ(des("T3"), "DN80");
  EXPECT_EQ(des("T4"),
            (fifty + " " + fifty + " " + fifty + " " + fifty + " " + fifty).substr(0, 200));
  EXPECT_EQ(des("t1"), "闸阀 DN50 PN16 WCB GB/T 12234") << "numbers match in any case";
  EXPECT_EQ(des("none"), "<no row>");
  auto longest = c->open("select max(length(des)) as n from view_bas_prd_des");
  EXPECT_EQ(number(longest, 0, "n"), 200);

  // Every column of the products, then the description.
  auto products = c->open("select * from bas_products where 1 = 0");
  auto view = c->open("select * from view_bas_prd_des where productNo = 'love'");
  ASSERT_EQ(view.fields.size(), products.fields.size() + 1);
  for (std::size_t i = 0; i < products.fields.size(); ++i)
    EXPECT_EQ(view.fields[i], products.fields[i]) << "name, type and size as the table's";
  EXPECT_EQ(view.fields.back().name, "des");
}

TEST_F(QueryViewsTest, ASavedReceiptAppearsInTheReceiptQueryAndInTheStock) {
  c->execute(
      "insert into wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice) "
      "values ('22', '半成品仓', 'PRDS000003', 10, 2.5, 10, 2.5)");
  saveReceipt("RK-25-06-0002", "22", "2025-06-11 00:00:00", "PRDS000003", 5, 4);

  Page in = run("qry_wh_in", "keyNo = 'RK-25-06-0002'");
  ASSERT_EQ(in.error, "");
  ASSERT_EQ(in.rs.rows.size(), 1u);
  EXPECT_EQ(cell(in.rs, 0, "whName"), "半成品仓");
  EXPECT_EQ(cell(in.rs, 0, "inDate"), "2025-06-11 00:00:00");
  EXPECT_EQ(number(in.rs, 0, "amount"), 20);

  auto stock = [&] {
    Page p = run("qry_wh_view", "whNo = '22' and productNo = 'PRDS000003'");
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.rs.rows.size(), 1u);
    return p.rs;
  };
  RecordSet s = stock();
  ASSERT_EQ(s.rows.size(), 1u);
  EXPECT_EQ(number(s, 0, "initQty"), 10);
  EXPECT_EQ(number(s, 0, "inQty"), 5);
  EXPECT_EQ(number(s, 0, "qty"), 15);
  EXPECT_EQ(number(s, 0, "uPrice"), 3) << "(10 × 2.5 + 5 × 4) / 15";
  EXPECT_EQ(number(s, 0, "amount"), 45);
  EXPECT_EQ(cell(s, 0, "des"), text(c->open("select des from view_bas_prd_des where "
                                            "productNo = 'PRDS000003'"),
                                    0, 0));

  save("wh_out", Json::parse(R"({"keyNo":"CK-25-06-0002","whNo":"22","docType":"生产领用",
                                 "outDate":"2025-06-12"})"),
       "wh_out_det", "keyNo", "itemNo",
       Json::parse(R"([{"keyNo":"CK-25-06-0002","itemNo":1,"productNo":"prds000003","qty":3,
                       "uPrice":3}])"));
  s = stock();
  ASSERT_EQ(s.rows.size(), 1u) << "a number typed in another case is the same product";
  EXPECT_EQ(number(s, 0, "qty"), 12);
  EXPECT_EQ(number(s, 0, "uPrice"), 3) << "issues leave the average price";
  EXPECT_EQ(number(s, 0, "amount"), 36);

  // A product never stocked in a warehouse but issued from it shows the shortfall.
  Page shortfall = run("qry_wh_view", "whNo = '23' and productNo = 'PRDS000002'");
  ASSERT_EQ(shortfall.rs.rows.size(), 1u);
  EXPECT_EQ(number(shortfall.rs, 0, "qty"), -5) << "one issued, four delivered";
}

TEST_F(QueryViewsTest, ConditionsFromTheFilterDialogSelectByDateAndContainment) {
  saveReceipt("RK-25-05-0002", "23", "2025-05-30 16:00:00", "PRDS000001", 1, 865);
  saveReceipt("RK-25-06-0002", "23", "2025-06-01 00:00:00", "PRDS000001", 1, 865);
  saveReceipt("RK-25-06-0003", "23", "2025-06-31 23:59:59", "PRDS000010", 1, 865);
  auto keys = [&](const std::string& where) {
    Page p = run("qry_wh_in", where);
    EXPECT_EQ(p.error, "") << where;
    std::vector<std::string> k;
    for (std::size_t r = 0; r < p.rs.rows.size(); ++r) k.push_back(cell(p.rs, r, "keyNo"));
    return k;
  };
  using Keys = std::vector<std::string>;
  EXPECT_EQ(keys("inDate >= '2025-06-01 00:00:00' and inDate <= '2025-06-31 23:59:59' and "
                 "productNo like '%X%'"),
            Keys{});
  EXPECT_EQ(keys("inDate >= '2025-06-01 00:00:00' and inDate <= '2025-06-31 23:59:59' and "
                 "productNo like '%prds0000%'"),
            (Keys{"RK-25-06-0001", "RK-25-06-0002", "RK-25-06-0003"}))
      << "containment ignores case; the bounds take in the first and the last second";
  EXPECT_EQ(keys("inDate >= '2025-06-01'  and inDate <= '2025-06-31 23:59:59'  and "
                 "productNo like '%000001%'"),
            (Keys{"RK-25-06-0001", "RK-25-06-0002"}))
      << "a bound at midnight is written as the date alone";
  EXPECT_EQ(keys("whName like '%成品仓%' and docType like '%生产%' and qty = 1 and "
                 "keyNo like 'RK-25-%'"),
            (Keys{"RK-25-05-0002", "RK-25-06-0002", "RK-25-06-0003"}));
}

TEST_F(QueryViewsTest, OpenQuantitiesFollowDeliveriesAndReceipts) {
  auto undelivered = [&] {
    Page p = run("qry_bus_so_un", "keyNo = 'XS-25-06-0001'");
    EXPECT_EQ(p.error, "");
    return p;
  };
  Page open = undelivered();
  ASSERT_EQ(open.rs.rows.size(), 1u) << "25-06-0002 is delivered in full";
  EXPECT_EQ(cell(open.rs, 0, "gsNo"), "25-06-0001");
  EXPECT_EQ(number(open.rs, 0, "dQty"), 4);
  EXPECT_EQ(number(open.rs, 0, "unQty"), 6);

  // The detail of an undelivered order: the whole order, straight from the order view.
  Definition so = definition("qry_bus_so");
  Page order = page("view_qry_bus_so", "*", so.keyName,
                    " keyNo = '" + cell(open.rs, 0, "keyNo") + "'", so.sortName, 1000);
  ASSERT_EQ(order.error, "");
  ASSERT_EQ(order.rs.rows.size(), 2u);
  EXPECT_EQ(cell(order.rs, 0, "gsNo"), "25-06-0001");
  EXPECT_EQ(cell(order.rs, 1, "gsNo"), "25-06-0002");

  save("bus_sd", Json::parse(R"({"keyNo":"FH-25-06-0002","custNo":"KH001","whNo":"23"})"),
       "bus_sd_det", "keyNo", "sdItemNo",
       Json::parse(R"([{"keyNo":"FH-25-06-0002","SDItemNo":1,"gsNo":"25-06-0001",
                       "productNo":"PRDS000001","qty":6}])"));
  EXPECT_TRUE(undelivered().rs.rows.empty());

  Page po = run("qry_bus_po", "psNo = 'PO25060001'");
  ASSERT_EQ(po.rs.rows.size(), 1u);
  EXPECT_EQ(number(po.rs, 0, "qty"), 500);
  EXPECT_EQ(number(po.rs, 0, "inQty"), 300);
  EXPECT_EQ(number(po.rs, 0, "unQty"), 200);
}

TEST_F(QueryViewsTest, PickedRowsCarryWhatTheScreensCopyIntoTheirLines) {
  // Purchase-receipt and inspection pickers copy the order line's batch, quantity and copies.
  Page po = run("qry_bus_po", "keyNo = 'CG-25-06-0001'");
  ASSERT_EQ(po.rs.rows.size(), 1u);
  EXPECT_EQ(cell(po.rs, 0, "psNo"), "PO25060001");
  EXPECT_EQ(cell(po.rs, 0, "supName"), "江阴华兴特钢有限公司");
  EXPECT_EQ(cell(po.rs, 0, "des"), "圆钢 Φ30 20 GB/T 699");
  EXPECT_EQ(cell(po.rs, 0, "pUnit"), "kg");
  // Typing a batch reads the same view by batch number.
  auto batch = c->open(
      "select productNo,des,pName,pSize,pPre,pMat,pSta,pUnit,def1,def2,def3,def4,def5,def6   "
      "from view_qry_bus_po where psNo = :p1",
      {{"p1", "po25060001"}});
  ASSERT_EQ(batch.rows.size(), 1u);
  EXPECT_EQ(cell(batch, 0, "productNo"), barStock);

  // The material-issue picker takes the batch from the purchase receipts.
  Page pi = run("qry_bus_pi", "keyNo = 'JH-25-06-0001'");
  ASSERT_EQ(pi.rs.rows.size(), 1u);
  EXPECT_EQ(cell(pi.rs, 0, "psNo"), "PO25060001");
  EXPECT_EQ(cell(pi.rs, 0, "whName"), "原材料仓");

  // Task pickers fill product descriptions as typing the task number would: from the product.
  const RecordSet product = c->open(
      "select productNo,des,productName,productSize,productPre,productMat,productSta,"
      "productUnit,def1,def2,def3,def4,def5,def6   from view_bas_prd_des where productNo = :p1",
      {{"p1", "PRDS000001"}});
  ASSERT_EQ(product.rows.size(), 1u);
  Page task = run("qry_bus_task", "keyNo = 'RW-25-06-0001'");
  ASSERT_EQ(task.rs.rows.size(), 1u);
  EXPECT_EQ(cell(task.rs, 0, "taskNo"), "25-06-0001-01");
  EXPECT_EQ(cell(task.rs, 0, "procName"), "下料");
  EXPECT_EQ(cell(task.rs, 0, "depName"), "装配车间");
  for (const std::string& column : kProductColumns)
    EXPECT_EQ(cell(task.rs, 0, column), cell(product, 0, column)) << column;

  // Delivery and certificate screens read the order line by item number.
  auto item = c->open("select * from view_qry_bus_so where gsNo = '25-06-0001'");
  ASSERT_EQ(item.rows.size(), 1u);
  EXPECT_EQ(cell(item, 0, "purNo"), "HY-778");
  EXPECT_EQ(cell(item, 0, "dlvDate"), "2025-06-20 00:00:00");
  EXPECT_EQ(cell(item, 0, "custName"), "江苏华远化工有限公司");
  EXPECT_EQ(cell(item, 0, "des"), cell(product, 0, "des"));
  EXPECT_EQ(number(item, 0, "qty"), 10);

  // The delivery query names the customer's order number of each delivered item.
  Page sd = run("qry_bus_sd", "keyNo = 'FH-25-06-0001'");
  ASSERT_EQ(sd.rs.rows.size(), 2u);
  EXPECT_EQ(cell(sd.rs, 0, "purNo"), "HY-778");
  EXPECT_EQ(number(sd.rs, 0, "amount"), 4800);

  // The material issue shows the material and the task it went to.
  Page mo = run("qry_wh_mo", "keyNo = 'LL-25-06-0001'");
  ASSERT_EQ(mo.rs.rows.size(), 1u);
  EXPECT_EQ(cell(mo.rs, 0, "matDes"), "圆钢 Φ30 20 GB/T 699");
  EXPECT_EQ(cell(mo.rs, 0, "taskNo"), "25-06-0001-01");

  // The drawing picker lists drawings with their product's description.
  Page drawings = run("bas_drawing", "productNo = 'PRDS000001'");
  ASSERT_EQ(drawings.error, "");
  ASSERT_FALSE(drawings.rs.rows.empty());
  EXPECT_EQ(cell(drawings.rs, 0, "des"), cell(product, 0, "des"));
}

// "YY-MM" of the month `back` months before this one: the demo dates its documents in this
// month and the two before, and numbers them by their month.
std::string demoMonth(int back) {
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  localtime_r(&t, &now);
  const int index = (now.tm_year + 1900) * 12 + now.tm_mon - back;
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d-%02d", index / 12 % 100, index % 12 + 1);
  return buf;
}

// The warehouse documents of the demo set.
std::string demoDocuments() {
  return "('RK-" + demoMonth(1) + "-0001', 'RK-" + demoMonth(0) + "-0001', 'CK-" + demoMonth(1) +
         "-0001', 'CK-" + demoMonth(0) + "-0001')";
}

TEST_F(QueryViewsTest, LineViewsOfWarehouseDocumentsAreTheirTables) {
  // The screens save what they read from the views into the tables: a column the table lacks,
  // misses or names differently would break every save.
  for (const auto& [view, table] :
       {std::pair{"view_up_wh_in", "wh_in_det"}, std::pair{"view_up_wh_out", "wh_out_det"}}) {
    SCOPED_TRACE(view);
    const RecordSet v = c->open(std::string("select * from ") + view + " where 1 = 0");
    const RecordSet t = c->open(std::string("select * from ") + table + " where 1 = 0");
    ASSERT_EQ(v.fields.size(), t.fields.size());
    for (std::size_t i = 0; i < t.fields.size(); ++i)
      EXPECT_EQ(v.fields[i], t.fields[i]) << "name, type and size as the table's";
    const std::string lines = " where keyNo in " + demoDocuments();
    const std::string order = " order by keyNo, itemNo";
    const RecordSet viewRows = c->open(std::string("select * from ") + view + lines + order);
    EXPECT_FALSE(viewRows.rows.empty()) << "the demo documents have lines";
    EXPECT_EQ(viewRows.rows, c->open(std::string("select * from ") + table + lines + order).rows);
  }
}

TEST_F(QueryViewsTest, LineLayoutsOfWarehouseDocumentsShowEveryColumnOfTheirView) {
  for (const auto& [layout, view] :
       {std::pair{"wh_In_det", "view_up_wh_in"}, std::pair{"wh_Out_det", "view_up_wh_out"}}) {
    SCOPED_TRACE(layout);
    const RecordSet rows =
        c->open("select * from sys_col where tableName = :t order by rowNo", {{"t", layout}});
    const RecordSet columns = c->open(std::string("select * from ") + view + " where 1 = 0");
    // Every column of the lines once, and the amount the screen computes.
    ASSERT_EQ(rows.rows.size(), columns.fields.size() + 1);
    std::set<std::string> shown;
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
      const std::string field = cell(rows, r, "fieldName");
      EXPECT_EQ(number(rows, r, "rowNo"), static_cast<double>(r)) << field;
      EXPECT_TRUE(field == "amount" || hasField(columns, field)) << field << " not in " << view;
      EXPECT_TRUE(shown.insert(field).second) << field << " shown twice";
    }
  }
}

TEST_F(QueryViewsTest, DemoDocumentsMoveTheStockAndTheirTaskIsListed) {
  const std::string item = demoMonth(2) + "-0001";
  // The body castings bought two months ago and issued last month to the bodies' task line, in
  // the raw-material warehouse that also holds their opening stock.
  const RecordSet issued =
      c->open("select productNo, qty from wh_mat_det where keyNo = :k and taskNo = :t",
              {{"k", "LL-" + demoMonth(1) + "-0001"}, {"t", item + "-02"}});
  ASSERT_EQ(issued.rows.size(), 1u);
  const std::string casting = text(issued, 0, 0);
  const RecordSet opening = c->open(
      "select initQty from wh_stock where whNo = '21' and productNo = :p", {{"p", casting}});
  ASSERT_EQ(opening.rows.size(), 1u) << "castings always have opening stock";
  const double initQty = number(opening, 0, "initQty");

  Page stock = run("qry_wh_view", "whNo = '21' and productNo = '" + casting + "'");
  ASSERT_EQ(stock.error, "");
  ASSERT_EQ(stock.rs.rows.size(), 1u);
  EXPECT_EQ(number(stock.rs, 0, "initQty"), initQty);
  EXPECT_EQ(number(stock.rs, 0, "inQty"), 20);
  EXPECT_EQ(number(stock.rs, 0, "outQty"), 10);
  EXPECT_EQ(number(stock.rs, 0, "qty"), initQty + 20 - 10);
  EXPECT_EQ(cell(stock.rs, 0, "whName"), "原材料仓");
  // The purchase order of the castings is received in full.
  Page bought =
      run("qry_bus_po", "keyNo = 'CG-" + demoMonth(2) + "-0001' and productNo = '" + casting + "'");
  ASSERT_EQ(bought.rs.rows.size(), 1u);
  EXPECT_EQ(number(bought.rs, 0, "inQty"), 20);
  EXPECT_EQ(number(bought.rs, 0, "unQty"), 0);

  // The finished valves went into the finished-goods warehouse against the assembly line.
  Page finished = run("qry_wh_in", "keyNo = 'RK-" + demoMonth(1) + "-0001'");
  ASSERT_EQ(finished.rs.rows.size(), 3u);
  EXPECT_EQ(cell(finished.rs, 0, "taskNo"), item + "-01");
  EXPECT_EQ(cell(finished.rs, 0, "whName"), "成品仓");
  EXPECT_EQ(cell(finished.rs, 0, "docType"), "生产入库");

  // Every line's copies are its product's description and its price the product's cost.
  for (const char* table : {"wh_in_det", "wh_out_det"}) {
    const RecordSet stale =
        c->open(std::string("select d.keyNo, d.itemNo from ") + table +
                " d join view_bas_prd_des p on p.productNo = d.productNo "
                "where d.keyNo in " +
                demoDocuments() +
                " and not ("
                "d.des = p.des and d.pName = p.productName and d.pSize = p.productSize and "
                "d.pPre = p.productPre and d.pMat = p.productMat and d.pSta = p.productSta and "
                "d.pUnit = p.productUnit and d.def1 = p.def1 and d.def2 = p.def2 and "
                "d.uPrice = p.costPrice)");
    EXPECT_TRUE(stale.rows.empty()) << table << " " << text(stale, 0, 0);
  }

  Page task = run("qry_bus_task", "keyNo = 'RW-" + demoMonth(2) + "-0001'");
  ASSERT_EQ(task.error, "");
  ASSERT_EQ(task.rs.rows.size(), 2u);
  const std::vector<std::string> taskNos{item + "-01", item + "-02"};
  for (std::size_t r = 0; r < task.rs.rows.size(); ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(cell(task.rs, r, "taskNo"), taskNos[r]);
    EXPECT_EQ(cell(task.rs, r, "gsNo"), item);
    EXPECT_EQ(number(task.rs, r, "qty"), 10);
    const RecordSet product = c->open("select * from view_bas_prd_des where productNo = :p",
                                      {{"p", cell(task.rs, r, "productNo")}});
    ASSERT_EQ(product.rows.size(), 1u);
    for (const std::string& column : kProductColumns) {
      EXPECT_EQ(cell(task.rs, r, column), cell(product, 0, column)) << column;
    }
    for (const char* column :
         {"des", "productName", "productSize", "productUnit", "procName", "depName", "taskIdName"})
      EXPECT_NE(cell(task.rs, r, column), "") << column;
  }
  // The task makes the demo order's item, of which six of ten are delivered.
  Page order = run("qry_bus_so_un", "gsNo = '" + item + "'");
  ASSERT_EQ(order.rs.rows.size(), 1u);
  EXPECT_EQ(cell(order.rs, 0, "productNo"), cell(task.rs, 0, "productNo"));
  EXPECT_EQ(number(order.rs, 0, "dQty"), 6);
  EXPECT_EQ(number(order.rs, 0, "unQty"), 4);
}

TEST_F(QueryViewsTest, EveryQueryShowsDemoDocumentsWithItsDefaultPeriodThisMonth) {
  // The conditions dialog proposes this month for a query's date condition.
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  localtime_r(&t, &now);
  char first[32], nowText[32];
  std::strftime(first, sizeof first, "%Y-%m-01 00:00:00", &now);
  std::strftime(nowText, sizeof nowText, "%Y-%m-%d %H:%M:%S", &now);
  auto dated = c->open(
      "select tableName, fieldName from sys_filter where showInCondition = 1 and type = 'date' "
      "order by tableName");
  ASSERT_GE(dated.rows.size(), 8u);
  for (std::size_t r = 0; r < dated.rows.size(); ++r) {
    const std::string id = text(dated, r, 0), field = text(dated, r, 1);
    SCOPED_TRACE(id + "." + field);
    // Nothing of the demo lies ahead of today, so the month up to now is the whole month's rows.
    Page month = run(id, field + " >= '" + first + "' and " + field + " <= '" + nowText + "'");
    ASSERT_EQ(month.error, "");
    EXPECT_GT(month.total, 0);
    Page later = run(id, field + " > '" + nowText + "'");
    EXPECT_EQ(later.total, 0);
  }
}

}  // namespace
}  // namespace qk::test
