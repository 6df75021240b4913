-- Column layouts of the master-data lists: captions, widths and order of each list's grid.
-- The staff list shows its department by name in the column of the stored number.

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_cust', 0, 'custNo', 1, 80, '客户资料', '客户编号', '客户编号'),
  ('bas_cust', 1, 'custName', 1, 200, '客户资料', '客户名称', '客户名称'),
  ('bas_cust', 2, 'contact', 1, 80, '客户资料', '联系人', '联系人'),
  ('bas_cust', 3, 'address', 1, 200, '客户资料', '地址', '地址'),
  ('bas_cust', 4, 'tel', 1, 100, '客户资料', '电话', '电话'),
  ('bas_cust', 5, 'fax', 1, 100, '客户资料', '传真', '传真'),
  ('bas_cust', 6, 'credit', 1, 70, '客户资料', '信用等级', '信用等级'),
  ('bas_cust', 7, 'crew', 1, 60, '客户资料', '人数', '人数'),
  ('bas_cust', 8, 'scale', 1, 70, '客户资料', '规模', '规模'),
  ('bas_cust', 9, 'email', 1, 140, '客户资料', '电子邮件', '电子邮件'),
  ('bas_cust', 10, 'http', 1, 140, '客户资料', '网址', '网址');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_sup', 0, 'supNo', 1, 80, '供应商资料', '供应商编号', '供应商编号'),
  ('bas_sup', 1, 'supName', 1, 200, '供应商资料', '供应商名称', '供应商名称'),
  ('bas_sup', 2, 'address', 1, 200, '供应商资料', '地址', '地址'),
  ('bas_sup', 3, 'tel', 1, 100, '供应商资料', '电话', '电话'),
  ('bas_sup', 4, 'fax', 1, 100, '供应商资料', '传真', '传真'),
  ('bas_sup', 5, 'credit', 1, 70, '供应商资料', '信用等级', '信用等级'),
  ('bas_sup', 6, 'crew', 1, 60, '供应商资料', '人数', '人数'),
  ('bas_sup', 7, 'scale', 1, 70, '供应商资料', '规模', '规模'),
  ('bas_sup', 8, 'email', 1, 140, '供应商资料', '电子邮件', '电子邮件'),
  ('bas_sup', 9, 'http', 1, 140, '供应商资料', '网址', '网址');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_dep', 0, 'depNo', 1, 80, '部门设置', '部门编号', '部门编号'),
  ('bas_dep', 1, 'depName', 1, 160, '部门设置', '部门名称', '部门名称'),
  ('bas_dep', 2, 'isOw', 1, 50, '部门设置', '外协', '外协'),
  ('bas_dep', 3, 'isWh', 1, 50, '部门设置', '仓库', '仓库'),
  ('bas_dep', 4, 'isPlant', 1, 50, '部门设置', '车间', '车间'),
  ('bas_dep', 5, 'isVirt', 1, 50, '部门设置', '虚拟', '虚拟'),
  ('bas_dep', 6, 'remark', 1, 200, '部门设置', '备注', '备注');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_staff', 0, 'staffNo', 1, 80, '职员设置', '职员编号', '职员编号'),
  ('bas_staff', 1, 'staffName', 1, 90, '职员设置', '姓名', '姓名'),
  ('bas_staff', 2, 'depNo', 1, 140, '职员设置', '部门', '部门'),
  ('bas_staff', 3, 'sex', 1, 50, '职员设置', '性别', '性别'),
  ('bas_staff', 4, 'birth', 1, 90, '职员设置', '出生日期', '出生日期'),
  ('bas_staff', 5, 'resume', 1, 200, '职员设置', '简历', '简历'),
  ('bas_staff', 6, 'education', 1, 80, '职员设置', '学历', '学历'),
  ('bas_staff', 7, 'remark', 1, 200, '职员设置', '备注', '备注');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_device', 0, 'devNo', 1, 80, '设备资料', '设备编号', '设备编号'),
  ('bas_device', 1, 'devName', 1, 180, '设备资料', '设备名称', '设备名称'),
  ('bas_device', 2, 'devSize', 1, 180, '设备资料', '型号规格', '型号规格'),
  ('bas_device', 3, 'remark', 1, 200, '设备资料', '备注', '备注');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_process', 0, 'procNo', 1, 80, '工序设置', '工序编号', '工序编号'),
  ('bas_process', 1, 'procName', 1, 160, '工序设置', '工序名称', '工序名称'),
  ('bas_process', 2, 'remark', 1, 200, '工序设置', '备注', '备注');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bas_doc', 0, 'docNo', 1, 60, '单据类型', '代码', '代码'),
  ('bas_doc', 1, 'docType', 1, 160, '单据类型', '单据类型', '单据类型'),
  ('bas_doc', 2, 'docId', 1, 100, '单据类型', '所属单据', '所属单据'),
  ('bas_doc', 3, 'remark', 1, 200, '单据类型', '备注', '备注');
