-- Stock: wh_stock.Qty and uPrice kept true by triggers in the transaction of every document
-- that moves stock, the movements the stock figures are computed from, and the indexes they read.
--
-- Receipts: warehouse receipts (wh_In) and purchase receipts (bus_PI). Issues: warehouse issues
-- (wh_Out), material issues (wh_mat) and sales deliveries (bus_SD). Saved or audited alike, as
-- the stock picker has always counted them. A receipt is valued at its document price; an issue
-- at the pair's average price, (opening value + receipt values) / (opening qty + receipt qty),
-- since a delivery's price is a selling price, not what the goods cost.

-- What the documents have added to each pair so far; Qty and uPrice follow from them.
ALTER TABLE wh_stock ADD COLUMN inQty DECIMAL(18,5) DEFAULT 0;
ALTER TABLE wh_stock ADD COLUMN inMoney DECIMAL(18,5) DEFAULT 0;
ALTER TABLE wh_stock ADD COLUMN outQty DECIMAL(18,5) DEFAULT 0;

-- Every line that moves stock, with the date it moves at: the document's own date, else the day
-- it was entered. kind orders the documents of one day: receipts before issues.
CREATE VIEW view_stock_move AS
SELECT m.whNo AS whNo, d.productNo AS productNo, coalesce(m.inDate, m.docDate) AS moveDate,
       1 AS kind, d.keyNo AS keyNo, d.itemNo AS lineNo, d.taskNo AS taskNo, '' AS batchNo,
       coalesce(d.qty, 0) AS inQty, coalesce(d.qty, 0) * coalesce(d.uPrice, 0) AS inMoney,
       0 AS outQty, d.remark AS remark
FROM wh_In m JOIN wh_in_det d ON d.keyNo = m.keyNo
UNION ALL
SELECT m.whNo, d.productNo, coalesce(m.PIDate, m.docDate), 2, d.keyNo, d.PIItemNo, NULL, d.PSNo,
       coalesce(d.qty, 0), coalesce(d.qty, 0) * coalesce(d.uprice, 0), 0, d.remark
FROM bus_PI m JOIN bus_pi_det d ON d.keyNo = m.keyNO
UNION ALL
SELECT m.whNo, d.productNo, coalesce(m.outDate, m.docDate), 3, d.keyNo, d.itemNo, d.taskNo, '',
       0, 0, coalesce(d.qty, 0), d.remark
FROM wh_Out m JOIN wh_out_det d ON d.keyNo = m.keyNo
UNION ALL
SELECT m.whNo, d.productNo, coalesce(m.moDate, m.docDate), 4, d.keyNo, d.itemNo, d.taskNo, d.psNo,
       0, 0, coalesce(d.qty, 0), d.remark
FROM wh_mat m JOIN wh_mat_det d ON d.keyNo = m.keyNo
UNION ALL
SELECT m.whNo, d.productNo, coalesce(m.dDate, m.docDate), 5, d.keyNo, d.SDItemNo, d.gsNo, '',
       0, 0, coalesce(d.qty, 0), d.remark
FROM bus_SD m JOIN bus_sd_det d ON d.keyNo = m.keyNo;

-- A period reads the documents from its first day on through these (the lines by their keys).
CREATE INDEX ix_wh_In_moveDate ON wh_In (coalesce(inDate, docDate));
CREATE INDEX ix_bus_PI_moveDate ON bus_PI (coalesce(PIDate, docDate));
CREATE INDEX ix_wh_Out_moveDate ON wh_Out (coalesce(outDate, docDate));
CREATE INDEX ix_wh_mat_moveDate ON wh_mat (coalesce(moDate, docDate));
CREATE INDEX ix_bus_SD_moveDate ON bus_SD (coalesce(dDate, docDate));

