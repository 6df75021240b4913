// The client Dataset and its grid model against a real server: change logs and what they send,
// applying with refused rows, calculated and lookup fields, the client-side view, parameters,
// hooks, and the model a grid shows.
#include <QDateTime>
#include <QRegularExpression>
#include <ostream>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/data/dataset_model.h"
#include "connection_fixture.h"
#include "server/procedures/registry.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using client::Abort;
using client::DataError;
using client::Dataset;
using client::DatasetModel;
using client::Field;
using client::Record;
using client::RowError;
using protocol::ChangeOp;
using protocol::FieldType;
using protocol::Value;
using State = Dataset::State;

std::string text(const Value& v) {
  return protocol::isNull(v) ? std::string("<null>") : protocol::toDisplayText(v);
}

class DatasetTest : public ConnectedTest {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    loginAdmin();
  }

  // Customers C1..C3 named 甲, 乙, 丙.
  void seedCustomers() {
    exec(
        "insert into bas_cust (custNo, custName, contact) values "
        "('C1', '甲', '张'), ('C2', '乙', '李'), ('C3', '丙', null)");
  }
  // What the database holds, read through a session of its own.
  std::vector<std::string> stored(const std::string& sql) {
    auto probe = newClient();
    probe->login();
    std::vector<std::string> out;
    for (const auto& row : probe->open(sql).rows) {
      std::string line;
      for (const auto& v : row) line += (line.empty() ? "" : "|") + text(v);
      out.push_back(line);
    }
    return out;
  }
  std::unique_ptr<Dataset> customers() {
    auto ds = std::make_unique<Dataset>(*conn_, "custDSP");
    ds->open();
    return ds;
  }
  std::unique_ptr<Dataset> seededCustomers() {
    seedCustomers();
    return customers();
  }
  static QStringList column(Dataset& ds, const QString& field) {
    QStringList out;
    for (int i = 0; i < ds.recordCount(); ++i) out << ds.valueAt(i, field).toString();
    return out;
  }
};

void setField(Dataset& ds, const char* name, const QVariant& v) {
  ds.fieldByName(name).setValue(v);
}

// ---- failures the user reads ----------------------------------------------------------------

TEST_F(DatasetTest, ServerFailuresArriveWithTheirCode) {
  seedCustomers();
  auto failure = [&](const QString& sql) {
    Dataset ds(*conn_, "pubDSP");
    ds.setCommandText(sql);
    try {
      ds.execute();
    } catch (const DataError& e) {
      return e.code() + " " + e.text();
    }
    return QString("<ran>");
  };
  EXPECT_EQ(failure("insert into bas_cust (custNo) values ('c1')"),
            "duplicate 重复的编号：客户资料中已有相同客户编号的记录");
  EXPECT_EQ(failure("drop table bas_cust"),
            "refused 服务器拒绝执行此语句：不允许修改数据库结构 (CREATE/DROP)");

  // The document methods answer the text with its code and the table that refused.
  auto ds = customers();
  ds->append();
  setField(*ds, "custNo", "C2");
  ds->post();
  const client::ServerReply refused = conn_->updateBasData(ds->delta(), "bas_cust", "custNo", "");
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(QString(refused), "重复的编号：客户资料中已有客户编号为“C2”的记录");
  EXPECT_EQ(refused.code, "duplicate");
  EXPECT_EQ(refused.table, "bas_cust");
  ds->edit();
  setField(*ds, "custNo", "C4");
  ds->post();
  const client::ServerReply ok = conn_->updateBasData(ds->delta(), "bas_cust", "custNo", "");
  EXPECT_TRUE(ok.ok());
  EXPECT_EQ(ok.code, "");
}

TEST_F(DatasetTest, TransportFailuresAreToldInChinese) {
  client::Connection nowhere("http://127.0.0.1:1");
  EXPECT_EQ(dataErrorOf([&] { nowhere.open(); }),
            "无法连接到应用服务器 http://127.0.0.1:1：无法建立连接，"
            "请确认应用服务器已启动、地址和端口正确");
  // The server goes away in the middle of a session.
  stopServer();
  try {
    customers();
    FAIL() << "the server is gone";
  } catch (const DataError& e) {
    const QString head = QString("与应用服务器 %1 的连接中断：").arg(conn_->url());
    ASSERT_TRUE(e.text().startsWith(head)) << e.text().toStdString();
    EXPECT_FALSE(e.text().mid(head.size()).contains(QRegularExpression("[A-Za-z]")))
        << e.text().toStdString();
  }
}

// ---- change log -----------------------------------------------------------------------------

