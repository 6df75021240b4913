-- The receipt and issue screens read their lines here and save them back into the tables, so each
-- view has exactly its table's columns, by the same names and in the same order.
CREATE VIEW view_up_wh_in AS
SELECT keyNo, itemNo, taskNo, productNo, qty, uPrice, remark, des, pName, pSize, pPre, pMat,
       pSta, pUnit, def1, def2, def3, def4, def5, def6
FROM wh_in_det;

CREATE VIEW view_up_wh_out AS
SELECT keyNo, itemNo, taskNo, productNo, qty, uPrice, remark, des, pName, pSize, pPre, pMat,
       pSta, pUnit, def1, def2, def3, def4, def5, def6
FROM wh_out_det;

-- Column layouts of the two screens' line grids. amount is computed by the screen from quantity
-- and price; line and document numbers and the free fields stay hidden until an administrator
-- shows them.
INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('wh_In_det', 0, 'taskNo', 1, 110, '入库单明细', '任务号', '任务号'),
  ('wh_In_det', 1, 'productNo', 1, 110, '入库单明细', '产品编号', '产品编号'),
  ('wh_In_det', 2, 'pName', 1, 90, '入库单明细', '品名', '品名'),
  ('wh_In_det', 3, 'pSize', 1, 90, '入库单明细', '规格', '规格'),
  ('wh_In_det', 4, 'pMat', 1, 70, '入库单明细', '材质', '材质'),
  ('wh_In_det', 5, 'pPre', 1, 60, '入库单明细', '压力', '压力'),
  ('wh_In_det', 6, 'pSta', 1, 90, '入库单明细', '标准', '标准'),
  ('wh_In_det', 7, 'pUnit', 1, 45, '入库单明细', '单位', '单位'),
  ('wh_In_det', 8, 'qty', 1, 70, '入库单明细', '数量', '数量'),
  ('wh_In_det', 9, 'uPrice', 1, 70, '入库单明细', '单价', '单价'),
  ('wh_In_det', 10, 'amount', 1, 80, '入库单明细', '金额', '金额'),
  ('wh_In_det', 11, 'remark', 1, 120, '入库单明细', '备注', '备注'),
  ('wh_In_det', 12, 'itemNo', 0, 40, '入库单明细', '行号', '行号'),
  ('wh_In_det', 13, 'keyNo', 0, 100, '入库单明细', '单据编号', '单据编号'),
  ('wh_In_det', 14, 'def1', 0, 80, '入库单明细', '自定义1', '自定义1'),
  ('wh_In_det', 15, 'def2', 0, 80, '入库单明细', '自定义2', '自定义2'),
  ('wh_In_det', 16, 'def3', 0, 80, '入库单明细', '自定义3', '自定义3'),
  ('wh_In_det', 17, 'def4', 0, 80, '入库单明细', '自定义4', '自定义4'),
  ('wh_In_det', 18, 'def5', 0, 80, '入库单明细', '自定义5', '自定义5'),
  ('wh_In_det', 19, 'def6', 0, 80, '入库单明细', '自定义6', '自定义6'),
  ('wh_In_det', 20, 'des', 1, 200, '入库单明细', '物料描述', '物料描述');

-- The issue's lines have the receipt's columns.
INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName)
SELECT 'wh_Out_det', rowNo, fieldName, visible, width, '出库单明细', fieldCName, defaultName
FROM sys_col WHERE tableName = 'wh_In_det' ORDER BY rowNo;
