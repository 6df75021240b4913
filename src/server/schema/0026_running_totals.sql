---------------------------------------------------------------------------------------------------
-- Running totals kept by triggers in the transaction of every change, so the order, task and
-- dashboard figures read one row instead of summing all history: what deliveries shipped per
-- sales-order line, what the flow cards recorded per task line, what the stores moved per day.
-- Filled here once for the documents already there. Sums are rounded to 5 places, as quantities
-- are stored.
---------------------------------------------------------------------------------------------------

-- Per order item number (gsNo): its line's order and quantity, copied from bus_so_det, what the
-- delivery lines (bus_sd_det) shipped of it, and what is left to deliver, rounded as the
-- unfinished-orders query rounds it. A row stays when its line goes (keyNo null, qty 0):
-- deliveries may name an item number no line has.
CREATE TABLE qk_so_line (
  gsNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  keyNo VARCHAR(20) COLLATE NOCASE,
  qty FLOAT NOT NULL DEFAULT 0,
  dQty FLOAT NOT NULL DEFAULT 0,
  unQty FLOAT NOT NULL DEFAULT 0
) WITHOUT ROWID;

-- Per task number: its line's product, process, department, planned quantity and date, copied
-- from bus_task_det (null or 0 once the line goes), the quota of its product and process
-- (bas_quote.quote, null without one), and what the flow cards recorded against it: good
-- (fQty), scrapped through the worker and through the material, reworked (bus_flow), and taken
-- in by receipts (bus_flow_rec).
CREATE TABLE qk_task_progress (
  taskNo VARCHAR(20) COLLATE NOCASE PRIMARY KEY,
  productNo VARCHAR(50) COLLATE NOCASE,
  procNo VARCHAR(10) COLLATE NOCASE,
  depNo VARCHAR(10) COLLATE NOCASE,
  qty FLOAT NOT NULL DEFAULT 0,
  pDate DATETIME,
  quote FLOAT,
  fQty FLOAT NOT NULL DEFAULT 0,
  gfqty FLOAT NOT NULL DEFAULT 0,
  lfqty FLOAT NOT NULL DEFAULT 0,
  fxqty FLOAT NOT NULL DEFAULT 0,
  recQty FLOAT NOT NULL DEFAULT 0
) WITHOUT ROWID;

-- What each warehouse received and issued per day ("YYYY-MM-DD", '' for a movement without a
-- date or with a number for one), from the same changes that keep wh_stock and the months.
CREATE TABLE qk_stock_day (
  whNo VARCHAR(10) COLLATE NOCASE NOT NULL,
  day TEXT NOT NULL,
  inQty FLOAT NOT NULL DEFAULT 0,
  outQty FLOAT NOT NULL DEFAULT 0,
  PRIMARY KEY (whNo, day)
) WITHOUT ROWID;

-- What is left follows the two figures it is made of, whichever trigger changed them.
CREATE TRIGGER tr_qk_so_line_left_insert AFTER INSERT ON qk_so_line
BEGIN
  UPDATE qk_so_line SET unQty = round(qty - dQty, 5) WHERE gsNo = new.gsNo;
END;
CREATE TRIGGER tr_qk_so_line_left_update AFTER UPDATE OF qty, dQty ON qk_so_line
BEGIN
  UPDATE qk_so_line SET unQty = round(qty - dQty, 5) WHERE gsNo = new.gsNo;
END;

CREATE TRIGGER tr_bus_so_det_line_insert AFTER INSERT ON bus_so_det
WHEN new.gsNo IS NOT NULL
BEGIN
  INSERT INTO qk_so_line (gsNo, keyNo, qty) VALUES (new.gsNo, new.keyNo, coalesce(new.qty, 0))
  ON CONFLICT (gsNo) DO UPDATE SET keyNo = excluded.keyNo, qty = excluded.qty;
END;
CREATE TRIGGER tr_bus_so_det_line_delete AFTER DELETE ON bus_so_det
WHEN old.gsNo IS NOT NULL
BEGIN
  UPDATE qk_so_line SET keyNo = NULL, qty = 0 WHERE gsNo = old.gsNo;