TEST_F(DatasetTest, ChangeLogKeepsOneEntryPerRecordWhateverTheEditSequence) {
  auto ds = seededCustomers();

  ds->append();  // inserted, then edited: still one insert with the latest values
  setField(*ds, "custNo", "C9");
  setField(*ds, "custName", "初名");
  ds->post();
  ds->edit();
  setField(*ds, "custName", "改名");
  ds->post();

  ds->append();  // inserted, then deleted: nothing
  setField(*ds, "custNo", "C8");
  ds->post();
  ds->remove();

  ASSERT_TRUE(ds->locate("custNo", "C2"));  // modified: old image whole, new only what changed
  ds->edit();
  setField(*ds, "contact", "王");
  ds->post();

  ASSERT_TRUE(ds->locate("custNo", "C1"));  // modified, then deleted: a delete with the originals
  ds->edit();
  setField(*ds, "custName", "临时");
  ds->post();
  ds->remove();

  EXPECT_EQ(ds->changeCount(), 3);
  const protocol::Delta delta = ds->delta();
  ASSERT_EQ(delta.rows.size(), 3u);

  const auto& insert = delta.rows[0];
  EXPECT_EQ(insert.op, ChangeOp::Insert);
  EXPECT_EQ(text(insert.newValues.at("custNo")), "C9");
  EXPECT_EQ(text(insert.newValues.at("custName")), "改名");
  EXPECT_EQ(insert.newValues.size(), static_cast<std::size_t>(ds->fieldCount()));
  EXPECT_TRUE(protocol::isNull(insert.newValues.at("tel")));
  EXPECT_TRUE(insert.oldValues.empty());

  const auto& update = delta.rows[1];
  EXPECT_EQ(update.op, ChangeOp::Update);
  EXPECT_EQ(update.oldValues.size(), static_cast<std::size_t>(ds->fieldCount()));
  EXPECT_EQ(text(update.oldValues.at("custNo")), "C2");
  EXPECT_EQ(text(update.oldValues.at("contact")), "李");
  ASSERT_EQ(update.newValues.size(), 1u);
  EXPECT_EQ(text(update.newValues.at("contact")), "王");

  const auto& del = delta.rows[2];
  EXPECT_EQ(del.op, ChangeOp::Delete);
  EXPECT_EQ(text(del.oldValues.at("custNo")), "C1");
  EXPECT_EQ(text(del.oldValues.at("custName")), "甲");
  EXPECT_TRUE(del.newValues.empty());
}

TEST_F(DatasetTest, UnpostedEditsAndEditsBackToTheOriginalSendNothing) {
  auto ds = seededCustomers();
  ds->edit();
  setField(*ds, "custName", "新");
  EXPECT_EQ(ds->changeCount(), 0);  // not posted yet
  EXPECT_TRUE(ds->delta().empty());
  ds->post();
  EXPECT_EQ(ds->changeCount(), 1);
  ds->edit();
  setField(*ds, "custName", "甲");
  ds->post();
  EXPECT_EQ(ds->changeCount(), 0);

  ds->append();
  setField(*ds, "custNo", "C9");
  EXPECT_EQ(ds->changeCount(), 0);  // an insert counts once posted
  ds->post();
  EXPECT_EQ(ds->changeCount(), 1);
}

TEST_F(DatasetTest, CancelRevertsAnEditAndDropsANewRecord) {
  auto ds = seededCustomers();
  ASSERT_TRUE(ds->locate("custNo", "C2"));
  ds->edit();
  setField(*ds, "custName", "改");
  setField(*ds, "contact", QVariant());
  ds->cancel();
  EXPECT_EQ(ds->state(), State::Browse);
  EXPECT_EQ(ds->fieldByName("custName").asString(), "乙");
  EXPECT_EQ(ds->fieldByName("contact").asString(), "李");
  EXPECT_EQ(ds->changeCount(), 0);

  ds->append();
  setField(*ds, "custNo", "C9");
  EXPECT_EQ(ds->recordCount(), 4);
  ds->cancel();
  EXPECT_EQ(ds->recordCount(), 3);
  EXPECT_EQ(ds->fieldByName("custNo").asString(), "C2");  // back where the user was
  EXPECT_EQ(ds->changeCount(), 0);

  ds->insert();  // before the current record
  EXPECT_EQ(ds->recNo(), 2);
  ds->remove();  // a record never posted just goes
  EXPECT_EQ(ds->state(), State::Browse);
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C2", "C3"}));
}

TEST_F(DatasetTest, CancelUpdatesRestoresTheOriginalsAndMergeMakesNewOnes) {
  auto ds = seededCustomers();
  ds->remove();  // C1
  ds->edit();    // C2
  setField(*ds, "custName", "改");
  ds->post();
  ds->append();
  setField(*ds, "custNo", "C9");
  ds->post();
  ASSERT_EQ(ds->changeCount(), 3);
  ds->cancelUpdates();
  EXPECT_EQ(ds->changeCount(), 0);
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C2", "C3"}));
  EXPECT_EQ(column(*ds, "custName"), QStringList({"甲", "乙", "丙"}));
  EXPECT_EQ(ds->state(), State::Browse);
  EXPECT_GE(ds->currentRow(), 0);

  ds->first();
  ds->edit();
  setField(*ds, "custName", "合并后");
  ds->post();
  ds->last();
  ds->remove();
  ds->mergeChangeLog();
  EXPECT_EQ(ds->changeCount(), 0);
  EXPECT_EQ(ds->recordCount(), 2);
  ds->first();
  ds->edit();
  setField(*ds, "tel", "123");
  ds->post();
  ASSERT_EQ(ds->delta().rows.size(), 1u);
  EXPECT_EQ(text(ds->delta().rows[0].oldValues.at("custName")), "合并后");
  ds->cancelUpdates();
  EXPECT_EQ(ds->fieldByName("custName").asString(), "合并后");  // not the value first read
}

// ---- applying the change log ----------------------------------------------------------------

