---------------------------------------------------------------------------------------------------
-- Purchase orders and receipts: the views their screens read lines from, the order query with
-- received quantities from the receipts, the grid layouts, and the rule that keeps receipts,
-- material issues and inspections from pointing at a batch that is gone.
---------------------------------------------------------------------------------------------------

-- Order lines as the order screen edits them: the stored columns (saving writes only those
-- back), then what the receipts took in for each batch. Stored inQty is never maintained;
-- inQty here is the receipts' sum, and done is 1 once it reaches a positive ordered quantity
-- (or the line was closed as done elsewhere).
CREATE VIEW view_up_bus_po AS
SELECT d.psNo AS psNo, d.keyNo AS keyNo, d.POItemNo AS POItemNo, d.productNo AS productNo,
       d.Qty AS Qty, d.uPrice AS uPrice, d.remark AS remark, d.des AS des, d.pName AS pName,
       d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat, d.pSta AS pSta, d.pUnit AS pUnit,
       d.def1 AS def1, d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5,
       d.def6 AS def6, coalesce(d.Qty, 0) * coalesce(d.uPrice, 0) AS amount,
       d.received AS inQty,
       CASE WHEN coalesce(d.done, 0) = 1 OR (d.Qty > 0 AND d.received >= d.Qty) THEN 1 ELSE 0
       END AS done
FROM (SELECT l.*, (SELECT total(i.qty) FROM bus_pi_det i WHERE i.PSNo = l.psNo) AS received
      FROM bus_po_det l) d;

CREATE VIEW view_up_bus_pi AS
SELECT keyNo, PIItemNo, PSNo, productNo, qty, uprice, remark, pUnit, pName, pSize, pPre, pMat,
       pSta, des, def1, def2, def3, def4, def5, def6
FROM bus_pi_det;

-- One row per batch, as the receipt's batch picker and completion, the inspection and the
-- order query read it; done follows the receipts as on the order screen.
DROP VIEW view_qry_bus_po;
CREATE VIEW view_qry_bus_po AS
SELECT d.keyNo AS keyNo, d.POItemNo AS POItemNo, d.psNo AS psNo, m.docDate AS docDate,
       m.purDate AS purDate, m.supNo AS supNo, s.supName AS supName, d.productNo AS productNo,
       d.des AS des, d.pName AS pName, d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat,
       d.pSta AS pSta, d.pUnit AS pUnit, d.Qty AS qty, d.uPrice AS uPrice,
       round(coalesce(d.Qty, 0) * coalesce(d.uPrice, 0), 2) AS amount, d.inQty AS inQty,
       round(coalesce(d.Qty, 0) - d.inQty, 5) AS unQty, d.done AS done, d.remark AS remark,
       m.remarkM AS remarkM, m.userName AS userName, m.audited AS audited, m.audName AS audName,
       m.audDate AS audDate, m.finished AS finished, d.def1 AS def1, d.def2 AS def2,
       d.def3 AS def3, d.def4 AS def4, d.def5 AS def5, d.def6 AS def6
FROM view_up_bus_po d
JOIN bus_PO m ON m.keyNo = d.keyNo
LEFT JOIN bas_sup s ON s.supNo = m.supNo;

---------------------------------------------------------------------------------------------------
-- A batch that a receipt, a material issue or an inspection names stays: deleting its order
-- line, or renumbering it, would leave those documents pointing at nothing.
---------------------------------------------------------------------------------------------------

CREATE TRIGGER tr_bus_po_det_referenced_delete BEFORE DELETE ON bus_po_det
BEGIN
  SELECT qk_refuse('采购批号 ' || OLD.psNo || ' 已有采购入库单，不能删除！')
  WHERE EXISTS (SELECT 1 FROM bus_pi_det WHERE PSNo = OLD.psNo);
  SELECT qk_refuse('采购批号 ' || OLD.psNo || ' 已有原材料出库单，不能删除！')
  WHERE EXISTS (SELECT 1 FROM wh_mat_det WHERE psNo = OLD.psNo);
  SELECT qk_refuse('采购批号 ' || OLD.psNo || ' 已有进货检验单，不能删除！')
  WHERE EXISTS (SELECT 1 FROM check_m WHERE posch = OLD.psNo);
END;
CREATE TRIGGER tr_bus_po_det_referenced_renumber BEFORE UPDATE OF psNo ON bus_po_det
  WHEN NEW.psNo IS NOT OLD.psNo
BEGIN
  SELECT qk_refuse('采购批号 ' || OLD.psNo || ' 已被引用，不能修改！')
  WHERE EXISTS (SELECT 1 FROM bus_pi_det WHERE PSNo = OLD.psNo)
     OR EXISTS (SELECT 1 FROM wh_mat_det WHERE psNo = OLD.psNo)
     OR EXISTS (SELECT 1 FROM check_m WHERE posch = OLD.psNo);
END;

