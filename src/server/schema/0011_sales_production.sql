---------------------------------------------------------------------------------------------------
-- Sales orders, production tasks and bills of materials: the views their screens read lines
-- from, their grid layouts, and the rules of the bom table that no client may get around.
---------------------------------------------------------------------------------------------------

-- Sales-order lines as the order screen edits them: the stored columns first (saving writes only
-- those back), then the product's description and what deliveries have shipped of the item.
CREATE VIEW view_up_bus_SO AS
SELECT d.gsNo AS gsNo, d.keyNo AS keyNo, d.itemNo AS itemNo, d.productNo AS productNo,
       d.qty AS qty, d.uprice AS uprice, d.remark AS remark, p.des AS des,
       p.productName AS pName, p.productSize AS pSize, p.productPre AS pPre,
       p.productMat AS pMat, p.productSta AS pSta, p.productUnit AS pUnit, p.def1 AS def1,
       p.def2 AS def2, p.def3 AS def3, p.def4 AS def4, p.def5 AS def5, p.def6 AS def6,
       coalesce(d.qty, 0) * coalesce(d.uprice, 0) AS amount, d.dQty AS dQty,
       CASE WHEN d.qty > 0 AND d.dQty >= d.qty THEN 1 ELSE 0 END AS done
FROM (SELECT l.*, (SELECT total(s.qty) FROM bus_sd_det s WHERE s.gsNo = l.gsNo) AS dQty
      FROM bus_so_det l) d
LEFT JOIN view_bas_prd_des p ON p.productNo = d.productNo;