TEST_F(DatasetTest, ApplyingWritesAllOrTheAcceptedRowsAndKeepsTheRefusedOnePending) {
  auto ds = seededCustomers();
  std::vector<RowError> errors;
  ds->onReconcileError = [&](const RowError& e) { errors.push_back(e); };
  ASSERT_TRUE(ds->locate("custNo", "C3"));
  ds->remove();
  ds->first();
  ds->edit();
  setField(*ds, "custNo", "C0");  // found by its original key
  setField(*ds, "custName", "甲改");
  ds->post();
  ds->append();
  setField(*ds, "custNo", "C2");  // refused: the number is taken
  setField(*ds, "custName", "重复");
  ds->post();
  ds->append();
  setField(*ds, "custNo", "C9");
  ds->post();

  // No error tolerated: nothing is written and every change stays pending.
  EXPECT_EQ(ds->applyUpdates(0), 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, "重复的编号：客户资料中已有客户编号为“C2”的记录");
  EXPECT_EQ(errors[0].code, "duplicate");
  EXPECT_EQ(errors[0].change.op, ChangeOp::Insert);
  EXPECT_EQ(errors[0].row, 2);
  EXPECT_EQ(ds->changeCount(), 4);
  EXPECT_EQ(stored("select custNo from bas_cust order by custNo"),
            (std::vector<std::string>{"C1", "C2", "C3"}));

  // Unlimited errors: the others are written, the refused row stays pending.
  EXPECT_EQ(ds->applyUpdates(-1), 1);
  EXPECT_EQ(stored("select custNo, custName from bas_cust order by custNo"),
            (std::vector<std::string>{"C0|甲改", "C2|乙", "C9|<null>"}));
  ASSERT_EQ(ds->changeCount(), 1);
  EXPECT_EQ(text(ds->delta().rows.at(0).newValues.at("custNo")), "C2");

  // The user corrects the number and saves again.
  ASSERT_TRUE(ds->locate("custName", "重复"));
  ds->edit();
  setField(*ds, "custNo", "C7");
  ds->post();
  EXPECT_EQ(ds->applyUpdates(0), 0);
  EXPECT_EQ(ds->changeCount(), 0);
  EXPECT_EQ(stored("select custNo, custName from bas_cust order by custNo"),
            (std::vector<std::string>{"C0|甲改", "C2|乙", "C7|重复", "C9|<null>"}));

  // Nothing pending: the edit left open is posted and no call is made.
  ds->edit();
  setField(*ds, "custName", "重复");
  const int before = conn_->requestCount();
  EXPECT_EQ(ds->applyUpdates(0), 0);
  EXPECT_EQ(conn_->requestCount(), before);
  EXPECT_EQ(ds->state(), State::Browse);
}

// ---- calculated and lookup fields -----------------------------------------------------------

TEST_F(DatasetTest, CalculatedAmountFollowsItsInputsAndNeverTravels) {
  Dataset lines(*conn_, "UpdateDetailDSP");
  Field& amount = lines.addCalculatedField("amount", FieldType::Float, [](const Record& r) {
    const QVariant qty = r.value("qty"), price = r.value("uPrice");
    if (qty.isNull() || price.isNull()) return QVariant();
    return QVariant(qty.toDouble() * price.toDouble());
  });
  lines.setCommandText("select * from wh_in_det where keyNo = 'love'");
  lines.open();
  EXPECT_EQ(&lines.fieldByName("amount"), &amount);  // declared fields come after the data
  EXPECT_EQ(amount.index(), lines.fieldCount() - 1);

  lines.append();
  EXPECT_TRUE(amount.isNull());
  setField(lines, "qty", 2);
  setField(lines, "uPrice", "3.5");
  EXPECT_DOUBLE_EQ(amount.asFloat(), 7.0);
  setField(lines, "qty", 4);
  EXPECT_DOUBLE_EQ(amount.asFloat(), 14.0);
  EXPECT_THROW(amount.setValue(1), DataError);
  lines.post();
  EXPECT_DOUBLE_EQ(lines.valueAt(0, "amount").toDouble(), 14.0);
  const auto delta = lines.delta();
  ASSERT_EQ(delta.rows.size(), 1u);
  EXPECT_FALSE(delta.rows[0].newValues.contains("amount"));
  EXPECT_TRUE(delta.rows[0].newValues.contains("qty"));

  lines.open();  // survives reopening
  EXPECT_EQ(&lines.fieldByName("amount"), &amount);
}

TEST_F(DatasetTest, LookupFieldReadsTheFirstMatchOfTheWholeSource) {
  seedCustomers();
  auto custs = customers();
  custs->setFilter([](const Record& r) { return r.value("custNo").toString() != "C2"; });
  Dataset orders(*conn_, "pubDSP");
  Field& name = orders.addLookupField("custName", "cust", *custs, "custNo", "custName");
  orders.setCommandText(
      "select 'C2' as cust union all select 'C3' union all select 'C5' union all select null");
  orders.open();

  EXPECT_EQ(orders.valueAt(0, "custName").toString(), "乙");  // hidden by the filter, still found
  EXPECT_EQ(orders.valueAt(1, "custName").toString(), "丙");
  EXPECT_TRUE(orders.valueAt(2, "custName").isNull());
  EXPECT_TRUE(orders.valueAt(3, "custName").isNull());

  custs->clearFilter();
  ASSERT_TRUE(custs->locate("custNo", "C3"));
  custs->edit();
  setField(*custs, "custName", "丙改");
  EXPECT_EQ(orders.valueAt(1, "custName").toString(), "丙改");  // the source's edits show at once
  custs->post();
  custs->remove();
  EXPECT_TRUE(orders.valueAt(1, "custName").isNull());

  orders.edit();
  EXPECT_THROW(name.setValue("x"), DataError);
  orders.cancel();
  custs->close();
  EXPECT_TRUE(orders.valueAt(0, "custName").isNull());
  custs.reset();  // a source destroyed first reads as null, never as a dangling dataset
  EXPECT_TRUE(orders.valueAt(0, "custName").isNull());
}

