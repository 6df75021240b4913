-- Material issues and incoming inspections: the views their screens read and the column
-- layouts of their line grids.

-- Material-issue lines as stored; the amount is computed by the screen from quantity and price.
CREATE VIEW view_up_wh_mat AS
SELECT keyNo, itemNo, psNo, productNo, matDes, matUnit, qty, uPrice, taskNo, pQty, uwReal, uwPlan,
       pName, pSize, pPre, pMat, pSta, pUnit, remark, des, def1, def2, def3, def4, def5, def6
FROM wh_mat_det;

-- Inspections with exactly the fields of check_m, so the screen writes back what it read.
CREATE VIEW view_qry_check AS
SELECT keyNo, editName, editDate, audName, audDate, audited, memo, docNo, checkId, posch, qty, gqty, gfqty, lfqty, fxqty, dyqty, des, heatNo
FROM check_m;

-- Two-level titles: the material and the product it is issued for.
INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('wh_mat_det', 0, 'psNo', 1, 100, '原材料出库单明细', '原材料信息|采购批号', '原材料信息|采购批号'),
  ('wh_mat_det', 1, 'productNo', 1, 100, '原材料出库单明细', '原材料信息|材料编号', '原材料信息|材料编号'),
  ('wh_mat_det', 2, 'matDes', 1, 200, '原材料出库单明细', '原材料信息|物料描述', '原材料信息|物料描述'),
  ('wh_mat_det', 3, 'matUnit', 1, 45, '原材料出库单明细', '原材料信息|单位', '原材料信息|单位'),
  ('wh_mat_det', 4, 'qty', 1, 70, '原材料出库单明细', '原材料信息|数量', '原材料信息|数量'),
  ('wh_mat_det', 5, 'uPrice', 1, 70, '原材料出库单明细', '原材料信息|单价', '原材料信息|单价'),
  ('wh_mat_det', 6, 'amount', 1, 80, '原材料出库单明细', '原材料信息|金额', '原材料信息|金额'),
  ('wh_mat_det', 7, 'taskNo', 1, 110, '原材料出库单明细', '产品信息|物项号', '产品信息|物项号'),
  ('wh_mat_det', 8, 'pQty', 1, 60, '原材料出库单明细', '产品信息|产品数', '产品信息|产品数'),
  ('wh_mat_det', 9, 'uwReal', 1, 70, '原材料出库单明细', '产品信息|实际单重', '产品信息|实际单重'),
  ('wh_mat_det', 10, 'uwPlan', 1, 70, '原材料出库单明细', '产品信息|定额单重', '产品信息|定额单重'),
  ('wh_mat_det', 11, 'pName', 1, 80, '原材料出库单明细', '产品信息|品名', '产品信息|品名'),
  ('wh_mat_det', 12, 'pSize', 1, 80, '原材料出库单明细', '产品信息|规格', '产品信息|规格'),
  ('wh_mat_det', 13, 'pPre', 1, 60, '原材料出库单明细', '产品信息|压力', '产品信息|压力'),
  ('wh_mat_det', 14, 'pMat', 1, 60, '原材料出库单明细', '产品信息|材质', '产品信息|材质'),
  ('wh_mat_det', 15, 'pSta', 1, 80, '原材料出库单明细', '产品信息|标准', '产品信息|标准'),
  ('wh_mat_det', 16, 'pUnit', 1, 45, '原材料出库单明细', '产品信息|单位', '产品信息|单位'),
  ('wh_mat_det', 17, 'remark', 1, 120, '原材料出库单明细', '备注', '备注'),
  ('wh_mat_det', 18, 'itemNo', 0, 40, '原材料出库单明细', '行号', '行号'),
  ('wh_mat_det', 19, 'des', 0, 200, '原材料出库单明细', '产品描述', '产品描述'),
  ('wh_mat_det', 20, 'def1', 0, 80, '原材料出库单明细', '自定义1', '自定义1'),
  ('wh_mat_det', 21, 'def2', 0, 80, '原材料出库单明细', '自定义2', '自定义2'),
  ('wh_mat_det', 22, 'def3', 0, 80, '原材料出库单明细', '自定义3', '自定义3'),
  ('wh_mat_det', 23, 'def4', 0, 80, '原材料出库单明细', '自定义4', '自定义4'),
  ('wh_mat_det', 24, 'def5', 0, 80, '原材料出库单明细', '自定义5', '自定义5'),
  ('wh_mat_det', 25, 'def6', 0, 80, '原材料出库单明细', '自定义6', '自定义6'),
  ('wh_mat_det', 26, 'keyNo', 0, 100, '原材料出库单明细', '单据编号', '单据编号');

