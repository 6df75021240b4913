// The bill-of-materials procedures.
//   exec sp_createBomTree                  empties the session's tree
//   exec sp_getBomTree 'P', 0, 1, 1        fills it with product P's tree (the numbers are the
//                                          caller's fixed arguments and are not used)
//   exec sp_bomTreeRows                    the tree's rows (what provider bomDSP returns)
//   exec sp_bom_insert parent, part, itemNo, ylQty, drwNo, effectDate, invalidDate, mType,
//                      stop, remark        inserts a line; one row with its sysid
// The tree lives in a temporary table of the session's connection, so two clients never see
// each other's tree. It is computed by one recursive query, never node by node from here.
#include <string>

#include "server/procedures/registry.h"

namespace qk::server {

namespace {

// Deeper than any real product; a tree reaching it is refused rather than cut silently.
constexpr int kMaxDepth = 30;
// As many rows as one client statement may return.
constexpr int kMaxNodes = 200000;

constexpr std::string_view kCreateTree = R"(
CREATE TEMP TABLE IF NOT EXISTS qk_bom_tree (
  nodeId INTEGER PRIMARY KEY, parentNodeId INTEGER, sysId INTEGER, parentId INTEGER,
  lev INTEGER, gNo VARCHAR(50), gDes VARCHAR(200), gUnit VARCHAR(10), itemNo INTEGER,
  ylQty DECIMAL(18,5), drwNo VARCHAR(50), effectDate DATETIME, invalidDate DATETIME,
  mType VARCHAR(10), remark VARCHAR(50), stoped BOOLEAN, productUnit VARCHAR(50),
  productName VARCHAR(50), productSize VARCHAR(50), productPre VARCHAR(50),
  productMat VARCHAR(50), productSta VARCHAR(50), def1 VARCHAR(50), def2 VARCHAR(50),
  def3 VARCHAR(50), def4 VARCHAR(50), def5 VARCHAR(50), def6 VARCHAR(50));
DELETE FROM temp.qk_bom_tree;)";

// Walks down from the product. `path` orders a parent before its children and siblings by
// itemNo (20 characters a level, which also finds a row's parent); `seen` holds the parts on
// the way down, so a cycle stored before the triggers existed stops where a part would repeat.
constexpr std::string_view kFillTree = R"(
INSERT INTO temp.qk_bom_tree
WITH RECURSIVE walk(sysId, parentId, lev, gNo, itemNo, ylQty, drwNo, effectDate, invalidDate,
                    mType, remark, stoped, path, seen) AS (
  SELECT 0, -1, 0, :product, 0, 1, NULL, NULL, NULL, NULL, NULL, 0, '',
         char(31) || lower(:product) || char(31)
  UNION ALL
  SELECT b.sysid, w.sysId, w.lev + 1, b.partNo, b.itemNo, b.ylQty, b.drwNo, b.effectDate,
         b.invalidDate, b.mType, b.remark, b.stop,
         w.path || printf('%010d%010d', coalesce(b.itemNo, 0), b.sysid),
         w.seen || lower(b.partNo) || char(31)
  FROM walk w JOIN bom b ON b.productNo = w.gNo
  WHERE w.lev <= :maxDepth AND instr(w.seen, char(31) || lower(b.partNo) || char(31)) = 0
  LIMIT :maxNodes + 1),
numbered AS (
  SELECT walk.*, row_number() OVER (ORDER BY path) AS nodeId FROM walk)
SELECT n.nodeId, CASE WHEN n.lev = 0 THEN 0 ELSE up.nodeId END, n.sysId, n.parentId, n.lev,
       n.gNo, p.des, p.productUnit, n.itemNo, n.ylQty, n.drwNo, n.effectDate, n.invalidDate,
       n.mType, n.remark, n.stoped, p.productUnit, p.productName, p.productSize, p.productPre,
       p.productMat, p.productSta, p.def1, p.def2, p.def3, p.def4, p.def5, p.def6
FROM numbered n
LEFT JOIN numbered up ON n.lev > 0 AND up.path = substr(n.path, 1, length(n.path) - 20)
LEFT JOIN view_bas_prd_des p ON p.productNo = n.gNo
ORDER BY n.nodeId)";