// ---- filter and index -----------------------------------------------------------------------

TEST_F(DatasetTest, FilterAndIndexKeepTheCursorOnItsRecord) {
  exec(
      "insert into bas_cust (custNo, custName) values "
      "('C1', 'd'), ('C2', 'B'), ('C3', 'a'), ('C4', 'C'), ('C5', 'e')");
  auto ds = customers();
  ASSERT_TRUE(ds->locate("custNo", "C4"));

  ds->setIndex("custName", Qt::DescendingOrder);
  EXPECT_EQ(column(*ds, "custName"), QStringList({"e", "d", "C", "B", "a"}));
  EXPECT_EQ(ds->fieldByName("custNo").asString(), "C4");
  EXPECT_EQ(ds->recNo(), 3);

  ds->setFilter([](const Record& r) { return r.value("custNo").toString() != "C1"; });
  EXPECT_EQ(ds->recordCount(), 4);
  EXPECT_EQ(ds->fieldByName("custNo").asString(), "C4");
  EXPECT_EQ(ds->recNo(), 2);

  ds->setFilter([](const Record& r) { return r.value("custNo").toString() != "C4"; });
  EXPECT_EQ(ds->recNo(), 1);  // its record left the view: the first one
  EXPECT_TRUE(ds->bof());

  ds->clearFilter();
  ds->clearIndex();
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C2", "C3", "C4", "C5"}));
  EXPECT_EQ(ds->fieldByName("custNo").asString(), "C5");

  EXPECT_THROW(ds->setIndex("noSuchField"), DataError);
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C2", "C3", "C4", "C5"}));
}

TEST_F(DatasetTest, IndexPutsNullsFirstKeepsTiesInOrderAndIgnoresCase) {
  exec(
      "insert into bas_cust (custNo, custName, tel) values "
      "('C1', 'b', '2'), ('C2', null, '1'), ('C3', 'A', '1'), ('C4', 'B', '1'), ('C5', 'a', '9')");
  auto ds = customers();
  ds->setIndex("custName");
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C2", "C3", "C5", "C1", "C4"}));
  ds->setIndex("custName", Qt::DescendingOrder);
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C4", "C3", "C5", "C2"}));

  Dataset nums(*conn_, "pubDSP");
  nums.setCommandText("select 10 as n union all select 9 union all select 100");
  nums.open();
  nums.setIndex("n");
  EXPECT_EQ(column(nums, "n"), QStringList({"9", "10", "100"}));  // numbers, not text
}

TEST_F(DatasetTest, PostedRecordTakesItsPlaceInTheViewOrLeavesIt) {
  auto ds = seededCustomers();
  ds->setIndex("custNo");
  ds->append();
  setField(*ds, "custNo", "C0");
  EXPECT_EQ(ds->recNo(), 4);  // stays where it was typed until posted
  ds->post();
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C0", "C1", "C2", "C3"}));
  EXPECT_EQ(ds->recNo(), 1);

  ds->setFilter([](const Record& r) { return !r.value("contact").isNull(); });
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C2"}));
  ds->append();  // visible while being entered, judged by the filter when posted
  setField(*ds, "custNo", "C4");
  EXPECT_EQ(ds->recordCount(), 3);
  ds->post();
  EXPECT_EQ(column(*ds, "custNo"), QStringList({"C1", "C2"}));
  EXPECT_EQ(ds->changeCount(), 2);
}

TEST_F(DatasetTest, TenThousandRowsOpenSortFilterAndScroll) {
  exec(
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 10000) "
      "insert into bas_cust (custNo, custName, tel) "
      "select 'K' || i, 'name ' || (i * 7919 % 10000), i % 13 from n");
  // What the rows hold, worked out from how they were made: the rows whose tel is not 0, the
  // characters of their names and the sum of their tel numbers.
  int kept = 0;
  qint64 nameChars = 0, telSum = 0;
  for (int i = 1; i <= 10000; ++i) {
    if (i % 13 == 0) continue;
    ++kept;
    nameChars += 5 + QString::number(i * 7919 % 10000).size();
    telSum += i % 13;
  }
  ASSERT_EQ(kept, 9231);

  Dataset ds(*conn_, "custDSP");
  ds.addCalculatedField("telNo", FieldType::Integer,
                        [](const Record& r) { return r.value("tel").toLongLong(); });
  ds.open();
  ASSERT_EQ(ds.recordCount(), 10000);
  ds.setIndex("custName");
  ds.setIndex("telNo", Qt::DescendingOrder);
  ds.setFilter([](const Record& r) { return r.value("tel").toString() != "0"; });
  EXPECT_EQ(ds.recordCount(), kept);

  qint64 names = 0;
  const int name = ds.fieldByName("custName").index();
  for (int pass = 0; pass < 5; ++pass)
    for (int i = 0; i < ds.recordCount(); ++i) names += ds.valueAt(i, name).toString().size();
  EXPECT_EQ(names, 5 * nameChars);

  // Scrolling visits every kept row once, highest tel first.
  qint64 tels = 0, previous = 12;
  int visited = 0;
  bool ordered = true;
  for (ds.first(); !ds.eof(); ds.next()) {
    const qint64 tel = ds.fieldByName("telNo").asInteger();
    ordered = ordered && tel <= previous && tel > 0;
    previous = tel;
    tels += tel;
    ++visited;
  }
  EXPECT_EQ(visited, kept);
  EXPECT_TRUE(ordered) << "rows are not in descending telNo order";
  EXPECT_EQ(tels, telSum);
  EXPECT_EQ(previous, 1);
}

