-- Views and stored queries of the query dialog: the finders of the document screens, the line
-- pickers, the statistics actions of the main window and the report centre. Every stored query
-- (sys_filter_sql) names a source here and lists its fields in sys_filter; the dialog fetches
-- ALL of a query's fields, so a column that a picker copies from the chosen row must be one of
-- them even when it is not shown (showInResult = 0).
--
-- Views may be replaced by later migrations (DROP VIEW, CREATE VIEW); the column names here are
-- what screens read by name, so they are kept even when the way they are computed changes.
-- Computed numbers use round() and total(), which always give floating-point values, so that a
-- column's type does not depend on whether its first value happens to be whole.

---------------------------------------------------------------------------------------------------
-- Products
---------------------------------------------------------------------------------------------------

-- Every product with its one-line description: the non-empty parts of name, size, pressure
-- rating, material and standard, one blank apart, cut to the 200 characters that document lines
-- and drawing lists keep.
CREATE VIEW view_bas_prd_des AS
SELECT p.*,
       substr(trim(coalesce(trim(p.productName), '')
                   || coalesce(' ' || nullif(trim(p.productSize), ''), '')
                   || coalesce(' ' || nullif(trim(p.productPre), ''), '')
                   || coalesce(' ' || nullif(trim(p.productMat), ''), '')
                   || coalesce(' ' || nullif(trim(p.productSta), ''), '')), 1, 200) AS des
FROM bas_products p;

-- Drawings with their product and category names; the file itself stays out of lists.
CREATE VIEW view_qry_bas_drawing AS
SELECT g.drwNo AS drwNo, g.productNo AS productNo, p.des AS des, p.productName AS productName,
       g.drwIdNo AS drwIdNo, c.drwIdName AS drwIdName, g.ext AS ext, g.remark AS remark
FROM bas_drawing g
LEFT JOIN view_bas_prd_des p ON p.productNo = g.productNo
LEFT JOIN bas_dId c ON c.drwIdNo = g.drwIdNo;

---------------------------------------------------------------------------------------------------
-- Warehouse documents: one row per line, with the header's fields and the warehouse's name.
-- The lines' description columns are the copies saved with the document.
---------------------------------------------------------------------------------------------------

CREATE VIEW view_qry_wh_in AS
SELECT d.keyNo AS keyNo, d.itemNo AS itemNo, m.inDate AS inDate, m.whNo AS whNo,
       w.depName AS whName, m.docType AS docType, d.taskNo AS taskNo, d.productNo AS productNo,
       d.des AS des, d.pName AS pName, d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat,
       d.pSta AS pSta, d.pUnit AS pUnit, d.qty AS qty, d.uPrice AS uPrice,
       round(coalesce(d.qty, 0) * coalesce(d.uPrice, 0), 2) AS amount, d.remark AS remark,
       m.remarkM AS remarkM, m.keeper AS keeper, m.userName AS userName, m.docDate AS docDate,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, d.def1 AS def1,
       d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5, d.def6 AS def6
FROM wh_in_det d
JOIN wh_In m ON m.keyNo = d.keyNo
LEFT JOIN bas_dep w ON w.depNo = m.whNo;

CREATE VIEW view_qry_wh_out AS
SELECT d.keyNo AS keyNo, d.itemNo AS itemNo, m.outDate AS outDate, m.whNo AS whNo,
       w.depName AS whName, m.docType AS docType, d.taskNo AS taskNo, d.productNo AS productNo,
       d.des AS des, d.pName AS pName, d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat,
       d.pSta AS pSta, d.pUnit AS pUnit, d.qty AS qty, d.uPrice AS uPrice,
       round(coalesce(d.qty, 0) * coalesce(d.uPrice, 0), 2) AS amount, d.remark AS remark,
       m.remarkM AS remarkM, m.keeper AS keeper, m.userName AS userName, m.docDate AS docDate,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, d.def1 AS def1,
       d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5, d.def6 AS def6
FROM wh_out_det d
JOIN wh_Out m ON m.keyNo = d.keyNo
LEFT JOIN bas_dep w ON w.depNo = m.whNo;

-- Material issues: productNo, matDes and matUnit are the material; des and pName ... pUnit the
-- product of the task line it was issued for.
CREATE VIEW view_qry_wh_mo AS
SELECT d.keyNo AS keyNo, d.itemNo AS itemNo, m.moDate AS moDate, m.whNo AS whNo,
       w.depName AS whName, d.psNo AS psNo, d.productNo AS productNo, d.matDes AS matDes,
       d.matUnit AS matUnit, d.qty AS qty, d.uPrice AS uPrice,
       round(coalesce(d.qty, 0) * coalesce(d.uPrice, 0), 2) AS amount, d.taskNo AS taskNo,
       d.pQty AS pQty, d.uwReal AS uwReal, d.uwPlan AS uwPlan, d.des AS des, d.pName AS pName,
       d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat, d.pSta AS pSta, d.pUnit AS pUnit,
       d.remark AS remark, m.remarkM AS remarkM, m.userName AS userName, m.docDate AS docDate,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, d.def1 AS def1,
       d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5, d.def6 AS def6