END;
CREATE TRIGGER tr_bus_so_det_line_update AFTER UPDATE OF gsNo, keyNo, qty ON bus_so_det
BEGIN
  UPDATE qk_so_line SET keyNo = NULL, qty = 0 WHERE old.gsNo IS NOT NULL AND gsNo = old.gsNo;
  INSERT INTO qk_so_line (gsNo, keyNo, qty)
  SELECT new.gsNo, new.keyNo, coalesce(new.qty, 0) WHERE new.gsNo IS NOT NULL
  ON CONFLICT (gsNo) DO UPDATE SET keyNo = excluded.keyNo, qty = excluded.qty;
END;

CREATE TRIGGER tr_bus_sd_det_delivered_insert AFTER INSERT ON bus_sd_det
WHEN new.gsNo IS NOT NULL
BEGIN
  INSERT INTO qk_so_line (gsNo, dQty) VALUES (new.gsNo, round(coalesce(new.qty, 0), 5))
  ON CONFLICT (gsNo) DO UPDATE SET dQty = round(dQty + excluded.dQty, 5);
END;
CREATE TRIGGER tr_bus_sd_det_delivered_delete AFTER DELETE ON bus_sd_det
WHEN old.gsNo IS NOT NULL
BEGIN
  UPDATE qk_so_line SET dQty = round(dQty - coalesce(old.qty, 0), 5) WHERE gsNo = old.gsNo;
END;
CREATE TRIGGER tr_bus_sd_det_delivered_update AFTER UPDATE OF gsNo, qty ON bus_sd_det
BEGIN
  UPDATE qk_so_line SET dQty = round(dQty - coalesce(old.qty, 0), 5)
  WHERE old.gsNo IS NOT NULL AND gsNo = old.gsNo;
  INSERT INTO qk_so_line (gsNo, dQty)
  SELECT new.gsNo, round(coalesce(new.qty, 0), 5) WHERE new.gsNo IS NOT NULL
  ON CONFLICT (gsNo) DO UPDATE SET dQty = round(dQty + excluded.dQty, 5);
END;

CREATE TRIGGER tr_bus_task_det_progress_insert AFTER INSERT ON bus_task_det
WHEN new.taskNo IS NOT NULL
BEGIN
  INSERT INTO qk_task_progress (taskNo, productNo, procNo, depNo, qty, pDate, quote)
  VALUES (new.taskNo, new.productNo, new.procNo, new.depNo, coalesce(new.qty, 0), new.pDate,
          (SELECT quote FROM bas_quote WHERE productNo = new.productNo AND procNo = new.procNo))
  ON CONFLICT (taskNo) DO UPDATE
  SET productNo = excluded.productNo, procNo = excluded.procNo, depNo = excluded.depNo,
      qty = excluded.qty, pDate = excluded.pDate, quote = excluded.quote;
END;
CREATE TRIGGER tr_bus_task_det_progress_delete AFTER DELETE ON bus_task_det
WHEN old.taskNo IS NOT NULL
BEGIN
  UPDATE qk_task_progress
  SET productNo = NULL, procNo = NULL, depNo = NULL, qty = 0, pDate = NULL, quote = NULL
  WHERE taskNo = old.taskNo;
END;
CREATE TRIGGER tr_bus_task_det_progress_update
AFTER UPDATE OF taskNo, productNo, procNo, depNo, qty, pDate ON bus_task_det
BEGIN
  UPDATE qk_task_progress
  SET productNo = NULL, procNo = NULL, depNo = NULL, qty = 0, pDate = NULL, quote = NULL
  WHERE old.taskNo IS NOT NULL AND taskNo = old.taskNo;
  INSERT INTO qk_task_progress (taskNo, productNo, procNo, depNo, qty, pDate, quote)
  SELECT new.taskNo, new.productNo, new.procNo, new.depNo, coalesce(new.qty, 0), new.pDate,
         (SELECT quote FROM bas_quote WHERE productNo = new.productNo AND procNo = new.procNo)
  WHERE new.taskNo IS NOT NULL
  ON CONFLICT (taskNo) DO UPDATE
  SET productNo = excluded.productNo, procNo = excluded.procNo, depNo = excluded.depNo,
      qty = excluded.qty, pDate = excluded.pDate, quote = excluded.quote;
END;

-- A quota changed applies to every task line of its product and process.
CREATE TRIGGER tr_bas_quote_progress_insert AFTER INSERT ON bas_quote
BEGIN
  UPDATE qk_task_progress SET quote = new.quote
  WHERE productNo = new.productNo AND procNo = new.procNo;