-- Thirty measured values per line; the first ten shown until an administrator shows more.
INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('check_d', 0, 'rowNo', 1, 40, '进货检验数据', '序号', '序号'),
  ('check_d', 1, 'item1', 1, 70, '进货检验数据', '检验项1', '检验项1'),
  ('check_d', 2, 'item2', 1, 70, '进货检验数据', '检验项2', '检验项2'),
  ('check_d', 3, 'item3', 1, 70, '进货检验数据', '检验项3', '检验项3'),
  ('check_d', 4, 'item4', 1, 70, '进货检验数据', '检验项4', '检验项4'),
  ('check_d', 5, 'item5', 1, 70, '进货检验数据', '检验项5', '检验项5'),
  ('check_d', 6, 'item6', 1, 70, '进货检验数据', '检验项6', '检验项6'),
  ('check_d', 7, 'item7', 1, 70, '进货检验数据', '检验项7', '检验项7'),
  ('check_d', 8, 'item8', 1, 70, '进货检验数据', '检验项8', '检验项8'),
  ('check_d', 9, 'item9', 1, 70, '进货检验数据', '检验项9', '检验项9'),
  ('check_d', 10, 'item10', 1, 70, '进货检验数据', '检验项10', '检验项10'),
  ('check_d', 11, 'item11', 0, 70, '进货检验数据', '检验项11', '检验项11'),
  ('check_d', 12, 'item12', 0, 70, '进货检验数据', '检验项12', '检验项12'),
  ('check_d', 13, 'item13', 0, 70, '进货检验数据', '检验项13', '检验项13'),
  ('check_d', 14, 'item14', 0, 70, '进货检验数据', '检验项14', '检验项14'),
  ('check_d', 15, 'item15', 0, 70, '进货检验数据', '检验项15', '检验项15'),
  ('check_d', 16, 'item16', 0, 70, '进货检验数据', '检验项16', '检验项16'),
  ('check_d', 17, 'item17', 0, 70, '进货检验数据', '检验项17', '检验项17'),
  ('check_d', 18, 'item18', 0, 70, '进货检验数据', '检验项18', '检验项18'),
  ('check_d', 19, 'item19', 0, 70, '进货检验数据', '检验项19', '检验项19'),
  ('check_d', 20, 'item20', 0, 70, '进货检验数据', '检验项20', '检验项20'),
  ('check_d', 21, 'item21', 0, 70, '进货检验数据', '检验项21', '检验项21'),
  ('check_d', 22, 'item22', 0, 70, '进货检验数据', '检验项22', '检验项22'),
  ('check_d', 23, 'item23', 0, 70, '进货检验数据', '检验项23', '检验项23'),
  ('check_d', 24, 'item24', 0, 70, '进货检验数据', '检验项24', '检验项24'),
  ('check_d', 25, 'item25', 0, 70, '进货检验数据', '检验项25', '检验项25'),
  ('check_d', 26, 'item26', 0, 70, '进货检验数据', '检验项26', '检验项26'),
  ('check_d', 27, 'item27', 0, 70, '进货检验数据', '检验项27', '检验项27'),
  ('check_d', 28, 'item28', 0, 70, '进货检验数据', '检验项28', '检验项28'),
  ('check_d', 29, 'item29', 0, 70, '进货检验数据', '检验项29', '检验项29'),
  ('check_d', 30, 'item30', 0, 70, '进货检验数据', '检验项30', '检验项30'),
  ('check_d', 31, 'keyNo', 0, 100, '进货检验数据', '单据编号', '单据编号');

-- Finding an inspection: its header with the supplier of the inspected purchase line.
CREATE VIEW view_qry_check_find AS
SELECT c.keyNo AS keyNo, c.editDate AS editDate, c.posch AS posch, c.des AS des,
       c.checkId AS checkId, c.qty AS qty, c.gqty AS gqty, c.lfqty AS lfqty, c.dyqty AS dyqty,
       c.heatNo AS heatNo, p.supName AS supName, c.audited AS audited, c.memo AS memo
FROM check_m c
LEFT JOIN (SELECT d.psNo AS psNo, min(s.supName) AS supName
           FROM bus_po_det d JOIN bus_PO m ON m.keyNo = d.keyNo
           LEFT JOIN bas_sup s ON s.supNo = m.supNo
           GROUP BY d.psNo) p ON p.psNo = c.posch;

INSERT INTO sys_filter_sql (tableName, tableCName, category, idx, preSQL, keyName, sortName) VALUES
  ('qry_check', '进货检验单查询', '质量管理', 20, 'view_qry_check_find', 'keyNo', 'keyNo');

INSERT INTO sys_filter (tableName, ord, fieldName, fieldCName, dispName, displayFormat, width,
                        showInResult, showInCondition, type, dataSource, calcSum) VALUES
  ('qry_check', 0, 'keyNo', '单据编号', '单据编号', '', 100, 1, 1, 'char', '', 0),
  ('qry_check', 1, 'editDate', '制单日期', '制单日期', 'yyyy-MM-dd', 80, 1, 1, 'date', '', 0),
  ('qry_check', 2, 'posch', '采购批号', '采购批号', '', 100, 1, 1, 'char', '', 0),
  ('qry_check', 3, 'des', '物料描述', '物料描述', '', 200, 1, 1, 'char', '', 0),
  ('qry_check', 4, 'supName', '供应商', '供应商', '', 120, 1, 1, 'char', '', 0),
  ('qry_check', 5, 'checkId', '检验方式', '检验方式', '', 70, 1, 1, 'char', 'select checkIdName from bas_checkId', 0),
  ('qry_check', 6, 'qty', '送检数', '送检数', '', 70, 1, 0, 'float', '', 1),
  ('qry_check', 7, 'gqty', '合格数', '合格数', '', 70, 1, 0, 'float', '', 1),
  ('qry_check', 8, 'lfqty', '报废数', '报废数', '', 70, 1, 0, 'float', '', 1),
  ('qry_check', 9, 'dyqty', '代用数', '代用数', '', 70, 1, 0, 'float', '', 1),
  ('qry_check', 10, 'heatNo', '炉号', '炉号', '', 90, 1, 1, 'char', '', 0),
  ('qry_check', 11, 'memo', '备注', '备注', '', 120, 1, 0, 'char', '', 0);