FROM wh_mat_det d
JOIN wh_mat m ON m.keyNo = d.keyNo
LEFT JOIN bas_dep w ON w.depNo = m.whNo;

-- Stock on hand per warehouse and product: the opening stock plus warehouse and purchase
-- receipts, less warehouse issues, material issues and deliveries, saved or audited alike.
-- The unit price is the average of the opening stock and the receipts; issues leave it as it
-- is. A pair appears once it has an opening row or any movement, also when its stock is 0.
CREATE VIEW view_qry_wh_view AS
SELECT s.whNo AS whNo, coalesce(w.depName, s.whName) AS whName, s.productNo AS productNo,
       p.des AS des, p.productName AS productName, p.productSize AS productSize,
       p.productPre AS productPre, p.productMat AS productMat, p.productSta AS productSta,
       p.productUnit AS productUnit, s.initQty AS initQty, s.inQty AS inQty, s.outQty AS outQty,
       round(s.initQty + s.inQty - s.outQty, 5) AS qty,
       CASE WHEN s.initQty + s.inQty <> 0
            THEN round((s.initMoney + s.inMoney) / (s.initQty + s.inQty), 5) ELSE 0.0 END AS uPrice,
       CASE WHEN s.initQty + s.inQty <> 0
            THEN round((s.initQty + s.inQty - s.outQty) * (s.initMoney + s.inMoney)
                       / (s.initQty + s.inQty), 2) ELSE 0.0 END AS amount,
       p.lowQty AS lowQty, p.highQty AS highQty, p.def1 AS def1, p.def2 AS def2,
       p.def3 AS def3, p.def4 AS def4, p.def5 AS def5, p.def6 AS def6
FROM (SELECT whNo, productNo, max(whName) AS whName, total(initQty) AS initQty,
             total(initMoney) AS initMoney, total(inQty) AS inQty, total(inMoney) AS inMoney,
             total(outQty) AS outQty
      FROM (SELECT whNo, productNo, whName, initQty,
                   coalesce(initQty, 0) * coalesce(initPrice, 0) AS initMoney,
                   0 AS inQty, 0 AS inMoney, 0 AS outQty
            FROM wh_stock
            UNION ALL
            SELECT m.whNo, d.productNo, NULL, 0, 0, d.qty,
                   coalesce(d.qty, 0) * coalesce(d.uPrice, 0), 0
            FROM wh_in_det d JOIN wh_In m ON m.keyNo = d.keyNo
            UNION ALL
            SELECT m.whNo, d.productNo, NULL, 0, 0, d.qty,
                   coalesce(d.qty, 0) * coalesce(d.uprice, 0), 0
            FROM bus_pi_det d JOIN bus_PI m ON m.keyNO = d.keyNo
            UNION ALL
            SELECT m.whNo, d.productNo, NULL, 0, 0, 0, 0, d.qty
            FROM wh_out_det d JOIN wh_Out m ON m.keyNo = d.keyNo
            UNION ALL
            SELECT m.whNo, d.productNo, NULL, 0, 0, 0, 0, d.qty
            FROM wh_mat_det d JOIN wh_mat m ON m.keyNo = d.keyNo
            UNION ALL
            SELECT m.whNo, d.productNo, NULL, 0, 0, 0, 0, d.qty
            FROM bus_sd_det d JOIN bus_SD m ON m.keyNo = d.keyNo)
      GROUP BY whNo, productNo) s
LEFT JOIN bas_dep w ON w.depNo = s.whNo
LEFT JOIN view_bas_prd_des p ON p.productNo = s.productNo;

---------------------------------------------------------------------------------------------------
-- Purchasing
---------------------------------------------------------------------------------------------------

-- Purchase-order lines by batch number. inQty is what purchase receipts have taken in for the
-- batch so far, unQty what is still to come.
CREATE VIEW view_qry_bus_po AS
SELECT d.keyNo AS keyNo, d.POItemNo AS POItemNo, d.psNo AS psNo, m.docDate AS docDate,
       m.purDate AS purDate, m.supNo AS supNo, s.supName AS supName, d.productNo AS productNo,
       d.des AS des, d.pName AS pName, d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat,
       d.pSta AS pSta, d.pUnit AS pUnit, d.Qty AS qty, d.uPrice AS uPrice,
       round(coalesce(d.Qty, 0) * coalesce(d.uPrice, 0), 2) AS amount,
       (SELECT total(i.qty) FROM bus_pi_det i WHERE i.PSNo = d.psNo) AS inQty,
       round(coalesce(d.Qty, 0) - (SELECT total(i.qty) FROM bus_pi_det i WHERE i.PSNo = d.psNo),
             5) AS unQty,
       d.done AS done, d.remark AS remark, m.remarkM AS remarkM, m.userName AS userName,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, m.finished AS finished,
       d.def1 AS def1, d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5,
       d.def6 AS def6