END;
CREATE TRIGGER tr_bas_quote_progress_delete AFTER DELETE ON bas_quote
BEGIN
  UPDATE qk_task_progress SET quote = NULL
  WHERE productNo = old.productNo AND procNo = old.procNo;
END;
CREATE TRIGGER tr_bas_quote_progress_update AFTER UPDATE OF productNo, procNo, quote ON bas_quote
BEGIN
  UPDATE qk_task_progress SET quote = NULL
  WHERE productNo = old.productNo AND procNo = old.procNo;
  UPDATE qk_task_progress SET quote = new.quote
  WHERE productNo = new.productNo AND procNo = new.procNo;
END;

CREATE TRIGGER tr_bus_flow_progress_insert AFTER INSERT ON bus_flow
WHEN new.taskNo IS NOT NULL
BEGIN
  INSERT INTO qk_task_progress (taskNo, fQty, gfqty, lfqty, fxqty)
  VALUES (new.taskNo, round(coalesce(new.gqty, 0), 5), round(coalesce(new.gfqty, 0), 5),
          round(coalesce(new.lfqty, 0), 5), round(coalesce(new.fxqty, 0), 5))
  ON CONFLICT (taskNo) DO UPDATE
  SET fQty = round(fQty + excluded.fQty, 5), gfqty = round(gfqty + excluded.gfqty, 5),
      lfqty = round(lfqty + excluded.lfqty, 5), fxqty = round(fxqty + excluded.fxqty, 5);
END;
CREATE TRIGGER tr_bus_flow_progress_delete AFTER DELETE ON bus_flow
WHEN old.taskNo IS NOT NULL
BEGIN
  UPDATE qk_task_progress
  SET fQty = round(fQty - coalesce(old.gqty, 0), 5),
      gfqty = round(gfqty - coalesce(old.gfqty, 0), 5),
      lfqty = round(lfqty - coalesce(old.lfqty, 0), 5),
      fxqty = round(fxqty - coalesce(old.fxqty, 0), 5)
  WHERE taskNo = old.taskNo;
END;
CREATE TRIGGER tr_bus_flow_progress_update AFTER UPDATE OF taskNo, gqty, gfqty, lfqty, fxqty
ON bus_flow
BEGIN
  UPDATE qk_task_progress
  SET fQty = round(fQty - coalesce(old.gqty, 0), 5),
      gfqty = round(gfqty - coalesce(old.gfqty, 0), 5),
      lfqty = round(lfqty - coalesce(old.lfqty, 0), 5),
      fxqty = round(fxqty - coalesce(old.fxqty, 0), 5)
  WHERE old.taskNo IS NOT NULL AND taskNo = old.taskNo;
  INSERT INTO qk_task_progress (taskNo, fQty, gfqty, lfqty, fxqty)
  SELECT new.taskNo, round(coalesce(new.gqty, 0), 5), round(coalesce(new.gfqty, 0), 5),
         round(coalesce(new.lfqty, 0), 5), round(coalesce(new.fxqty, 0), 5)
  WHERE new.taskNo IS NOT NULL
  ON CONFLICT (taskNo) DO UPDATE
  SET fQty = round(fQty + excluded.fQty, 5), gfqty = round(gfqty + excluded.gfqty, 5),
      lfqty = round(lfqty + excluded.lfqty, 5), fxqty = round(fxqty + excluded.fxqty, 5);
END;

CREATE TRIGGER tr_bus_flow_rec_progress_insert AFTER INSERT ON bus_flow_rec
WHEN new.taskNo IS NOT NULL
BEGIN
  INSERT INTO qk_task_progress (taskNo, recQty) VALUES (new.taskNo, round(coalesce(new.recQty, 0), 5))
  ON CONFLICT (taskNo) DO UPDATE SET recQty = round(recQty + excluded.recQty, 5);
END;
CREATE TRIGGER tr_bus_flow_rec_progress_delete AFTER DELETE ON bus_flow_rec
WHEN old.taskNo IS NOT NULL
BEGIN
  UPDATE qk_task_progress SET recQty = round(recQty - coalesce(old.recQty, 0), 5)
  WHERE taskNo = old.taskNo;
