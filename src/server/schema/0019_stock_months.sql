-- Stock per month: what the documents received and issued in each calendar month, per warehouse
-- and item, kept by the same triggers that keep wh_stock and in the same transaction. A period's
-- opening then sums the months before the period's month and the days of that month before its
-- start, instead of every movement since the first document.

-- month is the first seven characters of the movement's date ("YYYY-MM"), or '' for a movement
-- without a date or with a number for one: such a movement lies before every period, as it
-- always has, since it never falls inside one.
CREATE TABLE qk_stock_month (
  whNo VARCHAR(10) COLLATE NOCASE NOT NULL,
  productNo VARCHAR(50) COLLATE NOCASE NOT NULL,
  month TEXT NOT NULL,
  inQty DECIMAL(18,5) NOT NULL DEFAULT 0,
  inMoney DECIMAL(18,5) NOT NULL DEFAULT 0,
  outQty DECIMAL(18,5) NOT NULL DEFAULT 0,
  PRIMARY KEY (whNo, productNo, month)
) WITHOUT ROWID;

-- The document triggers are made again below, each change with its date.
DROP TRIGGER tr_wh_in_det_stock_insert;
DROP TRIGGER tr_wh_in_det_stock_delete;
DROP TRIGGER tr_wh_in_det_stock_update;
DROP TRIGGER tr_wh_In_stock_insert;
DROP TRIGGER tr_wh_In_stock_delete;
DROP TRIGGER tr_wh_In_stock_update;
DROP TRIGGER tr_bus_pi_det_stock_insert;
DROP TRIGGER tr_bus_pi_det_stock_delete;
DROP TRIGGER tr_bus_pi_det_stock_update;
DROP TRIGGER tr_bus_PI_stock_insert;
DROP TRIGGER tr_bus_PI_stock_delete;
DROP TRIGGER tr_bus_PI_stock_update;
DROP TRIGGER tr_wh_out_det_stock_insert;
DROP TRIGGER tr_wh_out_det_stock_delete;
DROP TRIGGER tr_wh_out_det_stock_update;
DROP TRIGGER tr_wh_Out_stock_insert;
DROP TRIGGER tr_wh_Out_stock_delete;
DROP TRIGGER tr_wh_Out_stock_update;
DROP TRIGGER tr_wh_mat_det_stock_insert;
DROP TRIGGER tr_wh_mat_det_stock_delete;
DROP TRIGGER tr_wh_mat_det_stock_update;
DROP TRIGGER tr_wh_mat_stock_insert;
DROP TRIGGER tr_wh_mat_stock_delete;
DROP TRIGGER tr_wh_mat_stock_update;
DROP TRIGGER tr_bus_sd_det_stock_insert;
DROP TRIGGER tr_bus_sd_det_stock_delete;
DROP TRIGGER tr_bus_sd_det_stock_update;
DROP TRIGGER tr_bus_SD_stock_insert;
DROP TRIGGER tr_bus_SD_stock_delete;
DROP TRIGGER tr_bus_SD_stock_update;

-- A change now says when it moved; redated changes move figures between months only (a
-- document's date changed), so wh_stock is left alone.
ALTER TABLE qk_stock_delta ADD COLUMN moveDate;
ALTER TABLE qk_stock_delta ADD COLUMN redated INTEGER DEFAULT 0;

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
  SELECT RAISE(IGNORE);
END;

-- The document triggers again, each change with its date; a master's update moves its lines only
-- when its number or warehouse changed, and a new date moves them between months.
CREATE TRIGGER tr_wh_in_det_stock_insert AFTER INSERT ON wh_in_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uPrice, 0), 0,
         coalesce(m.inDate, m.docDate)
  FROM wh_In m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_wh_in_det_stock_delete AFTER DELETE ON wh_in_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uPrice, 0), 0,
         coalesce(m.inDate, m.docDate)
  FROM wh_In m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_wh_in_det_stock_update AFTER UPDATE OF keyNo, productNo, qty, uPrice
ON wh_in_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uPrice, 0), 0,
         coalesce(m.inDate, m.docDate)
  FROM wh_In m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uPrice, 0), 0,
         coalesce(m.inDate, m.docDate)
  FROM wh_In m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_bus_pi_det_stock_insert AFTER INSERT ON bus_pi_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uprice, 0), 0,
         coalesce(m.PIDate, m.docDate)
  FROM bus_PI m WHERE m.keyNO = new.keyNo;
END;
CREATE TRIGGER tr_bus_pi_det_stock_delete AFTER DELETE ON bus_pi_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uprice, 0), 0,
         coalesce(m.PIDate, m.docDate)
  FROM bus_PI m WHERE m.keyNO = old.keyNo;