FROM bus_po_det d
JOIN bus_PO m ON m.keyNo = d.keyNo
LEFT JOIN bas_sup s ON s.supNo = m.supNo;

CREATE VIEW view_qry_bus_pi AS
SELECT d.keyNo AS keyNo, d.PIItemNo AS PIItemNo, m.PIDate AS PIDate, m.supNo AS supNo,
       s.supName AS supName, m.whNo AS whNo, w.depName AS whName, d.PSNo AS psNo,
       d.productNo AS productNo, d.des AS des, d.pName AS pName, d.pSize AS pSize,
       d.pPre AS pPre, d.pMat AS pMat, d.pSta AS pSta, d.pUnit AS pUnit, d.qty AS qty,
       d.uprice AS uPrice, round(coalesce(d.qty, 0) * coalesce(d.uprice, 0), 2) AS amount,
       d.remark AS remark, m.remarkM AS remarkM, m.userName AS userName, m.docDate AS docDate,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, d.def1 AS def1,
       d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5, d.def6 AS def6
FROM bus_pi_det d
JOIN bus_PI m ON m.keyNO = d.keyNo
LEFT JOIN bas_sup s ON s.supNo = m.supNo
LEFT JOIN bas_dep w ON w.depNo = m.whNo;

---------------------------------------------------------------------------------------------------
-- Sales
---------------------------------------------------------------------------------------------------

-- Sales-order lines by item number. Order lines keep no description copies, so the product's
-- come from the product view (as typing the product number on the order fills them). dQty is
-- what deliveries have shipped of the item so far, unQty what is still to deliver.
CREATE VIEW view_qry_bus_so AS
SELECT d.keyNo AS keyNo, d.itemNo AS itemNo, d.gsNo AS gsNo, m.docDate AS docDate,
       m.dlvDate AS dlvDate, m.custNo AS custNo, c.custName AS custName, m.purNo AS purNo,
       d.productNo AS productNo, p.des AS des, p.productName AS productName,
       p.productSize AS productSize, p.productPre AS productPre, p.productMat AS productMat,
       p.productSta AS productSta, p.productUnit AS productUnit, d.qty AS qty,
       d.uprice AS uPrice, round(coalesce(d.qty, 0) * coalesce(d.uprice, 0), 2) AS amount,
       (SELECT total(s.qty) FROM bus_sd_det s WHERE s.gsNo = d.gsNo) AS dQty,
       round(coalesce(d.qty, 0) - (SELECT total(s.qty) FROM bus_sd_det s WHERE s.gsNo = d.gsNo),
             5) AS unQty,
       d.remark AS remark, m.marking AS marking, m.remarkM AS remarkM, m.stock AS stock,
       m.userName AS userName, m.audited AS audited, m.audName AS audName,
       m.audDate AS audDate, p.def1 AS def1, p.def2 AS def2, p.def3 AS def3, p.def4 AS def4,
       p.def5 AS def5, p.def6 AS def6
FROM bus_so_det d
JOIN bus_SO m ON m.keyNo = d.keyNo
LEFT JOIN bas_cust c ON c.custNo = m.custNo
LEFT JOIN view_bas_prd_des p ON p.productNo = d.productNo;

-- Order lines of which less has been delivered than ordered.
CREATE VIEW view_qry_bus_so_un AS
SELECT * FROM view_qry_bus_so WHERE unQty > 0;

CREATE VIEW view_qry_bus_sd AS
SELECT d.keyNo AS keyNo, d.SDItemNo AS SDItemNo, m.dDate AS dDate, m.custNo AS custNo,
       c.custName AS custName, m.whNo AS whNo, w.depName AS whName, d.gsNo AS gsNo,
       o.purNo AS purNo, d.productNo AS productNo, d.des AS des, d.pName AS pName,
       d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat, d.pSta AS pSta, d.pUnit AS pUnit,
       d.qty AS qty, d.uprice AS uPrice,
       round(coalesce(d.qty, 0) * coalesce(d.uprice, 0), 2) AS amount, d.caseNo AS caseNo,
       d.remark AS remark, m.remarkM AS remarkM, m.userName AS userName, m.docDate AS docDate,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, d.def1 AS def1,
       d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5, d.def6 AS def6
FROM bus_sd_det d
JOIN bus_SD m ON m.keyNo = d.keyNo
LEFT JOIN bas_cust c ON c.custNo = m.custNo
LEFT JOIN bas_dep w ON w.depNo = m.whNo
LEFT JOIN bus_so_det l ON l.gsNo = d.gsNo
LEFT JOIN bus_SO o ON o.keyNo = l.keyNo;

---------------------------------------------------------------------------------------------------
-- Production
---------------------------------------------------------------------------------------------------