// ---- parameters ----------------------------------------------------------------------------

TEST_F(DatasetTest, ParametersComeFromMarkersOutsideQuotesAndComments) {
  auto names = [](const client::Params& constParams) {
    client::Params params = constParams;
    QStringList out;
    for (const auto& p : params) out << (p.output ? p.name + " output" : p.name);
    return out;
  };
  EXPECT_EQ(
      names(client::parseParams(
          "execute sp_query_page :@TableName, :@FieldList, :@primaryKey,:@Where,:@Order,"
          ":@RecorderCount,:@PageSize,:@PageIndex ,:@TotalCount output ,:@TotalPageCount "
          "output")),
      QStringList({"@TableName", "@FieldList", "@primaryKey", "@Where", "@Order", "@RecorderCount",
                   "@PageSize", "@PageIndex", "@TotalCount output", "@TotalPageCount output"}));
  EXPECT_EQ(names(client::parseParams("select ':no', \"a:no\", [b:no] from t -- :no\n"
                                      "where x = :a /* :no */ and y = 'it''s :no' and z = :b")),
            QStringList({"a", "b"}));
  EXPECT_EQ(names(client::parseParams(
                "select * from t where 名称 = :名称 and x::int = :p1 and y = :P1 and z=:n OUT")),
            QStringList({"名称", "p1", "n output"}));
  EXPECT_EQ(names(client::parseParams("select :a outer, :b out2, ': ' from t")),
            QStringList({"a", "b"}));
}

TEST_F(DatasetTest, ParametersFillByNameOrPositionAndOutputsComeBack) {
  server::registerProcedure("sp_test_dataset", [](server::ProcedureCall& call) {
    call.args.at(2) = call.integer(0) * call.integer(1);
    call.args.at(3) = call.text(0) + "×" + call.text(1);
    protocol::RecordSet rs;
    rs.fields = {{"n", FieldType::Integer, 0}};
    rs.rows = {{call.integer(0)}, {call.integer(1)}};
    return std::optional<protocol::RecordSet>(rs);
  });
  Dataset ds(*conn_, "pubDSP");
  ds.setCommandText("exec sp_test_dataset :a, :b, :@product output, :@text output");
  ASSERT_EQ(ds.params().count(), 4);
  ds.params().byName("A").value = 6;
  ds.params()[1].value = 7;
  ds.open();
  EXPECT_EQ(column(ds, "n"), QStringList({"6", "7"}));
  EXPECT_EQ(ds.params().byName("@product").value.toLongLong(), 42);
  EXPECT_EQ(ds.params().byName("@text").value.toString(), "6×7");

  ds.params().byName("b").value = 2;
  ds.execute();
  EXPECT_EQ(ds.params().byName("@product").value.toLongLong(), 12);

  EXPECT_THROW(ds.params()[4], DataError);
  EXPECT_THROW(ds.params().byName("c"), DataError);
  ds.setCommandText("select * from bas_cust where custNo = :c");
  EXPECT_FALSE(ds.active());
  ASSERT_EQ(ds.params().count(), 1);
  EXPECT_EQ(ds.params()[0].name, "c");
  EXPECT_FALSE(ds.params()[0].value.isValid());
}

// ---- opening --------------------------------------------------------------------------------

TEST_F(DatasetTest, OpeningReadsAfreshAndAFailedOpenLeavesTheDatasetClosed) {
  exec("insert into bas_cust (custNo, custName) values ('C1  ', '名称   ')");
  Dataset pub(*conn_, "pubDSP");
  pub.setCommandText("select custNo, custName from bas_cust");
  pub.open();
  ASSERT_EQ(pub.recordCount(), 1);
  EXPECT_EQ(pub.fieldByName("custNo").asString(), "C1  ");  // trailing blanks are kept
  EXPECT_EQ(pub.fieldByName("custName").asString(), "名称   ");

  pub.setCommandText("select 1 as a, 2 as b union all select 3, 4");
  pub.open();
  EXPECT_EQ(pub.recordCount(), 2);
  EXPECT_EQ(pub.fieldCount(), 2);
  EXPECT_EQ(pub.findField("custNo"), nullptr);
  EXPECT_EQ(pub.fieldByName("B").asInteger(), 2);
  pub.last();
  pub.open();  // the same text again reads afresh
  EXPECT_EQ(pub.recordCount(), 2);
  EXPECT_EQ(pub.recNo(), 1);

  pub.setCommandText("select * from no_such_table");
  EXPECT_THROW(pub.open(), DataError);
  EXPECT_FALSE(pub.active());
  EXPECT_EQ(pub.recordCount(), 0);
  EXPECT_THROW(pub.first(), DataError);
}