END;
CREATE TRIGGER tr_bus_pi_det_stock_update AFTER UPDATE OF keyNo, productNo, qty, uprice
ON bus_pi_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, -coalesce(old.qty, 0),
         -coalesce(old.qty, 0) * coalesce(old.uprice, 0), 0,
         coalesce(m.PIDate, m.docDate)
  FROM bus_PI m WHERE m.keyNO = old.keyNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, coalesce(new.qty, 0),
         coalesce(new.qty, 0) * coalesce(new.uprice, 0), 0,
         coalesce(m.PIDate, m.docDate)
  FROM bus_PI m WHERE m.keyNO = new.keyNo;
END;

CREATE TRIGGER tr_wh_out_det_stock_insert AFTER INSERT ON wh_out_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0),
         coalesce(m.outDate, m.docDate)
  FROM wh_Out m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_wh_out_det_stock_delete AFTER DELETE ON wh_out_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0),
         coalesce(m.outDate, m.docDate)
  FROM wh_Out m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_wh_out_det_stock_update AFTER UPDATE OF keyNo, productNo, qty
ON wh_out_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0),
         coalesce(m.outDate, m.docDate)
  FROM wh_Out m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0),
         coalesce(m.outDate, m.docDate)
  FROM wh_Out m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_wh_mat_det_stock_insert AFTER INSERT ON wh_mat_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0),
         coalesce(m.moDate, m.docDate)
  FROM wh_mat m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_wh_mat_det_stock_delete AFTER DELETE ON wh_mat_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0),
         coalesce(m.moDate, m.docDate)
  FROM wh_mat m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_wh_mat_det_stock_update AFTER UPDATE OF keyNo, productNo, qty
ON wh_mat_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0),
         coalesce(m.moDate, m.docDate)
  FROM wh_mat m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0),
         coalesce(m.moDate, m.docDate)
  FROM wh_mat m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_bus_sd_det_stock_insert AFTER INSERT ON bus_sd_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0),
         coalesce(m.dDate, m.docDate)
  FROM bus_SD m WHERE m.keyNo = new.keyNo;
END;
CREATE TRIGGER tr_bus_sd_det_stock_delete AFTER DELETE ON bus_sd_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0),
         coalesce(m.dDate, m.docDate)
  FROM bus_SD m WHERE m.keyNo = old.keyNo;
END;
CREATE TRIGGER tr_bus_sd_det_stock_update AFTER UPDATE OF keyNo, productNo, qty
ON bus_sd_det
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, old.productNo, 0, 0, -coalesce(old.qty, 0),
         coalesce(m.dDate, m.docDate)
  FROM bus_SD m WHERE m.keyNo = old.keyNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT m.whNo, new.productNo, 0, 0, coalesce(new.qty, 0),
         coalesce(m.dDate, m.docDate)
  FROM bus_SD m WHERE m.keyNo = new.keyNo;
END;

CREATE TRIGGER tr_wh_In_stock_insert AFTER INSERT ON wh_In
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, total(qty), total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0,
         coalesce(new.inDate, new.docDate)
  FROM wh_in_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_In_stock_delete AFTER DELETE ON wh_In
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, -total(qty), -total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0,
         coalesce(old.inDate, old.docDate)
  FROM wh_in_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_In_stock_update AFTER UPDATE OF keyNo, whNo ON wh_In
WHEN old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, -total(qty), -total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0,
         coalesce(old.inDate, old.docDate)
  FROM wh_in_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, total(qty), total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0,
         coalesce(new.inDate, new.docDate)
  FROM wh_in_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_In_stock_redate AFTER UPDATE OF inDate, docDate ON wh_In
WHEN NOT (old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo)
  AND coalesce(old.inDate, old.docDate) IS NOT coalesce(new.inDate, new.docDate)
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT old.whNo, productNo, -total(qty), -total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0,
         coalesce(old.inDate, old.docDate), 1
  FROM wh_in_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT new.whNo, productNo, total(qty), total(coalesce(qty, 0) * coalesce(uPrice, 0)), 0,
         coalesce(new.inDate, new.docDate), 1
  FROM wh_in_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

CREATE TRIGGER tr_bus_PI_stock_insert AFTER INSERT ON bus_PI
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, total(qty), total(coalesce(qty, 0) * coalesce(uprice, 0)), 0,
         coalesce(new.PIDate, new.docDate)
  FROM bus_pi_det WHERE keyNo = new.keyNO GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_PI_stock_delete AFTER DELETE ON bus_PI
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, -total(qty), -total(coalesce(qty, 0) * coalesce(uprice, 0)), 0,
         coalesce(old.PIDate, old.docDate)
  FROM bus_pi_det WHERE keyNo = old.keyNO GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_PI_stock_update AFTER UPDATE OF keyNO, whNo ON bus_PI