constexpr std::string_view kTreeRows = R"(
SELECT sysId, parentId, nodeId, parentNodeId, lev, gNo, gDes, gUnit, itemNo, ylQty, drwNo,
       effectDate, invalidDate, mType, remark, stoped, productUnit, productName, productSize,
       productPre, productMat, productSta, def1, def2, def3, def4, def5, def6
FROM temp.qk_bom_tree ORDER BY nodeId)";

std::optional<protocol::RecordSet> createTree(ProcedureCall& call) {
  call.db.script(kCreateTree);
  return std::nullopt;
}

std::optional<protocol::RecordSet> fillTree(ProcedureCall& call) {
  const std::string product = call.text(0);
  call.db.script(kCreateTree);
  call.db.execute(kFillTree, {{"product", product},
                              {"maxDepth", std::int64_t{kMaxDepth}},
                              {"maxNodes", std::int64_t{kMaxNodes}}});
  auto extent = call.db.query("SELECT max(lev), count(*) FROM temp.qk_bom_tree");
  const auto* depth = std::get_if<std::int64_t>(&extent.rows.at(0).at(0));
  const auto* nodes = std::get_if<std::int64_t>(&extent.rows.at(0).at(1));
  std::string refusal;
  if (depth && *depth > kMaxDepth)
    refusal = "物料清单超过 " + std::to_string(kMaxDepth) + " 层，无法展开：" + product;
  else if (nodes && *nodes > kMaxNodes)
    refusal = "物料清单超过 " + std::to_string(kMaxNodes) + " 个节点，无法展开：" + product;
  if (!refusal.empty()) {
    call.db.execute("DELETE FROM temp.qk_bom_tree");
    throw db::DbError(refusal, db::ErrorKind::Refused);
  }
  return std::nullopt;
}

std::optional<protocol::RecordSet> treeRows(ProcedureCall& call) {
  call.db.script(kCreateTree.substr(0, kCreateTree.find("DELETE")));
  return call.db.query(kTreeRows);
}

// The client keeps the returned identity, so a later change or delete of the new line reaches
// exactly it. Empty and zero dates become NULL in the table's triggers.
std::optional<protocol::RecordSet> insertLine(ProcedureCall& call) {
  const std::string parent = call.text(0);
  const std::string part = call.text(1);
  if (parent.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("父件编号不能为空!", db::ErrorKind::Refused);
  if (part.find_first_not_of(' ') == std::string::npos)
    throw db::DbError("物料编号不能为空!", db::ErrorKind::Refused);
  const auto result = call.db.execute(
      "INSERT INTO bom (productNo, partNo, itemNo, ylQty, drwNo, effectDate, invalidDate, "
      "mType, stop, remark) VALUES (:p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10)",
      {{"p1", call.arg(0)},
       {"p2", call.arg(1)},
       {"p3", call.arg(2)},
       {"p4", call.arg(3)},
       {"p5", call.arg(4)},
       {"p6", call.arg(5)},
       {"p7", call.arg(6)},
       {"p8", call.arg(7)},
       {"p9", call.arg(8)},
       {"p10", call.arg(9)}});
  protocol::RecordSet rs;
  rs.fields.push_back({"sysid", protocol::FieldType::Integer, 0});
  rs.rows.push_back({result.lastInsertId});
  return rs;
}

}  // namespace

void registerBomProcedures() {
  registerProcedure("sp_createBomTree", createTree);
  registerProcedure("sp_getBomTree", fillTree);
  registerProcedure("sp_bomTreeRows", treeRows);
  registerProcedure("sp_bom_insert", insertLine);
}

}  // namespace qk::server