TEST_F(DatasetTest, LoopsVisitEveryRecordOnceAndAnEmptyResultIsAtBothEnds) {
  auto ds = seededCustomers();
  QStringList seen;
  for (ds->first(); !ds->eof(); ds->next()) seen << ds->fieldByName("custNo").asString();
  EXPECT_EQ(seen, QStringList({"C1", "C2", "C3"}));
  EXPECT_EQ(ds->recNo(), 3);
  seen.clear();
  for (ds->last(); !ds->bof(); ds->prior()) seen << ds->fieldByName("custNo").asString();
  EXPECT_EQ(seen, QStringList({"C3", "C2", "C1"}));

  Dataset empty(*conn_, "pubDSP");
  empty.setCommandText("select * from wh_In where keyNo = 'love'");
  empty.open();
  EXPECT_TRUE(empty.active() && empty.isEmpty() && empty.bof() && empty.eof());
  EXPECT_EQ(empty.recNo(), 0);
  empty.next();
  empty.prior();
  empty.last();
  EXPECT_FALSE(empty.locate("keyNo", "x"));
  EXPECT_TRUE(empty.fieldByName("keyNo").isNull());
  EXPECT_EQ(empty.fieldByName("keyNo").asString(), "");
  EXPECT_THROW(empty.remove(), DataError);
  EXPECT_GT(empty.fieldCount(), 5);
}

TEST_F(DatasetTest, LabelsAndHooksOfAColumnSurviveReopening) {
  seedCustomers();
  Dataset ds(*conn_, "pubDSP");
  ds.setCommandText("select * from bas_cust where custNo = 'C1'");
  ds.open();
  Field& name = ds.fieldByName("custName");
  name.displayLabel = "客户名称";
  int validated = 0;
  name.onValidate = [&](Field&, const QVariant&) { ++validated; };

  ds.setCommandText("select custNo, custName from bas_cust where custNo = 'C2'");
  ds.open();
  EXPECT_EQ(&ds.fieldByName("custName"), &name);
  EXPECT_EQ(name.label(), "客户名称");
  EXPECT_EQ(name.asString(), "乙");
  ds.edit();
  name.setValue("x");
  EXPECT_EQ(validated, 1);
}

// ---- hooks and field rules ------------------------------------------------------------------

TEST_F(DatasetTest, SettingAFieldOutsideEditIsRefusedNamingTheField) {
  auto ds = seededCustomers();
  EXPECT_EQ(dataErrorOf([&] { setField(*ds, "custName", "x"); }),
            "数据集不在编辑或插入状态，不能修改字段 custName");
  EXPECT_THROW(ds->fieldByName("noSuchField"), DataError);
}

TEST_F(DatasetTest, NewRecordDefaultsAndValidationThatAbortsKeepsTheOldValue) {
  auto ds = seededCustomers();
  ds->onNewRecord = [](Dataset& d) {
    d.fieldByName("contact").setValue("默认");
    d.fieldByName("custName").setValue("新客户");
  };
  std::vector<QString> log;
  Field& name = ds->fieldByName("custName");
  name.onValidate = [&](Field& f, const QVariant& v) {
    log.push_back("validate " + f.asString() + "->" + v.toString());
    if (v.toString() == "坏") throw Abort();
  };
  name.onChange = [&](Field& f) { log.push_back("change " + f.asString()); };

  ds->append();
  EXPECT_EQ(ds->state(), State::Insert);
  EXPECT_EQ(ds->fieldByName("contact").asString(), "默认");
  EXPECT_THROW(name.setValue("坏"), Abort);
  EXPECT_EQ(name.asString(), "新客户");
  name.setValue("新客户");  // the same value is judged again
  EXPECT_EQ(log, (std::vector<QString>{"validate ->新客户", "change 新客户", "validate 新客户->坏",
                                       "validate 新客户->新客户", "change 新客户"}));

  ds->onNewRecord = [](Dataset&) { throw DataError("默认值出错"); };
  const int before = ds->recordCount();
  EXPECT_THROW(ds->append(), DataError);  // the posted record stays, the failed one goes
  EXPECT_EQ(ds->recordCount(), before);
  EXPECT_EQ(ds->state(), State::Browse);
}

TEST_F(DatasetTest, BeforePostAbortKeepsTheRecordInEditAndTheCursorInPlace) {
  auto ds = seededCustomers();
  bool refuse = true;
  int afterPosts = 0;
  ds->beforePost = [&](Dataset&) {
    if (refuse) throw Abort();
  };
  ds->afterPost = [&](Dataset&) { ++afterPosts; };
  ds->edit();
  setField(*ds, "custName", "改");
  EXPECT_THROW(ds->post(), Abort);
  EXPECT_EQ(ds->state(), State::Edit);
  EXPECT_THROW(ds->next(), Abort);  // moving posts first
  EXPECT_EQ(ds->recNo(), 1);
  EXPECT_EQ(ds->changeCount(), 0);
  EXPECT_EQ(afterPosts, 0);
  refuse = false;
  ds->next();
  EXPECT_EQ(ds->recNo(), 2);
  EXPECT_EQ(ds->changeCount(), 1);
  EXPECT_EQ(afterPosts, 1);
}

TEST_F(DatasetTest, DeleteHooksRunAroundTheDeleteAndAnAbortKeepsTheRecord) {
  auto ds = seededCustomers();
  std::vector<QString> log;
  ds->beforeDelete = [&](Dataset& d) {
    log.push_back("before " + d.fieldByName("custNo").asString());
    if (d.fieldByName("custNo").asString() == "C1") throw Abort();
  };
  ds->afterDelete = [&](Dataset& d) {
    log.push_back("after " + d.fieldByName("custNo").asString());
  };
  EXPECT_THROW(ds->remove(), Abort);
  EXPECT_EQ(ds->recordCount(), 3);
  ds->last();
  ds->remove();
  EXPECT_EQ(log, (std::vector<QString>{"before C1", "before C3", "after C2"}));
  EXPECT_EQ(ds->recNo(), 2);  // the last record is current again
}