-- One change of a pair's figures. Its trigger applies it to wh_stock (creating a missing row)
-- and keeps the table itself empty, so every document trigger below says only what moved.
CREATE TABLE qk_stock_delta (whNo VARCHAR(10), productNo VARCHAR(50), inQty DECIMAL(18,5),
                             inMoney DECIMAL(18,5), outQty DECIMAL(18,5));
CREATE TRIGGER tr_stock_delta BEFORE INSERT ON qk_stock_delta
BEGIN
  INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice)
  SELECT new.whNo, (SELECT depName FROM bas_dep WHERE depNo = new.whNo), new.productNo, 0, 0, 0, 0
  WHERE trim(coalesce(new.whNo, '')) <> '' AND trim(coalesce(new.productNo, '')) <> ''
    AND NOT EXISTS (SELECT 1 FROM wh_stock WHERE whNo = new.whNo AND productNo = new.productNo);
  UPDATE wh_stock
  SET inQty = round(coalesce(inQty, 0) + new.inQty, 5),
      inMoney = round(coalesce(inMoney, 0) + new.inMoney, 5),
      outQty = round(coalesce(outQty, 0) + new.outQty, 5)
  WHERE whNo = new.whNo AND productNo = new.productNo;
  SELECT RAISE(IGNORE);
END;

-- Qty and uPrice are never what a writer says they are, only what the figures make them
-- (0.0: whole numbers would divide as integers).
CREATE TRIGGER tr_wh_stock_figures_insert AFTER INSERT ON wh_stock
BEGIN
  UPDATE wh_stock
  SET Qty = round(coalesce(initQty, 0) + coalesce(inQty, 0) - coalesce(outQty, 0), 5),
      uPrice = CASE WHEN coalesce(initQty, 0) + coalesce(inQty, 0) <> 0
                    THEN round((coalesce(initQty, 0) * coalesce(initPrice, 0) + coalesce(inMoney, 0))
                               / (coalesce(initQty, 0) + coalesce(inQty, 0) + 0.0), 5)
                    ELSE 0 END
  WHERE rowid = new.rowid;
END;
CREATE TRIGGER tr_wh_stock_figures_update
AFTER UPDATE OF initQty, initPrice, Qty, uPrice, inQty, inMoney, outQty ON wh_stock
BEGIN
  UPDATE wh_stock
  SET Qty = round(coalesce(initQty, 0) + coalesce(inQty, 0) - coalesce(outQty, 0), 5),
      uPrice = CASE WHEN coalesce(initQty, 0) + coalesce(inQty, 0) <> 0
                    THEN round((coalesce(initQty, 0) * coalesce(initPrice, 0) + coalesce(inMoney, 0))
                               / (coalesce(initQty, 0) + coalesce(inQty, 0) + 0.0), 5)
                    ELSE 0 END
  WHERE rowid = new.rowid;
END;

-- Opening stock entered for a pair that documents have already moved fills the row they made
-- rather than failing on its key.
CREATE TRIGGER tr_wh_stock_opening BEFORE INSERT ON wh_stock
WHEN EXISTS (SELECT 1 FROM wh_stock WHERE whNo = new.whNo AND productNo = new.productNo
             AND coalesce(initQty, 0) = 0 AND coalesce(initPrice, 0) = 0)
BEGIN
  UPDATE wh_stock
  SET initQty = new.initQty, initPrice = new.initPrice, whName = coalesce(new.whName, whName),
      remark = new.remark
  WHERE whNo = new.whNo AND productNo = new.productNo;
  SELECT RAISE(IGNORE);
END;

-- Deleting a pair's opening stock keeps what its documents moved.
CREATE TRIGGER tr_wh_stock_delete AFTER DELETE ON wh_stock
WHEN coalesce(old.inQty, 0) <> 0 OR coalesce(old.inMoney, 0) <> 0 OR coalesce(old.outQty, 0) <> 0
BEGIN
  INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, inQty, inMoney, outQty)
  VALUES (old.whNo, old.whName, old.productNo, 0, 0, old.inQty, old.inMoney, old.outQty);
