-- Running totals kept as the SQLite triggers of this migration keep them. The functions run as the
-- schema's owner: what they write follows from the user's right to write the line, as on SQLite.

-- What is left follows the two figures it is made of.
CREATE OR REPLACE FUNCTION qk_so_line_left() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  NEW.unQty := round(NEW.qty - NEW.dQty, 5);
  RETURN NEW;
END $$;
CREATE TRIGGER tr_qk_so_line_left BEFORE INSERT OR UPDATE OF qty, dQty ON qk_so_line
FOR EACH ROW EXECUTE FUNCTION qk_so_line_left();

-- Order lines: each item number's order and quantity. A line that goes leaves its deliveries.
CREATE OR REPLACE FUNCTION qk_so_line_copy() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    IF OLD.gsNo IS NOT NULL THEN
      UPDATE qk_so_line SET keyNo = NULL, qty = 0 WHERE gsNo = OLD.gsNo;
    END IF;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    IF NEW.gsNo IS NOT NULL THEN
      INSERT INTO qk_so_line AS k (gsNo, keyNo, qty) VALUES (NEW.gsNo, NEW.keyNo, coalesce(NEW.qty, 0))
      ON CONFLICT (gsNo) DO UPDATE SET keyNo = excluded.keyNo, qty = excluded.qty;
    END IF;
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_bus_so_det_line AFTER INSERT OR DELETE OR UPDATE OF gsNo, keyNo, qty ON bus_so_det
FOR EACH ROW EXECUTE FUNCTION qk_so_line_copy();

-- Task lines: each task number's product, process, department, planned quantity and date, and
-- the quota of its product and process.
CREATE OR REPLACE FUNCTION qk_task_progress_line() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    IF OLD.taskNo IS NOT NULL THEN
      UPDATE qk_task_progress
      SET productNo = NULL, procNo = NULL, depNo = NULL, qty = 0, pDate = NULL, quote = NULL
      WHERE taskNo = OLD.taskNo;
    END IF;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    IF NEW.taskNo IS NOT NULL THEN
      INSERT INTO qk_task_progress AS k (taskNo, productNo, procNo, depNo, qty, pDate, quote)
      VALUES (NEW.taskNo, NEW.productNo, NEW.procNo, NEW.depNo, coalesce(NEW.qty, 0), NEW.pDate,
              (SELECT quote FROM bas_quote WHERE productNo = NEW.productNo AND procNo = NEW.procNo))
      ON CONFLICT (taskNo) DO UPDATE
      SET productNo = excluded.productNo, procNo = excluded.procNo, depNo = excluded.depNo,
          qty = excluded.qty, pDate = excluded.pDate, quote = excluded.quote;
    END IF;
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_bus_task_det_progress
AFTER INSERT OR DELETE OR UPDATE OF taskNo, productNo, procNo, depNo, qty, pDate ON bus_task_det
FOR EACH ROW EXECUTE FUNCTION qk_task_progress_line();

-- Delivery lines: what each order item number has shipped.
CREATE OR REPLACE FUNCTION qk_so_line_delivered() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    IF OLD.gsNo IS NOT NULL THEN
      UPDATE qk_so_line SET dQty = round(dQty - coalesce(OLD.qty, 0), 5)
      WHERE gsNo = OLD.gsNo;
    END IF;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    IF NEW.gsNo IS NOT NULL THEN
      INSERT INTO qk_so_line AS k (gsNo, dQty) VALUES (NEW.gsNo, round(coalesce(NEW.qty, 0), 5))
      ON CONFLICT (gsNo) DO UPDATE SET dQty = round(k.dQty + excluded.dQty, 5);
    END IF;
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_bus_sd_det_delivered AFTER INSERT OR DELETE OR UPDATE OF gsNo, qty ON bus_sd_det
FOR EACH ROW EXECUTE FUNCTION qk_so_line_delivered();

-- A quota changed applies to every task line of its product and process.
CREATE OR REPLACE FUNCTION qk_task_progress_quote() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    UPDATE qk_task_progress SET quote = NULL
    WHERE productNo = OLD.productNo AND procNo = OLD.procNo;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    UPDATE qk_task_progress SET quote = NEW.quote
    WHERE productNo = NEW.productNo AND procNo = NEW.procNo;
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_bas_quote_progress AFTER INSERT OR DELETE OR UPDATE OF productNo, procNo, quote
ON bas_quote FOR EACH ROW EXECUTE FUNCTION qk_task_progress_quote();