END;
CREATE TRIGGER tr_bus_flow_rec_progress_update AFTER UPDATE OF taskNo, recQty ON bus_flow_rec
BEGIN
  UPDATE qk_task_progress SET recQty = round(recQty - coalesce(old.recQty, 0), 5)
  WHERE old.taskNo IS NOT NULL AND taskNo = old.taskNo;
  INSERT INTO qk_task_progress (taskNo, recQty)
  SELECT new.taskNo, round(coalesce(new.recQty, 0), 5) WHERE new.taskNo IS NOT NULL
  ON CONFLICT (taskNo) DO UPDATE SET recQty = round(recQty + excluded.recQty, 5);
END;

-- The stock change of 0019 again, now adding each change to its warehouse's day as well.
DROP TRIGGER tr_stock_delta;
CREATE TRIGGER tr_stock_delta BEFORE INSERT ON qk_stock_delta
BEGIN
  INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice)
  SELECT new.whNo, (SELECT depName FROM bas_dep WHERE depNo = new.whNo), new.productNo, 0, 0, 0, 0
  WHERE NOT coalesce(new.redated, 0)
    AND trim(coalesce(new.whNo, '')) <> '' AND trim(coalesce(new.productNo, '')) <> ''
    AND NOT EXISTS (SELECT 1 FROM wh_stock WHERE whNo = new.whNo AND productNo = new.productNo);
  UPDATE wh_stock
  SET inQty = round(coalesce(inQty, 0) + new.inQty, 5),
      inMoney = round(coalesce(inMoney, 0) + new.inMoney, 5),
      outQty = round(coalesce(outQty, 0) + new.outQty, 5)
  WHERE NOT coalesce(new.redated, 0) AND whNo = new.whNo AND productNo = new.productNo;
  INSERT INTO qk_stock_month (whNo, productNo, month, inQty, inMoney, outQty)
  SELECT new.whNo, new.productNo,
         CASE WHEN new.moveDate IS NULL OR typeof(new.moveDate) IN ('integer', 'real') THEN ''
              ELSE substr(new.moveDate, 1, 7) END,
         round(new.inQty, 5), round(new.inMoney, 5), round(new.outQty, 5)
  WHERE new.whNo IS NOT NULL AND new.productNo IS NOT NULL
  ON CONFLICT (whNo, productNo, month) DO UPDATE
  SET inQty = round(inQty + excluded.inQty, 5), inMoney = round(inMoney + excluded.inMoney, 5),
      outQty = round(outQty + excluded.outQty, 5);
  INSERT INTO qk_stock_day (whNo, day, inQty, outQty)
  SELECT new.whNo,
         CASE WHEN new.moveDate IS NULL OR typeof(new.moveDate) IN ('integer', 'real') THEN ''
              ELSE substr(new.moveDate, 1, 10) END,
         round(new.inQty, 5), round(new.outQty, 5)
  WHERE new.whNo IS NOT NULL
  ON CONFLICT (whNo, day) DO UPDATE
  SET inQty = round(inQty + excluded.inQty, 5), outQty = round(outQty + excluded.outQty, 5);
  SELECT RAISE(IGNORE);
END;

-- The documents so far, once.
INSERT INTO qk_so_line (gsNo, keyNo, qty, dQty)
SELECT gsNo, max(keyNo), total(qty), round(total(dQty), 5)
FROM (SELECT gsNo, keyNo, coalesce(qty, 0) AS qty, 0.0 AS dQty FROM bus_so_det
      WHERE gsNo IS NOT NULL
      UNION ALL
      SELECT gsNo, NULL, 0.0, qty FROM bus_sd_det WHERE gsNo IS NOT NULL) l
GROUP BY gsNo;

INSERT INTO qk_task_progress (taskNo, productNo, procNo, depNo, qty, pDate, fQty, gfqty, lfqty,
                              fxqty, recQty)
SELECT taskNo, max(productNo), max(procNo), max(depNo), total(qty), max(pDate),
       round(total(gqty), 5), round(total(gfqty), 5), round(total(lfqty), 5),
       round(total(fxqty), 5), round(total(recQty), 5)
FROM (SELECT taskNo, productNo, procNo, depNo, coalesce(qty, 0) AS qty, pDate, 0.0 AS gqty,
             0.0 AS gfqty, 0.0 AS lfqty, 0.0 AS fxqty, 0.0 AS recQty
      FROM bus_task_det WHERE taskNo IS NOT NULL
      UNION ALL
      SELECT taskNo, NULL, NULL, NULL, 0.0, NULL, gqty, gfqty, lfqty, fxqty, 0.0 FROM bus_flow
      WHERE taskNo IS NOT NULL
      UNION ALL
      SELECT taskNo, NULL, NULL, NULL, 0.0, NULL, 0.0, 0.0, 0.0, 0.0, recQty FROM bus_flow_rec
      WHERE taskNo IS NOT NULL) r