-- Task lines by task-line number. The description columns are the product's, as typing the
-- task number on a warehouse line fills them (task lines made from the bill of materials carry
-- no description of their own).
CREATE VIEW view_qry_bus_task AS
SELECT d.taskNo AS taskNo, d.keyNo AS keyNo, d.itemNo AS itemNo, d.gsNo AS gsNo,
       m.docDate AS docDate, d.taskIdNo AS taskIdNo, t.taskIDName AS taskIdName,
       d.productNo AS productNo, p.des AS des, p.productName AS productName,
       p.productSize AS productSize, p.productPre AS productPre, p.productMat AS productMat,
       p.productSta AS productSta, p.productUnit AS productUnit, d.procNo AS procNo,
       r.procName AS procName, d.depNo AS depNo, e.depName AS depName, d.qty AS qty,
       d.pDate AS pDate, d.ylgg AS ylgg, d.ylz AS ylz, d.remark AS remark,
       m.remarkM AS remarkM, d.printCnt AS printCnt, m.userName AS userName,
       m.audited AS audited, m.audName AS audName, m.audDate AS audDate, p.def1 AS def1,
       p.def2 AS def2, p.def3 AS def3, p.def4 AS def4, p.def5 AS def5, p.def6 AS def6
FROM bus_task_det d
JOIN bus_task m ON m.keyNo = d.keyNo
LEFT JOIN bas_taskId t ON t.taskIdNo = d.taskIdNo
LEFT JOIN view_bas_prd_des p ON p.productNo = d.productNo
LEFT JOIN bas_process r ON r.procNo = d.procNo
LEFT JOIN bas_dep e ON e.depNo = d.depNo;

---------------------------------------------------------------------------------------------------
-- Stored queries. keyName is the row's unique key; sortName follows an index of the lines, so a
-- page is read in index order instead of sorting the whole result. idx orders the queries of
-- the report centre and of the query-definition editor.
--
-- Fields in display order (ord, 0-based, which the definition editor rewrites). Condition rows
-- follow the same order: dates as 'date' (the dialog proposes this month), numbers and names as
-- 'char' (compared by containment), quantities as 'float'. Captions are unique within a query:
-- the conditions dialog finds a field again by its caption. A dataSource lists the values the
-- dialog offers for a field.
---------------------------------------------------------------------------------------------------

INSERT INTO sys_filter_sql (tableName, tableCName, category, idx, preSQL, keyName, sortName) VALUES
  ('qry_wh_in', '入库单查询', '仓库管理', 1, 'view_qry_wh_in', 'keyNo,itemNo', 'keyNo,itemNo'),
  ('qry_wh_out', '出库单查询', '仓库管理', 2, 'view_qry_wh_out', 'keyNo,itemNo', 'keyNo,itemNo'),
  ('qry_wh_mo', '原材料出库单查询', '仓库管理', 3, 'view_qry_wh_mo', 'keyNo,itemNo', 'keyNo,itemNo'),
  ('qry_wh_view', '库存查询', '仓库管理', 4, 'view_qry_wh_view', 'whNo,productNo', 'whNo,productNo'),
  ('qry_bus_po', '采购订单查询', '采购管理', 5, 'view_qry_bus_po', 'psNo', 'keyNo,POItemNo'),
  ('qry_bus_pi', '采购入库单查询', '采购管理', 6, 'view_qry_bus_pi', 'keyNo,PIItemNo', 'keyNo,PIItemNo'),
  ('qry_bus_so', '销售订单查询', '销售管理', 7, 'view_qry_bus_so', 'gsNo', 'keyNo,itemNo'),
  ('qry_bus_so_un', '未交付订单查询', '销售管理', 8, 'view_qry_bus_so_un', 'gsNo', 'keyNo,itemNo'),
  ('qry_bus_sd', '销售发货单查询', '销售管理', 9, 'view_qry_bus_sd', 'keyNo,SDItemNo', 'keyNo,SDItemNo'),
  ('qry_bus_task', '生产任务单查询', '生产管理', 10, 'view_qry_bus_task', 'taskNo', 'taskNo'),
  ('bas_products', '物料查询', '基础资料', 11, 'view_bas_prd_des', 'productNo', 'productNo'),
  ('bas_drawing', '图纸查询', '基础资料', 12, 'view_qry_bas_drawing', 'drwNo', 'drwNo');