---------------------------------------------------------------------------------------------------
-- Column layouts of the order and receipt lines. Numbers and free fields stay hidden until an
-- administrator shows them.
---------------------------------------------------------------------------------------------------

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bus_PO_det', 0, 'psNo', 1, 100, '采购订单明细', '采购批号', '采购批号'),
  ('bus_PO_det', 1, 'productNo', 1, 110, '采购订单明细', '物料编号', '物料编号'),
  ('bus_PO_det', 2, 'pName', 1, 90, '采购订单明细', '品名', '品名'),
  ('bus_PO_det', 3, 'pSize', 1, 90, '采购订单明细', '规格', '规格'),
  ('bus_PO_det', 4, 'pMat', 1, 70, '采购订单明细', '材质', '材质'),
  ('bus_PO_det', 5, 'pPre', 1, 60, '采购订单明细', '压力', '压力'),
  ('bus_PO_det', 6, 'pSta', 1, 90, '采购订单明细', '标准', '标准'),
  ('bus_PO_det', 7, 'pUnit', 1, 45, '采购订单明细', '单位', '单位'),
  ('bus_PO_det', 8, 'Qty', 1, 70, '采购订单明细', '数量', '数量'),
  ('bus_PO_det', 9, 'uPrice', 1, 70, '采购订单明细', '单价', '单价'),
  ('bus_PO_det', 10, 'amount', 1, 80, '采购订单明细', '金额', '金额'),
  ('bus_PO_det', 11, 'remark', 1, 120, '采购订单明细', '备注', '备注'),
  ('bus_PO_det', 12, 'des', 1, 200, '采购订单明细', '物料描述', '物料描述'),
  ('bus_PO_det', 13, 'def1', 0, 80, '采购订单明细', '自定义1', '自定义1'),
  ('bus_PO_det', 14, 'def2', 0, 80, '采购订单明细', '自定义2', '自定义2'),
  ('bus_PO_det', 15, 'def3', 0, 80, '采购订单明细', '自定义3', '自定义3'),
  ('bus_PO_det', 16, 'def4', 0, 80, '采购订单明细', '自定义4', '自定义4'),
  ('bus_PO_det', 17, 'def5', 0, 80, '采购订单明细', '自定义5', '自定义5'),
  ('bus_PO_det', 18, 'def6', 0, 80, '采购订单明细', '自定义6', '自定义6'),
  ('bus_PO_det', 19, 'POItemNo', 0, 40, '采购订单明细', '行号', '行号'),
  ('bus_PO_det', 20, 'keyNo', 0, 100, '采购订单明细', '单据编号', '单据编号'),
  ('bus_PO_det', 21, 'inQty', 1, 70, '采购订单明细', '已入库数量', '已入库数量'),
  ('bus_PO_det', 22, 'done', 1, 40, '采购订单明细', '完成', '完成');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bus_PI_det', 0, 'PSNo', 1, 100, '采购入库单明细', '采购批号', '采购批号'),
  ('bus_PI_det', 1, 'productNo', 1, 110, '采购入库单明细', '物料编号', '物料编号'),
  ('bus_PI_det', 2, 'pName', 1, 90, '采购入库单明细', '品名', '品名'),
  ('bus_PI_det', 3, 'pSize', 1, 90, '采购入库单明细', '规格', '规格'),
  ('bus_PI_det', 4, 'pMat', 1, 70, '采购入库单明细', '材质', '材质'),
  ('bus_PI_det', 5, 'pPre', 1, 60, '采购入库单明细', '压力', '压力'),
  ('bus_PI_det', 6, 'pSta', 1, 90, '采购入库单明细', '标准', '标准'),
  ('bus_PI_det', 7, 'pUnit', 1, 45, '采购入库单明细', '单位', '单位'),
  ('bus_PI_det', 8, 'qty', 1, 70, '采购入库单明细', '数量', '数量'),
  ('bus_PI_det', 9, 'uprice', 1, 70, '采购入库单明细', '单价', '单价'),
  ('bus_PI_det', 10, 'amount', 1, 80, '采购入库单明细', '金额', '金额'),
  ('bus_PI_det', 11, 'remark', 1, 120, '采购入库单明细', '备注', '备注'),
  ('bus_PI_det', 12, 'des', 1, 200, '采购入库单明细', '物料描述', '物料描述'),
  ('bus_PI_det', 13, 'def1', 0, 80, '采购入库单明细', '自定义1', '自定义1'),
  ('bus_PI_det', 14, 'def2', 0, 80, '采购入库单明细', '自定义2', '自定义2'),
  ('bus_PI_det', 15, 'def3', 0, 80, '采购入库单明细', '自定义3', '自定义3'),
  ('bus_PI_det', 16, 'def4', 0, 80, '采购入库单明细', '自定义4', '自定义4'),
  ('bus_PI_det', 17, 'def5', 0, 80, '采购入库单明细', '自定义5', '自定义5'),
  ('bus_PI_det', 18, 'def6', 0, 80, '采购入库单明细', '自定义6', '自定义6'),
  ('bus_PI_det', 19, 'PIItemNo', 0, 40, '采购入库单明细', '行号', '行号'),
  ('bus_PI_det', 20, 'keyNo', 0, 100, '采购入库单明细', '单据编号', '单据编号');