GROUP BY taskNo;
UPDATE qk_task_progress
SET quote = (SELECT q.quote FROM bas_quote q
             WHERE q.productNo = qk_task_progress.productNo AND q.procNo = qk_task_progress.procNo);

INSERT INTO qk_stock_day (whNo, day, inQty, outQty)
SELECT whNo,
       CASE WHEN moveDate IS NULL OR typeof(moveDate) IN ('integer', 'real') THEN ''
            ELSE substr(moveDate, 1, 10) END AS day,
       round(total(inQty), 5), round(total(outQty), 5)
FROM view_stock_move WHERE whNo IS NOT NULL
GROUP BY whNo COLLATE NOCASE, day;

-- The views that summed all history per line now read the totals: same columns, same values.
-- Views that read them go first and come back unchanged.
DROP VIEW view_bus_flow_card;
DROP VIEW view_bus_task_det;
DROP VIEW view_up_bus_task;
DROP VIEW view_up_bus_SO;
DROP VIEW view_qry_bus_so_un;
DROP VIEW view_qry_bus_so;

CREATE VIEW view_qry_bus_so AS
SELECT d.keyNo AS keyNo, d.itemNo AS itemNo, d.gsNo AS gsNo, m.docDate AS docDate,
       m.dlvDate AS dlvDate, m.custNo AS custNo, c.custName AS custName, m.purNo AS purNo,
       d.productNo AS productNo, p.des AS des, p.productName AS productName,
       p.productSize AS productSize, p.productPre AS productPre, p.productMat AS productMat,
       p.productSta AS productSta, p.productUnit AS productUnit, d.qty AS qty,
       d.uprice AS uPrice, round(coalesce(d.qty, 0) * coalesce(d.uprice, 0), 2) AS amount,
       coalesce(k.dQty, 0.0) AS dQty,
       round(coalesce(d.qty, 0) - coalesce(k.dQty, 0.0), 5) AS unQty,
       d.remark AS remark, m.marking AS marking, m.remarkM AS remarkM, m.stock AS stock,
       m.userName AS userName, m.audited AS audited, m.audName AS audName,
       m.audDate AS audDate, p.def1 AS def1, p.def2 AS def2, p.def3 AS def3, p.def4 AS def4,
       p.def5 AS def5, p.def6 AS def6
FROM bus_so_det d
JOIN bus_SO m ON m.keyNo = d.keyNo
LEFT JOIN qk_so_line k ON k.gsNo = d.gsNo
LEFT JOIN bas_cust c ON c.custNo = m.custNo
LEFT JOIN view_bas_prd_des p ON p.productNo = d.productNo;

CREATE VIEW view_qry_bus_so_un AS
SELECT * FROM view_qry_bus_so WHERE unQty > 0;

CREATE VIEW view_up_bus_SO AS
SELECT d.gsNo AS gsNo, d.keyNo AS keyNo, d.itemNo AS itemNo, d.productNo AS productNo,
       d.qty AS qty, d.uprice AS uprice, d.remark AS remark, p.des AS des,
       p.productName AS pName, p.productSize AS pSize, p.productPre AS pPre,
       p.productMat AS pMat, p.productSta AS pSta, p.productUnit AS pUnit, p.def1 AS def1,
       p.def2 AS def2, p.def3 AS def3, p.def4 AS def4, p.def5 AS def5, p.def6 AS def6,
       coalesce(d.qty, 0) * coalesce(d.uprice, 0) AS amount, coalesce(k.dQty, 0.0) AS dQty,
       CASE WHEN d.qty > 0 AND coalesce(k.dQty, 0.0) >= d.qty THEN 1 ELSE 0 END AS done
FROM bus_so_det d
LEFT JOIN qk_so_line k ON k.gsNo = d.gsNo
LEFT JOIN view_bas_prd_des p ON p.productNo = d.productNo;