END;

-- Receipt lines: a line counts while its document exists, at the document's warehouse.
CREATE TRIGGER tr_wh_in_det_stock_insert AFTER INSERT ON wh_in_det
BEGIN
  INSERT INTO qk_stock_delta
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uPrice, 0), 0
  FROM wh_In m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_wh_in_det_stock_delete AFTER DELETE ON wh_in_det
BEGIN
  INSERT INTO qk_stock_delta
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uPrice, 0), 0
  FROM wh_In m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_wh_in_det_stock_update AFTER UPDATE OF keyNo, productNo, qty, uPrice ON wh_in_det
BEGIN
  INSERT INTO qk_stock_delta
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uPrice, 0), 0
  FROM wh_In m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uPrice, 0), 0
  FROM wh_In m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_bus_pi_det_stock_insert AFTER INSERT ON bus_pi_det
BEGIN
  INSERT INTO qk_stock_delta
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uprice, 0), 0
  FROM bus_PI m WHERE m.keyNO = new.keyNo;
END;
CREATE TRIGGER tr_bus_pi_det_stock_delete AFTER DELETE ON bus_pi_det
BEGIN
  INSERT INTO qk_stock_delta
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uprice, 0), 0
  FROM bus_PI m WHERE m.keyNO = old.keyNo;
END;
CREATE TRIGGER tr_bus_pi_det_stock_update AFTER UPDATE OF keyNo, productNo, qty, uprice ON bus_pi_det
BEGIN
  INSERT INTO qk_stock_delta
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uprice, 0), 0
  FROM bus_PI m WHERE m.keyNO = old.keyNo;
  INSERT INTO qk_stock_delta
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uprice, 0), 0
  FROM bus_PI m WHERE m.keyNO = new.keyNo;
END;

-- Issue lines.
CREATE TRIGGER tr_wh_out_det_stock_insert AFTER INSERT ON wh_out_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0)
  FROM wh_Out m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_wh_out_det_stock_delete AFTER DELETE ON wh_out_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0)
  FROM wh_Out m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_wh_out_det_stock_update AFTER UPDATE OF keyNo, productNo, qty ON wh_out_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0)
  FROM wh_Out m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0)
  FROM wh_Out m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_wh_mat_det_stock_insert AFTER INSERT ON wh_mat_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0)
  FROM wh_mat m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_wh_mat_det_stock_delete AFTER DELETE ON wh_mat_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0)
  FROM wh_mat m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_wh_mat_det_stock_update AFTER UPDATE OF keyNo, productNo, qty ON wh_mat_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0)
  FROM wh_mat m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0)
  FROM wh_mat m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_bus_sd_det_stock_insert AFTER INSERT ON bus_sd_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0)
  FROM bus_SD m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_bus_sd_det_stock_delete AFTER DELETE ON bus_sd_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0)
  FROM bus_SD m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_bus_sd_det_stock_update AFTER UPDATE OF keyNo, productNo, qty ON bus_sd_det
BEGIN
  INSERT INTO qk_stock_delta SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0)
  FROM bus_SD m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0)
  FROM bus_SD m WHERE m.keyNo = new.keyNo;
END;

-- Documents: the lines follow their master in and out of existence and to another warehouse.
CREATE TRIGGER tr_wh_In_stock_insert AFTER INSERT ON wh_In
BEGIN
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, total(qty),
                                    total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0
  FROM wh_in_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_In_stock_delete AFTER DELETE ON wh_In
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, -total(qty),
                                    -total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0
  FROM wh_in_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_In_stock_update AFTER UPDATE OF keyNo, whNo ON wh_In
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, -total(qty),
                                    -total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0
  FROM wh_in_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, total(qty),
                                    total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0
  FROM wh_in_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