TEST_F(DatasetTest, TypedTextIsTakenAsTheFieldsType) {
  Dataset lines(*conn_, "pubDSP");
  lines.setCommandText("select * from wh_in_det where keyNo = 'love'");
  lines.open();
  Dataset docs(*conn_, "pubDSP");
  docs.setCommandText("select * from wh_In where keyNo = 'love'");
  docs.open();

  lines.append();
  setField(lines, "qty", " 1,234.5 ");
  EXPECT_EQ(lines.fieldByName("qty").value(), QVariant(1234.5));
  setField(lines, "itemNo", "3");
  EXPECT_EQ(lines.fieldByName("itemNo").value(), QVariant(qlonglong(3)));
  setField(lines, "qty", "");
  EXPECT_TRUE(lines.fieldByName("qty").isNull());
  EXPECT_EQ(dataErrorOf([&] { setField(lines, "itemNo", "三"); }),
            "字段 itemNo：“三”不是有效的整数");
  EXPECT_EQ(lines.fieldByName("itemNo").asInteger(), 3);

  docs.append();
  setField(docs, "inDate", QDate(2024, 3, 5));
  setField(docs, "audited", 1);
  EXPECT_EQ(docs.fieldByName("inDate").asDateTime(), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
  EXPECT_TRUE(docs.fieldByName("audited").asBoolean());
  setField(docs, "keyNo", "RK1");
  docs.post();
  const auto change = docs.delta().rows.at(0);
  EXPECT_EQ(text(change.newValues.at("inDate")), "2024-03-05 00:00:00");
  EXPECT_EQ(change.newValues.at("audited"), Value(true));
}

// ---- signals --------------------------------------------------------------------------------

TEST_F(DatasetTest, OneOperationSignalsOnceAndAfterScrollFollowsRealMoves) {
  auto ds = seededCustomers();
  int changes = 0, moves = 0, scrolls = 0;
  QObject::connect(ds.get(), &Dataset::changed, [&] { ++changes; });
  QObject::connect(ds.get(), &Dataset::currentChanged, [&] { ++moves; });
  ds->afterScroll = [&](Dataset&) { ++scrolls; };
  ds->onNewRecord = [](Dataset& d) {
    d.fieldByName("custNo").setValue("C9");
    d.fieldByName("custName").setValue("新");
    d.fieldByName("contact").setValue("某");
  };
  ds->append();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(scrolls, 1);
  ds->post();
  EXPECT_EQ(scrolls, 1);
  ds->last();  // already there
  EXPECT_EQ(scrolls, 1);
  ds->first();
  EXPECT_EQ(scrolls, 2);
  ds->edit();
  setField(*ds, "tel", "1");
  EXPECT_EQ(scrolls, 2);
  ds->open();
  EXPECT_EQ(scrolls, 3);
}

// ---- the grid model -------------------------------------------------------------------------

TEST(FormatValue, NumbersFollowTheirPictureAndRoundHalfAway) {
  using client::formatValue;
  EXPECT_EQ(formatValue(1234.5, FieldType::Decimal, "#,##0.00"), "1,234.50");
  EXPECT_EQ(formatValue(-1234.5, FieldType::Float, "#,##0.00"), "-1,234.50");
  EXPECT_EQ(formatValue(1234567.8, FieldType::Float, "#,##0"), "1,234,568");
  EXPECT_EQ(formatValue(0.125, FieldType::Float, "0.00"), "0.13");
  EXPECT_EQ(formatValue(2.675, FieldType::Float, "0.00"), "2.68");
  EXPECT_EQ(formatValue(999.996, FieldType::Float, "#,##0.00"), "1,000.00");
  EXPECT_EQ(formatValue(0.5, FieldType::Float, "0.###"), "0.5");
  EXPECT_EQ(formatValue(2620, FieldType::Float, "##,###,###,##0.#0"), "2,620.00");
  EXPECT_EQ(formatValue(-0.001, FieldType::Float, "0.00"), "0.00");
  EXPECT_EQ(formatValue(0.256, FieldType::Float, "0.0%"), "25.6%");
  EXPECT_EQ(formatValue(-5, FieldType::Integer, "0;(0);零"), "(5)");
  EXPECT_EQ(formatValue(0, FieldType::Integer, "0;(0);零"), "零");
  EXPECT_EQ(formatValue(12.5, FieldType::Float, "'¥'#,##0.00"), "¥12.50");
  EXPECT_EQ(formatValue(qlonglong(123456789012LL), FieldType::Integer, ""), "123456789012");
  EXPECT_EQ(formatValue(0.1 + 0.2, FieldType::Float, ""), "0.3");
  EXPECT_EQ(formatValue(QVariant(), FieldType::Float, "#,##0.00"), "");
}

TEST(FormatValue, DatesShowTheTimeOnlyWhenThereIsOne) {
  using client::formatValue;
  EXPECT_EQ(formatValue(QDateTime(QDate(2024, 3, 5), QTime(0, 0)), FieldType::DateTime, ""),
            "2024-03-05");
  EXPECT_EQ(formatValue(QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)), FieldType::DateTime, ""),
            "2024-03-05 08:09:10");
  EXPECT_EQ(
      formatValue(QDateTime(QDate(2024, 3, 5), QTime(8, 9)), FieldType::DateTime, "yyyy年M月d日"),
      "2024年3月5日");
  EXPECT_EQ(formatValue(true, FieldType::Boolean, "是;否"), "是");
  EXPECT_EQ(formatValue(QString("ab  "), FieldType::String, ""), "ab  ");
}

