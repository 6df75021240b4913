---------------------------------------------------------------------------------------------------
-- Sales deliveries and opening stock: the views their screens read and write back through, and
-- the layout of the delivery lines.
---------------------------------------------------------------------------------------------------

-- Delivery lines as the delivery screen edits them: exactly the stored columns, so a save
-- writes back what was read (the screen computes the amount).
CREATE VIEW view_up_bus_sd AS
SELECT keyNo, SDItemNo, gsNo, productNo, qty, uprice, caseNo, remark, des, pName, pSize, pPre,
       pMat, pSta, pUnit, def1, def2, def3, def4, def5, def6
FROM bus_sd_det;

-- Opening-stock rows with their product's description. Edits go back to wh_stock, which keeps
-- only its own columns; realMoney is the current value of the row.
CREATE VIEW view_stock_view AS
SELECT s.whNo AS whNo, s.whName AS whName, s.productNo AS productNo, s.initQty AS initQty,
       s.initPrice AS initPrice, s.Qty AS Qty, s.uPrice AS uPrice,
       round(coalesce(s.Qty, 0) * coalesce(s.uPrice, 0), 10) AS realMoney, s.remark AS remark,
       p.productName AS productName, p.productSize AS productSize, p.productPre AS productPre,
       p.productMat AS productMat, p.productSta AS productSta, p.productUnit AS productUnit,
       p.def1 AS def1, p.def2 AS def2, p.def3 AS def3, p.def4 AS def4, p.def5 AS def5,
       p.def6 AS def6, p.des AS des
FROM wh_stock s
LEFT JOIN view_bas_prd_des p ON p.productNo = s.productNo;

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bus_SD_det', 0, 'gsNo', 1, 100, '销售发货单明细', '物项号', '物项号'),
  ('bus_SD_det', 1, 'productNo', 1, 110, '销售发货单明细', '物料编号', '物料编号'),
  ('bus_SD_det', 2, 'pName', 1, 90, '销售发货单明细', '品名', '品名'),
  ('bus_SD_det', 3, 'pPre', 1, 60, '销售发货单明细', '压力', '压力'),
  ('bus_SD_det', 4, 'pSize', 1, 90, '销售发货单明细', '规格', '规格'),
  ('bus_SD_det', 5, 'pMat', 1, 70, '销售发货单明细', '材质', '材质'),
  ('bus_SD_det', 6, 'pSta', 1, 90, '销售发货单明细', '标准', '标准'),
  ('bus_SD_det', 7, 'pUnit', 1, 45, '销售发货单明细', '单位', '单位'),
  ('bus_SD_det', 8, 'qty', 1, 70, '销售发货单明细', '数量', '数量'),
  ('bus_SD_det', 9, 'uprice', 1, 70, '销售发货单明细', '单价', '单价'),
  ('bus_SD_det', 10, 'amount', 1, 80, '销售发货单明细', '金额', '金额'),
  ('bus_SD_det', 11, 'caseNo', 1, 70, '销售发货单明细', '箱号', '箱号'),
  ('bus_SD_det', 12, 'remark', 1, 120, '销售发货单明细', '备注', '备注'),
  ('bus_SD_det', 13, 'SDItemNo', 0, 40, '销售发货单明细', '行号', '行号'),
  ('bus_SD_det', 14, 'des', 1, 200, '销售发货单明细', '物料描述', '物料描述'),
  ('bus_SD_det', 15, 'def1', 0, 80, '销售发货单明细', '自定义1', '自定义1'),
  ('bus_SD_det', 16, 'def2', 0, 80, '销售发货单明细', '自定义2', '自定义2'),
  ('bus_SD_det', 17, 'def3', 0, 80, '销售发货单明细', '自定义3', '自定义3'),
  ('bus_SD_det', 18, 'def4', 0, 80, '销售发货单明细', '自定义4', '自定义4'),
  ('bus_SD_det', 19, 'def5', 0, 80, '销售发货单明细', '自定义5', '自定义5'),
  ('bus_SD_det', 20, 'def6', 0, 80, '销售发货单明细', '自定义6', '自定义6'),
  ('bus_SD_det', 21, 'keyNo', 0, 100, '销售发货单明细', '单据编号', '单据编号');