-- sentQty depends on the line's department name as it stands, so it is still summed per line.
CREATE VIEW view_up_bus_task AS
SELECT l.taskNo AS taskNo, l.keyNo AS keyNo, l.itemNo AS itemNo, l.taskIdNo AS taskIdNo,
       l.gsNo AS gsNo, l.productNo AS productNo, l.des AS des, l.pName AS pName,
       l.pSize AS pSize, l.pPre AS pPre, l.pMat AS pMat, l.pSta AS pSta, l.pUnit AS pUnit,
       l.def1 AS def1, l.def2 AS def2, l.def3 AS def3, l.def4 AS def4, l.def5 AS def5,
       l.def6 AS def6, l.procNo AS procNo, l.depNo AS depNo, l.qty AS qty, l.pDate AS pDate,
       l.remark AS remark, l.ylgg AS ylgg, l.ylz AS ylz, l.printCnt AS printCnt,
       t.taskIDName AS taskIdName, r.procName AS procName, e.depName AS depName,
       coalesce(k.fQty, 0.0) AS fQty, coalesce(k.gfqty, 0.0) AS gfqty,
       coalesce(k.lfqty, 0.0) AS lfqty, coalesce(k.fxqty, 0.0) AS fxqty,
       coalesce(k.recQty, 0.0) AS recQty,
       (SELECT total(c.recQty) FROM bus_flow_rec c
        WHERE c.taskNo = l.taskNo AND trim(coalesce(c.recDep, '')) <> ''
          AND c.recDep <> coalesce(e.depName, '')) AS sentQty,
       CASE WHEN l.qty > 0 AND coalesce(k.recQty, 0.0) >= l.qty THEN 1 ELSE 0 END AS done
FROM bus_task_det l
LEFT JOIN qk_task_progress k ON k.taskNo = l.taskNo
LEFT JOIN bas_taskId t ON t.taskIdNo = l.taskIdNo
LEFT JOIN bas_process r ON r.procNo = l.procNo
LEFT JOIN bas_dep e ON e.depNo = l.depNo;

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

CREATE VIEW view_bus_flow_card AS
SELECT t.gsNo AS gsKey,
       t.gsNo || ' ' || trim(coalesce(
         (SELECT p.des FROM bus_so_det s JOIN view_bas_prd_des p ON p.productNo = s.productNo
          WHERE s.gsNo = t.gsNo LIMIT 1), '')) AS gsNo,
       t.des AS des, t.productNo AS productNo, t.taskNo AS taskNo,
       t.taskNo || ' ' || coalesce(t.des, '') AS taskDes,
       t.depName AS depName, t.procName AS procName, t.pDate AS pDate, t.qty AS pQty,
       t.recQty AS recQty, t.sentQty AS sentQty,
       f.staffNo AS staffNo, f.devNo AS devNo, f.gqty AS gqty, f.gfqty AS gfqty,
       f.lfqty AS lfqty, f.fxqty AS fxqty, f.inspName AS inspName, f.inspDate AS inspDate,
       m.staffName AS staffName,
       rtrim(d.devNo || ' ' || coalesce(d.devName, '') || ' ' || coalesce(d.devSize, '')) AS dev,
       '' AS tech, f.sysid AS sysid
FROM view_bus_task_det t
LEFT JOIN bus_flow f ON f.taskNo = t.taskNo
LEFT JOIN bas_staff m ON m.staffNo = f.staffNo
LEFT JOIN bas_device d ON d.devNo = f.devNo;

-- What the dashboard reads: the open lines of each order, the open task lines by department and
-- by planned date, the orders by delivery date with their customer, and a month's process
-- records by task number with all the wage figures need of them.
CREATE INDEX ix_qk_so_line_open ON qk_so_line (keyNo, unQty) WHERE unQty > 0;
CREATE INDEX ix_qk_task_progress_open ON qk_task_progress (depNo, qty, fQty, recQty)
  WHERE qty > 0 AND recQty < qty;
CREATE INDEX ix_qk_task_progress_plan ON qk_task_progress (pDate, taskNo)
  WHERE qty > 0 AND recQty < qty;
CREATE INDEX ix_qk_task_progress_quote ON qk_task_progress (productNo, procNo);
DROP INDEX ix_bus_SO_dlvDate;
CREATE INDEX ix_bus_SO_due ON bus_SO (dlvDate, keyNo, custNo);
CREATE INDEX ix_bus_flow_month ON bus_flow (substr(inspDate, 1, 7), taskNo, inspDate, staffNo, gqty);