CREATE TRIGGER tr_bus_PI_stock_insert AFTER INSERT ON bus_PI
BEGIN
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, total(qty),
                                    total(coalesce(qty, 0) * coalesce(uprice, 0)), 0
  FROM bus_pi_det WHERE keyNo = new.keyNO GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_PI_stock_delete AFTER DELETE ON bus_PI
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, -total(qty),
                                    -total(coalesce(qty, 0) * coalesce(uprice, 0)), 0
  FROM bus_pi_det WHERE keyNo = old.keyNO GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_PI_stock_update AFTER UPDATE OF keyNO, whNo ON bus_PI
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, -total(qty),
                                    -total(coalesce(qty, 0) * coalesce(uprice, 0)), 0
  FROM bus_pi_det WHERE keyNo = old.keyNO GROUP BY productNo;
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, total(qty),
                                    total(coalesce(qty, 0) * coalesce(uprice, 0)), 0
  FROM bus_pi_det WHERE keyNo = new.keyNO GROUP BY productNo;
END;

CREATE TRIGGER tr_wh_Out_stock_insert AFTER INSERT ON wh_Out
BEGIN
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, 0, 0, total(qty)
  FROM wh_out_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_Out_stock_delete AFTER DELETE ON wh_Out
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, 0, 0, -total(qty)
  FROM wh_out_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_Out_stock_update AFTER UPDATE OF keyNo, whNo ON wh_Out
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, 0, 0, -total(qty)
  FROM wh_out_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, 0, 0, total(qty)
  FROM wh_out_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

CREATE TRIGGER tr_wh_mat_stock_insert AFTER INSERT ON wh_mat
BEGIN
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, 0, 0, total(qty)
  FROM wh_mat_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_mat_stock_delete AFTER DELETE ON wh_mat
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, 0, 0, -total(qty)
  FROM wh_mat_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_mat_stock_update AFTER UPDATE OF keyNo, whNo ON wh_mat
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, 0, 0, -total(qty)
  FROM wh_mat_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, 0, 0, total(qty)
  FROM wh_mat_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

CREATE TRIGGER tr_bus_SD_stock_insert AFTER INSERT ON bus_SD
BEGIN
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, 0, 0, total(qty)
  FROM bus_sd_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_SD_stock_delete AFTER DELETE ON bus_SD
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, 0, 0, -total(qty)
  FROM bus_sd_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_SD_stock_update AFTER UPDATE OF keyNo, whNo ON bus_SD
BEGIN
  INSERT INTO qk_stock_delta SELECT old.whNo, productNo, 0, 0, -total(qty)
  FROM bus_sd_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta SELECT new.whNo, productNo, 0, 0, total(qty)
  FROM bus_sd_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

-- Account sets made before these triggers: their documents so far, once.
INSERT INTO qk_stock_delta
SELECT whNo, productNo, total(inQty), total(inMoney), total(outQty)
FROM view_stock_move GROUP BY whNo, productNo;

-- The stock picker and query read the figures the triggers keep.
DROP VIEW view_qry_wh_view;
CREATE VIEW view_qry_wh_view AS
SELECT s.whNo AS whNo, coalesce(w.depName, s.whName) AS whName, s.productNo AS productNo,
       p.des AS des, p.productName AS productName, p.productSize AS productSize,
       p.productPre AS productPre, p.productMat AS productMat, p.productSta AS productSta,
       p.productUnit AS productUnit, coalesce(s.initQty, 0) AS initQty,
       coalesce(s.inQty, 0) AS inQty, coalesce(s.outQty, 0) AS outQty, s.Qty AS qty,
       s.uPrice AS uPrice, round(s.Qty * s.uPrice, 2) AS amount, p.lowQty AS lowQty,
       p.highQty AS highQty, p.def1 AS def1, p.def2 AS def2, p.def3 AS def3, p.def4 AS def4,
       p.def5 AS def5, p.def6 AS def6
FROM wh_stock s
LEFT JOIN bas_dep w ON w.depNo = s.whNo
LEFT JOIN view_bas_prd_des p ON p.productNo = s.productNo;