TEST_F(DatasetTest, ModelShowsVisibleFieldsAndRecordsAndFollowsTheDataset) {
  auto ds = seededCustomers();
  DatasetModel model(*ds);
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(model.columnCount(), ds->fieldCount());

  ds->fieldByName("custName").displayLabel = "客户名称";
  ds->fieldByName("optName").visible = false;
  model.refresh();
  EXPECT_EQ(model.columnCount(), ds->fieldCount() - 1);
  const int nameCol = model.columnOf("custName");
  EXPECT_EQ(model.headerData(nameCol, Qt::Horizontal).toString(), "客户名称");
  EXPECT_EQ(model.headerData(2, Qt::Vertical).toInt(), 3);
  EXPECT_EQ(model.columnOf("optName"), -1);

  ds->setFilter([](const Record& r) { return r.value("custNo").toString() != "C2"; });
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.index(1, nameCol).data().toString(), "丙");
  ds->append();
  EXPECT_EQ(model.rowCount(), 3);
  ds->cancel();
  EXPECT_EQ(model.rowCount(), 2);

  model.setColumns({"custName", "nothing", "custNo"});
  EXPECT_EQ(model.columnCount(), 2);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "custNo");
  ds->close();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.columnCount(), 0);
  ds->open();
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 2);
}

TEST_F(DatasetTest, ModelFormatsAlignsAndChecksByFieldType) {
  Dataset docs(*conn_, "pubDSP");
  exec("insert into wh_In (keyNo, inDate, audited) values ('RK1', '2024-03-05 00:00:00', 1)");
  docs.setCommandText("select keyNo, inDate, audited from wh_In");
  docs.open();
  DatasetModel model(docs);
  const QModelIndex date = model.index(0, model.columnOf("inDate"));
  const QModelIndex flag = model.index(0, model.columnOf("audited"));
  EXPECT_EQ(date.data().toString(), "2024-03-05");
  EXPECT_TRUE(date.data(Qt::EditRole).toDateTime().isValid());
  EXPECT_FALSE(flag.data().isValid());  // no "True" text next to a check box
  EXPECT_EQ(flag.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  EXPECT_TRUE(model.flags(flag) & Qt::ItemIsUserCheckable);
  EXPECT_TRUE(model.setData(flag, int(Qt::Unchecked), Qt::CheckStateRole));
  EXPECT_FALSE(docs.fieldByName("audited").asBoolean());

  Dataset det(*conn_, "pubDSP");
  det.addCalculatedField("amount", FieldType::Float, [](const Record& r) {
    return QVariant(r.value("qty").toDouble() * r.value("uPrice").toDouble());
  });
  det.setCommandText("select * from wh_in_det where keyNo = 'love'");
  det.open();
  det.fieldByName("uPrice").displayFormat = "#,##0.00";
  det.append();
  setField(det, "qty", 2);
  setField(det, "uPrice", 1234.5);
  det.post();
  DatasetModel grid(det);
  const QModelIndex price = grid.index(0, grid.columnOf("uPrice"));
  EXPECT_EQ(price.data().toString(), "1,234.50");
  EXPECT_EQ(price.data(Qt::EditRole), QVariant(1234.5));
  EXPECT_EQ(price.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
  EXPECT_FALSE(grid.index(0, grid.columnOf("remark")).data(Qt::TextAlignmentRole).isValid());
  EXPECT_EQ(grid.index(0, grid.columnOf("amount")).data().toString(), "2469");
  EXPECT_FALSE(grid.flags(grid.index(0, grid.columnOf("amount"))) & Qt::ItemIsEditable);
}

TEST_F(DatasetTest, ModelEditsGoThroughTheDatasetAndItsHooks) {
  auto ds = seededCustomers();
  DatasetModel model(*ds);
  int resets = 0, cellChanges = 0;
  QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++cellChanges; });
  Field& name = ds->fieldByName("custName");
  name.onValidate = [](Field&, const QVariant& v) {
    if (v.toString() == "坏") throw Abort();
  };
  const int nameCol = model.columnOf("custName");

  EXPECT_TRUE(model.setData(model.index(1, nameCol), "乙改"));
  EXPECT_EQ(ds->recNo(), 2);
  EXPECT_EQ(ds->state(), State::Edit);
  EXPECT_EQ(model.index(1, nameCol).data().toString(), "乙改");
  EXPECT_GT(cellChanges, 0);
  EXPECT_EQ(resets, 0);  // views keep their current cell while values change

  EXPECT_FALSE(model.setData(model.index(1, nameCol), "坏"));
  EXPECT_EQ(name.asString(), "乙改");

  EXPECT_TRUE(model.setData(model.index(2, nameCol), "丙改"));  // the other row is posted first
  EXPECT_EQ(ds->changeCount(), 1);
  EXPECT_EQ(ds->recNo(), 3);

  ds->fieldByName("tel").readOnly = true;
  const QModelIndex tel = model.index(0, model.columnOf("tel"));
  EXPECT_FALSE(model.flags(tel) & Qt::ItemIsEditable);
  EXPECT_FALSE(model.setData(tel, "1"));
  EXPECT_TRUE(model.flags(model.index(0, nameCol)) & Qt::ItemIsEditable);

  ds->beforePost = [](Dataset&) { throw DataError("客户名称不能为空"); };
  EXPECT_THROW(model.setData(model.index(0, nameCol), "x"), DataError);
  EXPECT_EQ(ds->recNo(), 3);
}

}  // namespace
}  // namespace qk::test