WHEN old.keyNO IS NOT new.keyNO OR old.whNo IS NOT new.whNo
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, -total(qty), -total(coalesce(qty, 0) * coalesce(uprice, 0)), 0,
         coalesce(old.PIDate, old.docDate)
  FROM bus_pi_det WHERE keyNo = old.keyNO GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, total(qty), total(coalesce(qty, 0) * coalesce(uprice, 0)), 0,
         coalesce(new.PIDate, new.docDate)
  FROM bus_pi_det WHERE keyNo = new.keyNO GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_PI_stock_redate AFTER UPDATE OF PIDate, docDate ON bus_PI
WHEN NOT (old.keyNO IS NOT new.keyNO OR old.whNo IS NOT new.whNo)
  AND coalesce(old.PIDate, old.docDate) IS NOT coalesce(new.PIDate, new.docDate)
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT old.whNo, productNo, -total(qty), -total(coalesce(qty, 0) * coalesce(uprice, 0)), 0,
         coalesce(old.PIDate, old.docDate), 1
  FROM bus_pi_det WHERE keyNo = old.keyNO GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT new.whNo, productNo, total(qty), total(coalesce(qty, 0) * coalesce(uprice, 0)), 0,
         coalesce(new.PIDate, new.docDate), 1
  FROM bus_pi_det WHERE keyNo = new.keyNO GROUP BY productNo;
END;

CREATE TRIGGER tr_wh_Out_stock_insert AFTER INSERT ON wh_Out
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.outDate, new.docDate)
  FROM wh_out_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_Out_stock_delete AFTER DELETE ON wh_Out
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.outDate, old.docDate)
  FROM wh_out_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_Out_stock_update AFTER UPDATE OF keyNo, whNo ON wh_Out
WHEN old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.outDate, old.docDate)
  FROM wh_out_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.outDate, new.docDate)
  FROM wh_out_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_Out_stock_redate AFTER UPDATE OF outDate, docDate ON wh_Out
WHEN NOT (old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo)
  AND coalesce(old.outDate, old.docDate) IS NOT coalesce(new.outDate, new.docDate)
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.outDate, old.docDate), 1
  FROM wh_out_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.outDate, new.docDate), 1
  FROM wh_out_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

CREATE TRIGGER tr_wh_mat_stock_insert AFTER INSERT ON wh_mat
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.moDate, new.docDate)
  FROM wh_mat_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_mat_stock_delete AFTER DELETE ON wh_mat
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.moDate, old.docDate)
  FROM wh_mat_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_mat_stock_update AFTER UPDATE OF keyNo, whNo ON wh_mat
WHEN old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.moDate, old.docDate)
  FROM wh_mat_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.moDate, new.docDate)
  FROM wh_mat_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_wh_mat_stock_redate AFTER UPDATE OF moDate, docDate ON wh_mat
WHEN NOT (old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo)
  AND coalesce(old.moDate, old.docDate) IS NOT coalesce(new.moDate, new.docDate)
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.moDate, old.docDate), 1
  FROM wh_mat_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.moDate, new.docDate), 1
  FROM wh_mat_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

CREATE TRIGGER tr_bus_SD_stock_insert AFTER INSERT ON bus_SD
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.dDate, new.docDate)
  FROM bus_sd_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_SD_stock_delete AFTER DELETE ON bus_SD
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.dDate, old.docDate)
  FROM bus_sd_det WHERE keyNo = old.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_SD_stock_update AFTER UPDATE OF keyNo, whNo ON bus_SD
WHEN old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.dDate, old.docDate)
  FROM bus_sd_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.dDate, new.docDate)
  FROM bus_sd_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;
CREATE TRIGGER tr_bus_SD_stock_redate AFTER UPDATE OF dDate, docDate ON bus_SD
WHEN NOT (old.keyNo IS NOT new.keyNo OR old.whNo IS NOT new.whNo)
  AND coalesce(old.dDate, old.docDate) IS NOT coalesce(new.dDate, new.docDate)
BEGIN
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT old.whNo, productNo, 0, 0, -total(qty),
         coalesce(old.dDate, old.docDate), 1
  FROM bus_sd_det WHERE keyNo = old.keyNo GROUP BY productNo;
  INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate, redated)
  SELECT new.whNo, productNo, 0, 0, total(qty),
         coalesce(new.dDate, new.docDate), 1
  FROM bus_sd_det WHERE keyNo = new.keyNo GROUP BY productNo;
END;

-- The months of the documents so far, once.
INSERT INTO qk_stock_month (whNo, productNo, month, inQty, inMoney, outQty)
SELECT whNo, productNo,
       CASE WHEN moveDate IS NULL OR typeof(moveDate) IN ('integer', 'real') THEN ''
            ELSE substr(moveDate, 1, 7) END AS month,
       round(total(inQty), 5), round(total(inMoney), 5), round(total(outQty), 5)
FROM view_stock_move
WHERE whNo IS NOT NULL AND productNo IS NOT NULL
GROUP BY whNo COLLATE NOCASE, productNo COLLATE NOCASE, month;
