-- Quality certificates and product categories: the column layout of the certificate lines, and
-- what the database itself refuses when a category is deleted.

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('check_mat_d', 0, 'sch', 1, 110, '质量证明书明细', '合同号', '合同号'),
  ('check_mat_d', 1, 'cName', 1, 120, '质量证明书明细', '品名', '品名'),
  ('check_mat_d', 2, 'cSize', 1, 120, '质量证明书明细', '规格', '规格'),
  ('check_mat_d', 3, 'cMat', 1, 80, '质量证明书明细', '材质', '材质'),
  ('check_mat_d', 4, 'cSta', 1, 100, '质量证明书明细', '标准', '标准'),
  ('check_mat_d', 5, 'Qty', 1, 60, '质量证明书明细', '数量', '数量'),
  ('check_mat_d', 6, 'posch', 1, 110, '质量证明书明细', '采购批号', '采购批号'),
  ('check_mat_d', 7, 'batchNo', 1, 90, '质量证明书明细', '炉批号', '炉批号'),
  ('check_mat_d', 8, 'keyNo', 0, 100, '质量证明书明细', '证明书编号', '证明书编号'),
  ('check_mat_d', 9, 'rowNo', 0, 40, '质量证明书明细', '行号', '行号');

-- A category that still has sub-categories or products would leave them pointing at nothing;
-- whoever deletes it, through a screen or a statement, is refused in the user's words.
CREATE TRIGGER tr_bas_productId_children BEFORE DELETE ON bas_productId
WHEN EXISTS (SELECT 1 FROM bas_productId c WHERE c.parent_id = old.productId)
BEGIN
  SELECT RAISE(ABORT, '此类别有子类别，请删除子类别后再删除此类别!');
END;

CREATE TRIGGER tr_bas_productId_products BEFORE DELETE ON bas_productId
WHEN EXISTS (SELECT 1 FROM bas_products p WHERE p.productId = old.productId)
BEGIN
  SELECT RAISE(ABORT, '此类别已有物料使用，不能删除!');
END;