-- Task lines as the task screen edits them, with the progress the flow cards recorded against
-- each taskNo (one line is one process of one product, so its records are that process's):
--   fQty    good pieces of the line's process records (bus_flow.gqty)
--   gfqty   scrapped through the worker, lfqty through the material, fxqty reworked
--   recQty  pieces the line's receipt records took in (bus_flow_rec.recQty)
--   sentQty of those, the pieces a department other than the line's own received: handed on
--           or sent out (outsourced)
--   done    1 once recQty reaches a positive planned qty
CREATE VIEW view_up_bus_task AS
SELECT d.taskNo AS taskNo, d.keyNo AS keyNo, d.itemNo AS itemNo, d.taskIdNo AS taskIdNo,
       d.gsNo AS gsNo, d.productNo AS productNo, d.des AS des, d.pName AS pName,
       d.pSize AS pSize, d.pPre AS pPre, d.pMat AS pMat, d.pSta AS pSta, d.pUnit AS pUnit,
       d.def1 AS def1, d.def2 AS def2, d.def3 AS def3, d.def4 AS def4, d.def5 AS def5,
       d.def6 AS def6, d.procNo AS procNo, d.depNo AS depNo, d.qty AS qty, d.pDate AS pDate,
       d.remark AS remark, d.ylgg AS ylgg, d.ylz AS ylz, d.printCnt AS printCnt,
       d.taskIdName AS taskIdName, d.procName AS procName, d.depName AS depName,
       d.fQty AS fQty, d.gfqty AS gfqty, d.lfqty AS lfqty, d.fxqty AS fxqty,
       d.recQty AS recQty, d.sentQty AS sentQty,
       CASE WHEN d.qty > 0 AND d.recQty >= d.qty THEN 1 ELSE 0 END AS done
FROM (SELECT l.*, t.taskIDName AS taskIdName, r.procName AS procName, e.depName AS depName,
             (SELECT total(f.gqty) FROM bus_flow f WHERE f.taskNo = l.taskNo) AS fQty,
             (SELECT total(f.gfqty) FROM bus_flow f WHERE f.taskNo = l.taskNo) AS gfqty,
             (SELECT total(f.lfqty) FROM bus_flow f WHERE f.taskNo = l.taskNo) AS lfqty,
             (SELECT total(f.fxqty) FROM bus_flow f WHERE f.taskNo = l.taskNo) AS fxqty,
             (SELECT total(c.recQty) FROM bus_flow_rec c WHERE c.taskNo = l.taskNo) AS recQty,
             (SELECT total(c.recQty) FROM bus_flow_rec c
              WHERE c.taskNo = l.taskNo AND trim(coalesce(c.recDep, '')) <> ''
                AND c.recDep <> coalesce(e.depName, '')) AS sentQty
      FROM bus_task_det l
      LEFT JOIN bas_taskId t ON t.taskIdNo = l.taskIdNo
      LEFT JOIN bas_process r ON r.procNo = l.procNo
      LEFT JOIN bas_dep e ON e.depNo = l.depNo) d;

-- Task lines as the flow cards and the material issue's task lookup read them: the product's
-- description (a line made from the bill of materials has none of its own) and xlz, the
-- product's material weight per piece, which the issue plans its material by.
CREATE VIEW view_bus_task_det AS
SELECT u.taskNo AS taskNo, u.keyNo AS keyNo, u.itemNo AS itemNo, u.gsNo AS gsNo,
       u.productNo AS productNo, coalesce(nullif(trim(u.des), ''), p.des) AS des,
       p.productName AS productName, p.productSize AS productSize,
       p.productPre AS productPre, p.productMat AS productMat, p.productSta AS productSta,
       p.productUnit AS productUnit, p.def1 AS def1, p.def2 AS def2, p.def3 AS def3,
       p.def4 AS def4, p.def5 AS def5, p.def6 AS def6, p.xlz AS xlz, u.procNo AS procNo,
       u.procName AS procName, u.depNo AS depNo, u.depName AS depName, u.qty AS qty,
       u.pDate AS pDate, u.remark AS remark, u.fQty AS fQty, u.recQty AS recQty,
       u.sentQty AS sentQty, u.done AS done
FROM view_up_bus_task u
LEFT JOIN view_bas_prd_des p ON p.productNo = u.productNo;

---------------------------------------------------------------------------------------------------
-- Rules of the bill of materials. A cycle would make every tree of the products on it endless,
-- so the database refuses it whoever writes; qk_refuse() fails the statement with its text.
---------------------------------------------------------------------------------------------------

CREATE TRIGGER tr_bom_usage_insert BEFORE INSERT ON bom
  WHEN NEW.ylQty IS NULL OR trim(NEW.ylQty) = '' OR NEW.ylQty + 0 = 0
BEGIN
  SELECT RAISE(ABORT, '用量不能为空!');
END;
CREATE TRIGGER tr_bom_usage_update BEFORE UPDATE OF ylQty ON bom
  WHEN NEW.ylQty IS NULL OR trim(NEW.ylQty) = '' OR NEW.ylQty + 0 = 0
BEGIN
  SELECT RAISE(ABORT, '用量不能为空!');
END;

CREATE TRIGGER tr_bom_cycle_insert BEFORE INSERT ON bom
BEGIN
  SELECT qk_refuse('物料清单不能循环：' || NEW.partNo || ' 不能包含它自己')
  WHERE lower(NEW.partNo) = lower(NEW.productNo);
  SELECT qk_refuse('物料清单不能循环：' || NEW.partNo || ' 已包含 ' || NEW.productNo)
  WHERE EXISTS (
    WITH RECURSIVE below(part) AS (
      SELECT NEW.partNo
      UNION
      SELECT b.partNo FROM bom b JOIN below ON b.productNo = below.part)
    SELECT 1 FROM below WHERE lower(part) = lower(NEW.productNo));
END;
-- The line being changed no longer holds its old part, so the search leaves it out.
CREATE TRIGGER tr_bom_cycle_update BEFORE UPDATE OF productNo, partNo ON bom
BEGIN
  SELECT qk_refuse('物料清单不能循环：' || NEW.partNo || ' 不能包含它自己')
  WHERE lower(NEW.partNo) = lower(NEW.productNo);
  SELECT qk_refuse('物料清单不能循环：' || NEW.partNo || ' 已包含 ' || NEW.productNo)
  WHERE EXISTS (
    WITH RECURSIVE below(part) AS (
      SELECT NEW.partNo
      UNION
      SELECT b.partNo FROM bom b JOIN below ON b.productNo = below.part
      WHERE b.sysid <> OLD.sysid)
    SELECT 1 FROM below WHERE lower(part) = lower(NEW.productNo));
END;

-- The screen sends an empty date as the zero date-time (1899-12-30); the line has no date then.
CREATE TRIGGER tr_bom_no_date_insert AFTER INSERT ON bom
  WHEN trim(NEW.effectDate) = '' OR NEW.effectDate LIKE '1899-12-30%'
    OR trim(NEW.invalidDate) = '' OR NEW.invalidDate LIKE '1899-12-30%'
BEGIN
  UPDATE bom SET
    effectDate = CASE WHEN trim(effectDate) = '' OR effectDate LIKE '1899-12-30%' THEN NULL
                      ELSE effectDate END,
    invalidDate = CASE WHEN trim(invalidDate) = '' OR invalidDate LIKE '1899-12-30%' THEN NULL
                       ELSE invalidDate END
  WHERE sysid = NEW.sysid;
END;
CREATE TRIGGER tr_bom_no_date_update AFTER UPDATE OF effectDate, invalidDate ON bom
  WHEN trim(NEW.effectDate) = '' OR NEW.effectDate LIKE '1899-12-30%'
    OR trim(NEW.invalidDate) = '' OR NEW.invalidDate LIKE '1899-12-30%'
BEGIN
  UPDATE bom SET
    effectDate = CASE WHEN trim(effectDate) = '' OR effectDate LIKE '1899-12-30%' THEN NULL
                      ELSE effectDate END,
    invalidDate = CASE WHEN trim(invalidDate) = '' OR invalidDate LIKE '1899-12-30%' THEN NULL
                       ELSE invalidDate END
  WHERE sysid = NEW.sysid;
END;

---------------------------------------------------------------------------------------------------
-- Column layouts of the order lines, the task lines and the bill-of-materials tree. Numbers and
-- free fields stay hidden until an administrator shows them.
---------------------------------------------------------------------------------------------------

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bus_SO_det', 0, 'gsNo', 1, 90, '销售订单明细', '物项号', '物项号'),
  ('bus_SO_det', 1, 'productNo', 1, 110, '销售订单明细', '产品编号', '产品编号'),
  ('bus_SO_det', 2, 'pName', 1, 90, '销售订单明细', '品名', '品名'),
  ('bus_SO_det', 3, 'pPre', 1, 60, '销售订单明细', '压力', '压力'),
  ('bus_SO_det', 4, 'pSize', 1, 90, '销售订单明细', '规格', '规格'),
  ('bus_SO_det', 5, 'pMat', 1, 70, '销售订单明细', '材质', '材质'),
  ('bus_SO_det', 6, 'pSta', 1, 90, '销售订单明细', '标准', '标准'),
  ('bus_SO_det', 7, 'pUnit', 1, 45, '销售订单明细', '单位', '单位'),
  ('bus_SO_det', 8, 'qty', 1, 70, '销售订单明细', '数量', '数量'),
  ('bus_SO_det', 9, 'uprice', 1, 70, '销售订单明细', '单价', '单价'),
  ('bus_SO_det', 10, 'amount', 1, 80, '销售订单明细', '金额', '金额'),
  ('bus_SO_det', 11, 'remark', 1, 120, '销售订单明细', '备注', '备注'),
  ('bus_SO_det', 12, 'des', 1, 200, '销售订单明细', '物料描述', '物料描述'),
  ('bus_SO_det', 13, 'def1', 0, 80, '销售订单明细', '自定义1', '自定义1'),
  ('bus_SO_det', 14, 'def2', 0, 80, '销售订单明细', '自定义2', '自定义2'),
  ('bus_SO_det', 15, 'def3', 0, 80, '销售订单明细', '自定义3', '自定义3'),
  ('bus_SO_det', 16, 'def4', 0, 80, '销售订单明细', '自定义4', '自定义4'),
  ('bus_SO_det', 17, 'def5', 0, 80, '销售订单明细', '自定义5', '自定义5'),
  ('bus_SO_det', 18, 'def6', 0, 80, '销售订单明细', '自定义6', '自定义6'),
  ('bus_SO_det', 19, 'itemNo', 0, 40, '销售订单明细', '行号', '行号'),
  ('bus_SO_det', 20, 'keyNo', 0, 100, '销售订单明细', '单据编号', '单据编号'),
  ('bus_SO_det', 21, 'dQty', 1, 70, '销售订单明细', '已发货数', '已发货数'),
  ('bus_SO_det', 22, 'done', 0, 40, '销售订单明细', '完成', '完成');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bus_task_det', 0, 'taskNo', 1, 110, '生产任务单明细', '任务号', '任务号'),
  ('bus_task_det', 1, 'taskIdName', 1, 70, '生产任务单明细', '任务类型', '任务类型'),
  ('bus_task_det', 2, 'productNo', 1, 110, '生产任务单明细', '产品编号', '产品编号'),
  ('bus_task_det', 3, 'pName', 1, 90, '生产任务单明细', '品名', '品名'),
  ('bus_task_det', 4, 'pSize', 1, 90, '生产任务单明细', '规格', '规格'),
  ('bus_task_det', 5, 'pPre', 1, 60, '生产任务单明细', '压力', '压力'),
  ('bus_task_det', 6, 'pMat', 1, 70, '生产任务单明细', '材质', '材质'),
  ('bus_task_det', 7, 'pSta', 1, 90, '生产任务单明细', '标准', '标准'),
  ('bus_task_det', 8, 'pUnit', 1, 45, '生产任务单明细', '单位', '单位'),
  ('bus_task_det', 9, 'procName', 1, 80, '生产任务单明细', '工序', '工序'),
  ('bus_task_det', 10, 'depName', 1, 80, '生产任务单明细', '部门', '部门'),
  ('bus_task_det', 11, 'qty', 1, 70, '生产任务单明细', '数量', '数量'),
  ('bus_task_det', 12, 'pDate', 1, 90, '生产任务单明细', '计划完成日期', '计划完成日期'),
  ('bus_task_det', 13, 'keyNo', 0, 100, '生产任务单明细', '单据编号', '单据编号'),
  ('bus_task_det', 14, 'itemNo', 0, 40, '生产任务单明细', '行号', '行号'),
  ('bus_task_det', 15, 'des', 1, 200, '生产任务单明细', '物料描述', '物料描述'),
  ('bus_task_det', 16, 'def1', 0, 80, '生产任务单明细', '自定义1', '自定义1'),
  ('bus_task_det', 17, 'def2', 0, 80, '生产任务单明细', '自定义2', '自定义2'),
  ('bus_task_det', 18, 'def3', 0, 80, '生产任务单明细', '自定义3', '自定义3'),
  ('bus_task_det', 19, 'def4', 0, 80, '生产任务单明细', '自定义4', '自定义4'),
  ('bus_task_det', 20, 'def5', 0, 80, '生产任务单明细', '自定义5', '自定义5'),
  ('bus_task_det', 21, 'def6', 0, 80, '生产任务单明细', '自定义6', '自定义6'),
  ('bus_task_det', 22, 'gsNo', 0, 90, '生产任务单明细', '物项号', '物项号'),
  ('bus_task_det', 23, 'taskIdNo', 0, 50, '生产任务单明细', '任务类型编号', '任务类型编号'),
  ('bus_task_det', 24, 'fQty', 1, 70, '生产任务单明细', '完成数', '完成数'),
  ('bus_task_det', 25, 'done', 1, 40, '生产任务单明细', '完成', '完成'),
  ('bus_task_det', 26, 'procNo', 0, 60, '生产任务单明细', '工序编号', '工序编号'),
  ('bus_task_det', 27, 'depNo', 0, 60, '生产任务单明细', '部门编号', '部门编号'),
  ('bus_task_det', 28, 'ylgg', 1, 90, '生产任务单明细', '原料规格', '原料规格'),
  ('bus_task_det', 29, 'ylz', 1, 70, '生产任务单明细', '原料数量', '原料数量'),
  ('bus_task_det', 30, 'remark', 1, 120, '生产任务单明细', '备注', '备注');

INSERT INTO sys_col (tableName, rowNo, fieldName, visible, width, tableCName, fieldCName, defaultName) VALUES
  ('bom', 0, 'sysId', 0, 60, '物料清单', '节点号', '节点号'),
  ('bom', 1, 'parentId', 0, 60, '物料清单', '父节点号', '父节点号'),
  ('bom', 2, 'lev', 1, 40, '物料清单', '层次', '层次'),
  ('bom', 3, 'gNo', 1, 170, '物料清单', '物料编号', '物料编号'),
  ('bom', 4, 'gDes', 1, 260, '物料清单', '物料描述', '物料描述'),
  ('bom', 5, 'gUnit', 1, 45, '物料清单', '单位', '单位'),
  ('bom', 6, 'itemNo', 1, 45, '物料清单', '序号', '序号'),
  ('bom', 7, 'ylQty', 1, 70, '物料清单', '用量', '用量'),
  ('bom', 8, 'drwNo', 1, 100, '物料清单', '图号', '图号'),
  ('bom', 9, 'effectDate', 1, 90, '物料清单', '生效日期', '生效日期'),
  ('bom', 10, 'invalidDate', 1, 90, '物料清单', '失效日期', '失效日期'),
  ('bom', 11, 'mType', 1, 60, '物料清单', '物料类型', '物料类型'),
  ('bom', 12, 'remark', 1, 120, '物料清单', '备注', '备注'),
  ('bom', 13, 'stoped', 1, 40, '物料清单', '停用', '停用'),
  ('bom', 14, 'productName', 0, 90, '物料清单', '品名', '品名'),
  ('bom', 15, 'productSize', 0, 90, '物料清单', '规格', '规格'),
  ('bom', 16, 'productPre', 0, 60, '物料清单', '压力', '压力'),
  ('bom', 17, 'productMat', 0, 70, '物料清单', '材质', '材质'),
  ('bom', 18, 'productSta', 0, 90, '物料清单', '标准', '标准'),
  ('bom', 19, 'productUnit', 0, 45, '物料清单', '单位', '单位'),
  ('bom', 20, 'def1', 0, 80, '物料清单', '自定义1', '自定义1'),
  ('bom', 21, 'def2', 0, 80, '物料清单', '自定义2', '自定义2'),
  ('bom', 22, 'def3', 0, 80, '物料清单', '自定义3', '自定义3'),
  ('bom', 23, 'def4', 0, 80, '物料清单', '自定义4', '自定义4'),
  ('bom', 24, 'def5', 0, 80, '物料清单', '自定义5', '自定义5'),
  ('bom', 25, 'def6', 0, 80, '物料清单', '自定义6', '自定义6');