-- Process records: good, scrapped and reworked pieces per task line.
CREATE OR REPLACE FUNCTION qk_task_progress_flow() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    IF OLD.taskNo IS NOT NULL THEN
      UPDATE qk_task_progress
      SET fQty = round(fQty - coalesce(OLD.gqty, 0), 5),
          gfqty = round(gfqty - coalesce(OLD.gfqty, 0), 5),
          lfqty = round(lfqty - coalesce(OLD.lfqty, 0), 5),
          fxqty = round(fxqty - coalesce(OLD.fxqty, 0), 5)
      WHERE taskNo = OLD.taskNo;
    END IF;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    IF NEW.taskNo IS NOT NULL THEN
      INSERT INTO qk_task_progress AS k (taskNo, fQty, gfqty, lfqty, fxqty)
      VALUES (NEW.taskNo, round(coalesce(NEW.gqty, 0), 5), round(coalesce(NEW.gfqty, 0), 5),
              round(coalesce(NEW.lfqty, 0), 5), round(coalesce(NEW.fxqty, 0), 5))
      ON CONFLICT (taskNo) DO UPDATE
      SET fQty = round(k.fQty + excluded.fQty, 5), gfqty = round(k.gfqty + excluded.gfqty, 5),
          lfqty = round(k.lfqty + excluded.lfqty, 5), fxqty = round(k.fxqty + excluded.fxqty, 5);
    END IF;
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_bus_flow_progress
AFTER INSERT OR DELETE OR UPDATE OF taskNo, gqty, gfqty, lfqty, fxqty ON bus_flow
FOR EACH ROW EXECUTE FUNCTION qk_task_progress_flow();

-- Receipt records: pieces taken in per task line.
CREATE OR REPLACE FUNCTION qk_task_progress_rec() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    IF OLD.taskNo IS NOT NULL THEN
      UPDATE qk_task_progress SET recQty = round(recQty - coalesce(OLD.recQty, 0), 5)
      WHERE taskNo = OLD.taskNo;
    END IF;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    IF NEW.taskNo IS NOT NULL THEN
      INSERT INTO qk_task_progress AS k (taskNo, recQty)
      VALUES (NEW.taskNo, round(coalesce(NEW.recQty, 0), 5))
      ON CONFLICT (taskNo) DO UPDATE SET recQty = round(k.recQty + excluded.recQty, 5);
    END IF;
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_bus_flow_rec_progress AFTER INSERT OR DELETE OR UPDATE OF taskNo, recQty
ON bus_flow_rec FOR EACH ROW EXECUTE FUNCTION qk_task_progress_rec();

-- The stock change of 0019 again, now adding each change to its warehouse's day as well.
CREATE OR REPLACE FUNCTION qk_stock_delta_apply() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF coalesce(NEW.redated, 0) = 0 THEN
    INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice)
    SELECT NEW.whNo, (SELECT depName FROM bas_dep WHERE depNo = NEW.whNo), NEW.productNo,
           0, 0, 0, 0
    WHERE trim(coalesce(NEW.whNo, '')) <> '' AND trim(coalesce(NEW.productNo, '')) <> ''
      AND NOT EXISTS (SELECT 1 FROM wh_stock WHERE whNo = NEW.whNo AND productNo = NEW.productNo);
    UPDATE wh_stock
    SET inQty = round(coalesce(inQty, 0) + NEW.inQty, 5),
        inMoney = round(coalesce(inMoney, 0) + NEW.inMoney, 5),
        outQty = round(coalesce(outQty, 0) + NEW.outQty, 5)
    WHERE whNo = NEW.whNo AND productNo = NEW.productNo;
  END IF;
  IF NEW.whNo IS NOT NULL AND NEW.productNo IS NOT NULL THEN
    INSERT INTO qk_stock_month AS s (whNo, productNo, month, inQty, inMoney, outQty)
    VALUES (NEW.whNo, NEW.productNo,
            CASE WHEN NEW.moveDate IS NULL OR typeof(NEW.moveDate) IN ('integer', 'real') THEN ''
                 ELSE substr(NEW.moveDate, 1, 7) END,
            round(NEW.inQty, 5), round(NEW.inMoney, 5), round(NEW.outQty, 5))
    ON CONFLICT (whNo, productNo, month) DO UPDATE
    SET inQty = round(s.inQty + excluded.inQty, 5), inMoney = round(s.inMoney + excluded.inMoney, 5),
        outQty = round(s.outQty + excluded.outQty, 5);
  END IF;
  IF NEW.whNo IS NOT NULL THEN
    INSERT INTO qk_stock_day AS s (whNo, day, inQty, outQty)
    VALUES (NEW.whNo,
            CASE WHEN NEW.moveDate IS NULL OR typeof(NEW.moveDate) IN ('integer', 'real') THEN ''
                 ELSE substr(NEW.moveDate, 1, 10) END,
            round(NEW.inQty, 5), round(NEW.outQty, 5))
    ON CONFLICT (whNo, day) DO UPDATE
    SET inQty = round(s.inQty + excluded.inQty, 5), outQty = round(s.outQty + excluded.outQty, 5);
  END IF;
  RETURN NULL;
END $$;