-- 入库单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_wh_in', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_wh_in', 1, 'inDate', '入库日期', '入库日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_wh_in', 2, 'whNo', '仓库编号', '仓库编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_in', 3, 'whName', '仓库', '仓库', '', 90, 1, 1, 'char', 'select depName from bas_dep where isWh = 1 order by depNo', 0),
  ('qry_wh_in', 4, 'docType', '单据类型', '单据类型', '', 80, 1, 1, 'char', 'select distinct docType from bas_doc where docId = ''入库单''', 0),
  ('qry_wh_in', 5, 'itemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_wh_in', 6, 'taskNo', '任务号', '任务号', '', 110, 1, 1, 'char', '', 0),
  ('qry_wh_in', 7, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_wh_in', 8, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_wh_in', 9, 'pName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_wh_in', 10, 'pSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_wh_in', 11, 'pPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_in', 12, 'pMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_in', 13, 'pSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_wh_in', 14, 'pUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_wh_in', 15, 'qty', '数量', '数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_wh_in', 16, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_wh_in', 17, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_wh_in', 18, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_wh_in', 19, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_wh_in', 20, 'keeper', '保管员', '保管员', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_in', 21, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_in', 22, 'docDate', '制单日期', '制单日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_wh_in', 23, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_wh_in', 24, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_in', 25, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_wh_in', 26, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_in', 27, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_in', 28, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_in', 29, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_in', 30, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_in', 31, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 出库单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_wh_out', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_wh_out', 1, 'outDate', '出库日期', '出库日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_wh_out', 2, 'whNo', '仓库编号', '仓库编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_out', 3, 'whName', '仓库', '仓库', '', 90, 1, 1, 'char', 'select depName from bas_dep where isWh = 1 order by depNo', 0),
  ('qry_wh_out', 4, 'docType', '单据类型', '单据类型', '', 80, 1, 1, 'char', 'select distinct docType from bas_doc where docId = ''出库单''', 0),
  ('qry_wh_out', 5, 'itemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_wh_out', 6, 'taskNo', '任务号', '任务号', '', 110, 1, 1, 'char', '', 0),
  ('qry_wh_out', 7, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_wh_out', 8, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_wh_out', 9, 'pName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_wh_out', 10, 'pSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_wh_out', 11, 'pPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_out', 12, 'pMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_out', 13, 'pSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_wh_out', 14, 'pUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_wh_out', 15, 'qty', '数量', '数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_wh_out', 16, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_wh_out', 17, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_wh_out', 18, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_wh_out', 19, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_wh_out', 20, 'keeper', '保管员', '保管员', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_out', 21, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_out', 22, 'docDate', '制单日期', '制单日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_wh_out', 23, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_wh_out', 24, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_out', 25, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_wh_out', 26, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_out', 27, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_out', 28, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_out', 29, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_out', 30, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_out', 31, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 原材料出库单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_wh_mo', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_wh_mo', 1, 'moDate', '出库日期', '出库日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_wh_mo', 2, 'whNo', '仓库编号', '仓库编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 3, 'whName', '仓库', '仓库', '', 90, 1, 1, 'char', 'select depName from bas_dep where isWh = 1 order by depNo', 0),
  ('qry_wh_mo', 4, 'itemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_wh_mo', 5, 'psNo', '采购批号', '采购批号', '', 100, 1, 1, 'char', '', 0),
  ('qry_wh_mo', 6, 'productNo', '材料编号', '材料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_wh_mo', 7, 'matDes', '材料描述', '材料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_wh_mo', 8, 'matUnit', '材料单位', '材料单位', '', 50, 1, 0, 'char', '', 0),
  ('qry_wh_mo', 9, 'qty', '数量', '数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_wh_mo', 10, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_wh_mo', 11, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_wh_mo', 12, 'taskNo', '任务号', '任务号', '', 110, 1, 1, 'char', '', 0),
  ('qry_wh_mo', 13, 'pQty', '产品数', '产品数', '#,##0.###', 60, 1, 0, 'float', '', 1),
  ('qry_wh_mo', 14, 'uwReal', '实际单重', '实际单重', '#,##0.###', 70, 1, 0, 'float', '', 0),
  ('qry_wh_mo', 15, 'uwPlan', '定额单重', '定额单重', '#,##0.###', 70, 1, 0, 'float', '', 0),
  ('qry_wh_mo', 16, 'des', '产品描述', '产品描述', '', 200, 1, 0, 'char', '', 0),
  ('qry_wh_mo', 17, 'pName', '品名', '品名', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 18, 'pSize', '规格', '规格', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 19, 'pPre', '压力等级', '压力等级', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 20, 'pMat', '材质', '材质', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 21, 'pSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 22, 'pUnit', '单位', '单位', '', 40, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 23, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_wh_mo', 24, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 25, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_mo', 26, 'docDate', '制单日期', '制单日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_wh_mo', 27, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_wh_mo', 28, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 29, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_wh_mo', 30, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 31, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 32, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 33, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 34, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_mo', 35, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 库存查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_wh_view', 0, 'whNo', '仓库编号', '仓库编号', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_view', 1, 'whName', '仓库', '仓库', '', 90, 1, 1, 'char', 'select depName from bas_dep where isWh = 1 order by depNo', 0),
  ('qry_wh_view', 2, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_wh_view', 3, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_wh_view', 4, 'productName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_wh_view', 5, 'productSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_wh_view', 6, 'productPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_view', 7, 'productMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_wh_view', 8, 'productSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_wh_view', 9, 'productUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_wh_view', 10, 'initQty', '期初数量', '期初数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_wh_view', 11, 'inQty', '入库数量', '入库数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_wh_view', 12, 'outQty', '出库数量', '出库数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_wh_view', 13, 'qty', '结存数量', '结存数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_wh_view', 14, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_wh_view', 15, 'amount', '结存金额', '结存金额', '#,##0.00', 90, 1, 0, 'float', '', 1),
  ('qry_wh_view', 16, 'lowQty', '最低库存', '最低库存', '#,##0.###', 70, 0, 0, 'float', '', 0),
  ('qry_wh_view', 17, 'highQty', '最高库存', '最高库存', '#,##0.###', 70, 0, 0, 'float', '', 0),
  ('qry_wh_view', 18, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_view', 19, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_view', 20, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_view', 21, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_view', 22, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_wh_view', 23, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 采购订单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_bus_po', 0, 'keyNo', '订单编号', '订单编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_po', 1, 'docDate', '订单日期', '订单日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_bus_po', 2, 'purDate', '交货日期', '交货日期', 'yyyy-MM-dd', 80, 1, 0, 'date', '', 0),
  ('qry_bus_po', 3, 'supNo', '供应商编号', '供应商编号', '', 70, 0, 0, 'char', '', 0),
  ('qry_bus_po', 4, 'supName', '供应商', '供应商', '', 150, 1, 1, 'char', 'select supName from bas_sup order by supName', 0),
  ('qry_bus_po', 5, 'POItemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_bus_po', 6, 'psNo', '采购批号', '采购批号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_po', 7, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_po', 8, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_bus_po', 9, 'pName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_po', 10, 'pSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_po', 11, 'pPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_po', 12, 'pMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_po', 13, 'pSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_po', 14, 'pUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_bus_po', 15, 'qty', '订货数量', '订货数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_po', 16, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_bus_po', 17, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_bus_po', 18, 'inQty', '已入库数量', '已入库数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_bus_po', 19, 'unQty', '未入库数量', '未入库数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_po', 20, 'done', '已完成', '已完成', '', 50, 0, 0, 'bit', '', 0),
  ('qry_bus_po', 21, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_po', 22, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_po', 23, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_po', 24, 'finished', '订单完结', '订单完结', '', 50, 0, 0, 'bit', '', 0),
  ('qry_bus_po', 25, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_bus_po', 26, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_po', 27, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_po', 28, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_po', 29, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_po', 30, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_po', 31, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_po', 32, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_po', 33, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 采购入库单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_bus_pi', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_pi', 1, 'PIDate', '入库日期', '入库日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_bus_pi', 2, 'supNo', '供应商编号', '供应商编号', '', 70, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 3, 'supName', '供应商', '供应商', '', 150, 1, 1, 'char', 'select supName from bas_sup order by supName', 0),
  ('qry_bus_pi', 4, 'whNo', '仓库编号', '仓库编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 5, 'whName', '仓库', '仓库', '', 90, 1, 1, 'char', 'select depName from bas_dep where isWh = 1 order by depNo', 0),
  ('qry_bus_pi', 6, 'PIItemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_bus_pi', 7, 'psNo', '采购批号', '采购批号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_pi', 8, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_pi', 9, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_bus_pi', 10, 'pName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 11, 'pSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 12, 'pPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 13, 'pMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 14, 'pSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 15, 'pUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 16, 'qty', '数量', '数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_pi', 17, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_bus_pi', 18, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_bus_pi', 19, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 20, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 21, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_pi', 22, 'docDate', '制单日期', '制单日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_pi', 23, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_bus_pi', 24, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 25, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_pi', 26, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 27, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 28, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 29, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 30, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_pi', 31, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 销售订单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_bus_so', 0, 'keyNo', '订单编号', '订单编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_so', 1, 'docDate', '订单日期', '订单日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_bus_so', 2, 'dlvDate', '交货日期', '交货日期', 'yyyy-MM-dd', 80, 1, 0, 'date', '', 0),
  ('qry_bus_so', 3, 'custNo', '客户编号', '客户编号', '', 70, 0, 0, 'char', '', 0),
  ('qry_bus_so', 4, 'custName', '客户', '客户', '', 150, 1, 1, 'char', 'select custName from bas_cust order by custName', 0),
  ('qry_bus_so', 5, 'purNo', '客户采购单号', '客户采购单号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_so', 6, 'itemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_bus_so', 7, 'gsNo', '物项号', '物项号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_so', 8, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_so', 9, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_bus_so', 10, 'productName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_so', 11, 'productSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_so', 12, 'productPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_so', 13, 'productMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_so', 14, 'productSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_so', 15, 'productUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_bus_so', 16, 'qty', '订货数量', '订货数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_so', 17, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_bus_so', 18, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_bus_so', 19, 'dQty', '已发货数量', '已发货数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_bus_so', 20, 'unQty', '未发货数量', '未发货数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_bus_so', 21, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_so', 22, 'marking', '标识要求', '标识要求', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_so', 23, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_so', 24, 'stock', '库存订单', '库存订单', '', 50, 0, 0, 'bit', '', 0),
  ('qry_bus_so', 25, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_so', 26, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_bus_so', 27, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_so', 28, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_so', 29, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so', 30, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so', 31, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so', 32, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so', 33, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so', 34, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 未交付订单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_bus_so_un', 0, 'keyNo', '订单编号', '订单编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_so_un', 1, 'docDate', '订单日期', '订单日期', 'yyyy-MM-dd', 80, 1, 0, 'date', '', 0),
  ('qry_bus_so_un', 2, 'dlvDate', '交货日期', '交货日期', 'yyyy-MM-dd', 80, 1, 0, 'date', '', 0),
  ('qry_bus_so_un', 3, 'custNo', '客户编号', '客户编号', '', 70, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 4, 'custName', '客户', '客户', '', 150, 1, 1, 'char', 'select custName from bas_cust order by custName', 0),
  ('qry_bus_so_un', 5, 'purNo', '客户采购单号', '客户采购单号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_so_un', 6, 'itemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_bus_so_un', 7, 'gsNo', '物项号', '物项号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_so_un', 8, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_so_un', 9, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_bus_so_un', 10, 'productName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 11, 'productSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 12, 'productPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 13, 'productMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 14, 'productSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 15, 'productUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 16, 'qty', '订货数量', '订货数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_so_un', 17, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_bus_so_un', 18, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_bus_so_un', 19, 'dQty', '已发货数量', '已发货数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_bus_so_un', 20, 'unQty', '未发货数量', '未发货数量', '#,##0.###', 70, 1, 0, 'float', '', 1),
  ('qry_bus_so_un', 21, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 22, 'marking', '标识要求', '标识要求', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 23, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 24, 'stock', '库存订单', '库存订单', '', 50, 0, 0, 'bit', '', 0),
  ('qry_bus_so_un', 25, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_so_un', 26, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_bus_so_un', 27, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 28, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_so_un', 29, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 30, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 31, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 32, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 33, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_so_un', 34, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 销售发货单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_bus_sd', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_sd', 1, 'dDate', '发货日期', '发货日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_bus_sd', 2, 'custNo', '客户编号', '客户编号', '', 70, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 3, 'custName', '客户', '客户', '', 150, 1, 1, 'char', 'select custName from bas_cust order by custName', 0),
  ('qry_bus_sd', 4, 'whNo', '仓库编号', '仓库编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 5, 'whName', '仓库', '仓库', '', 90, 1, 1, 'char', 'select depName from bas_dep where isWh = 1 order by depNo', 0),
  ('qry_bus_sd', 6, 'SDItemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_bus_sd', 7, 'gsNo', '物项号', '物项号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_sd', 8, 'purNo', '客户采购单号', '客户采购单号', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 9, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_sd', 10, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_bus_sd', 11, 'pName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 12, 'pSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 13, 'pPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 14, 'pMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 15, 'pSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 16, 'pUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 17, 'qty', '发货数量', '发货数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_sd', 18, 'uPrice', '单价', '单价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('qry_bus_sd', 19, 'amount', '金额', '金额', '#,##0.00', 80, 1, 0, 'float', '', 1),
  ('qry_bus_sd', 20, 'caseNo', '箱号', '箱号', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 21, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 22, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 23, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_sd', 24, 'docDate', '制单日期', '制单日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_sd', 25, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_bus_sd', 26, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 27, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_sd', 28, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 29, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 30, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 31, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 32, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_sd', 33, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 生产任务单查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_bus_task', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_bus_task', 1, 'docDate', '制单日期', '制单日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_bus_task', 2, 'gsNo', '物项号', '物项号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_task', 3, 'itemNo', '行号', '行号', '', 40, 0, 0, 'int', '', 0),
  ('qry_bus_task', 4, 'taskNo', '任务号', '任务号', '', 110, 1, 1, 'char', '', 0),
  ('qry_bus_task', 5, 'taskIdNo', '任务类型编号', '任务类型编号', '', 50, 0, 0, 'int', '', 0),
  ('qry_bus_task', 6, 'taskIdName', '任务类型', '任务类型', '', 80, 1, 0, 'char', 'select taskIDName from bas_taskId order by taskIdNo', 0),
  ('qry_bus_task', 7, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('qry_bus_task', 8, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_bus_task', 9, 'productName', '品名', '品名', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_task', 10, 'productSize', '规格', '规格', '', 80, 1, 0, 'char', '', 0),
  ('qry_bus_task', 11, 'productPre', '压力等级', '压力等级', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_task', 12, 'productMat', '材质', '材质', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_task', 13, 'productSta', '标准', '标准', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_task', 14, 'productUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('qry_bus_task', 15, 'procNo', '工序编号', '工序编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_task', 16, 'procName', '工序', '工序', '', 80, 1, 1, 'char', 'select procName from bas_process order by procNo', 0),
  ('qry_bus_task', 17, 'depNo', '部门编号', '部门编号', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_task', 18, 'depName', '生产部门', '生产部门', '', 90, 1, 1, 'char', 'select depName from bas_dep where isOw = 1 or isPlant = 1 or isWh = 1 order by depNo', 0),
  ('qry_bus_task', 19, 'qty', '数量', '数量', '#,##0.###', 70, 1, 1, 'float', '', 1),
  ('qry_bus_task', 20, 'pDate', '计划完工日期', '计划完工日期', 'yyyy-MM-dd', 80, 1, 0, 'date', '', 0),
  ('qry_bus_task', 21, 'ylgg', '原料规格', '原料规格', '', 90, 0, 0, 'char', '', 0),
  ('qry_bus_task', 22, 'ylz', '原料用量', '原料用量', '#,##0.###', 70, 0, 0, 'float', '', 0),
  ('qry_bus_task', 23, 'remark', '备注', '备注', '', 100, 1, 0, 'char', '', 0),
  ('qry_bus_task', 24, 'remarkM', '单据备注', '单据备注', '', 100, 0, 0, 'char', '', 0),
  ('qry_bus_task', 25, 'printCnt', '打印次数', '打印次数', '', 50, 0, 0, 'int', '', 0),
  ('qry_bus_task', 26, 'userName', '制单人', '制单人', '', 60, 1, 0, 'char', '', 0),
  ('qry_bus_task', 27, 'audited', '已审核', '已审核', '', 50, 1, 0, 'bit', '', 0),
  ('qry_bus_task', 28, 'audName', '审核人', '审核人', '', 60, 0, 0, 'char', '', 0),
  ('qry_bus_task', 29, 'audDate', '审核日期', '审核日期', 'yyyy-MM-dd hh:mm', 110, 0, 0, 'date', '', 0),
  ('qry_bus_task', 30, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_task', 31, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_task', 32, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_task', 33, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_task', 34, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('qry_bus_task', 35, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 物料查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('bas_products', 0, 'productNo', '物料编号', '物料编号', '', 90, 1, 1, 'char', '', 0),
  ('bas_products', 1, 'productName', '物料名称', '物料名称', '', 90, 1, 1, 'char', '', 0),
  ('bas_products', 2, 'productSize', '规格', '规格', '', 90, 1, 1, 'char', '', 0),
  ('bas_products', 3, 'productPre', '压力等级', '压力等级', '', 60, 1, 1, 'char', '', 0),
  ('bas_products', 4, 'productMat', '材质', '材质', '', 70, 1, 1, 'char', '', 0),
  ('bas_products', 5, 'productSta', '标准', '标准', '', 90, 1, 0, 'char', '', 0),
  ('bas_products', 6, 'productUnit', '单位', '单位', '', 40, 1, 0, 'char', '', 0),
  ('bas_products', 7, 'des', '物料描述', '物料描述', '', 200, 1, 0, 'char', '', 0),
  ('bas_products', 8, 'productId', '类别编号', '类别编号', '', 60, 0, 0, 'char', '', 0),
  ('bas_products', 9, 'costPrice', '成本价', '成本价', '#,##0.00', 70, 1, 0, 'float', '', 0),
  ('bas_products', 10, 'source', '来源', '来源', '', 50, 1, 0, 'char', '', 0),
  ('bas_products', 11, 'uw', '单重', '单重', '#,##0.###', 60, 0, 0, 'float', '', 0),
  ('bas_products', 12, 'lowQty', '最低库存', '最低库存', '#,##0.###', 70, 0, 0, 'float', '', 0),
  ('bas_products', 13, 'highQty', '最高库存', '最高库存', '#,##0.###', 70, 0, 0, 'float', '', 0),
  ('bas_products', 14, 'brand', '品牌', '品牌', '', 70, 0, 0, 'char', '', 0),
  ('bas_products', 15, 'remark', '备注', '备注', '', 100, 0, 0, 'char', '', 0),
  ('bas_products', 16, 'def1', '自定义1', '自定义1', '', 80, 0, 0, 'char', '', 0),
  ('bas_products', 17, 'def2', '自定义2', '自定义2', '', 80, 0, 0, 'char', '', 0),
  ('bas_products', 18, 'def3', '自定义3', '自定义3', '', 80, 0, 0, 'char', '', 0),
  ('bas_products', 19, 'def4', '自定义4', '自定义4', '', 80, 0, 0, 'char', '', 0),
  ('bas_products', 20, 'def5', '自定义5', '自定义5', '', 80, 0, 0, 'char', '', 0),
  ('bas_products', 21, 'def6', '自定义6', '自定义6', '', 80, 0, 0, 'char', '', 0);

-- 图纸查询
INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('bas_drawing', 0, 'drwNo', '图号', '图号', '', 120, 1, 1, 'char', '', 0),
  ('bas_drawing', 1, 'productNo', '产品编号', '产品编号', '', 90, 1, 1, 'char', '', 0),
  ('bas_drawing', 2, 'des', '产品描述', '产品描述', '', 200, 1, 0, 'char', '', 0),
  ('bas_drawing', 3, 'productName', '品名', '品名', '', 80, 0, 1, 'char', '', 0),
  ('bas_drawing', 4, 'drwIdNo', '图纸类别编号', '图纸类别编号', '', 60, 0, 0, 'char', '', 0),
  ('bas_drawing', 5, 'drwIdName', '图纸类别', '图纸类别', '', 90, 1, 1, 'char', 'select drwIdName from bas_dId order by drwIdNo', 0),
  ('bas_drawing', 6, 'ext', '文件类型', '文件类型', '', 50, 1, 0, 'char', '', 0),
  ('bas_drawing', 7, 'remark', '备注', '备注', '', 120, 1, 0, 'char', '', 0);
