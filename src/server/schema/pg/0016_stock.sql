-- Stock kept by triggers, as the SQLite triggers of this migration keep it. The documents' triggers
-- share two functions told by their arguments which master or lines table, which date column and
-- whether the document receives ('in') or issues ('out').

-- One change of a pair's figures: applied to wh_stock (a missing row is made), never stored.
CREATE OR REPLACE FUNCTION qk_stock_delta_apply() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice)
  SELECT NEW.whNo, (SELECT depName FROM bas_dep WHERE depNo = NEW.whNo), NEW.productNo, 0, 0, 0, 0
  WHERE trim(coalesce(NEW.whNo, '')) <> '' AND trim(coalesce(NEW.productNo, '')) <> ''
    AND NOT EXISTS (SELECT 1 FROM wh_stock WHERE whNo = NEW.whNo AND productNo = NEW.productNo);
  UPDATE wh_stock
  SET inQty = round(coalesce(inQty, 0) + NEW.inQty, 5),
      inMoney = round(coalesce(inMoney, 0) + NEW.inMoney, 5),
      outQty = round(coalesce(outQty, 0) + NEW.outQty, 5)
  WHERE whNo = NEW.whNo AND productNo = NEW.productNo;
  RETURN NULL;
END $$;
CREATE TRIGGER tr_stock_delta BEFORE INSERT ON qk_stock_delta
FOR EACH ROW EXECUTE FUNCTION qk_stock_delta_apply();

-- Qty and uPrice are only what the figures make them. Opening stock entered for a pair that
-- documents have already moved fills the row they made rather than failing on its key.
CREATE OR REPLACE FUNCTION qk_wh_stock_figures() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF TG_OP = 'INSERT' AND EXISTS (
      SELECT 1 FROM wh_stock WHERE whNo = NEW.whNo AND productNo = NEW.productNo
        AND coalesce(initQty, 0) = 0 AND coalesce(initPrice, 0) = 0) THEN
    UPDATE wh_stock
    SET initQty = NEW.initQty, initPrice = NEW.initPrice, whName = coalesce(NEW.whName, whName),
        remark = NEW.remark
    WHERE whNo = NEW.whNo AND productNo = NEW.productNo;
    RETURN NULL;
  END IF;
  NEW.Qty := round(coalesce(NEW.initQty, 0) + coalesce(NEW.inQty, 0) - coalesce(NEW.outQty, 0), 5);
  NEW.uPrice := CASE WHEN coalesce(NEW.initQty, 0) + coalesce(NEW.inQty, 0) <> 0
                     THEN round((coalesce(NEW.initQty, 0) * coalesce(NEW.initPrice, 0)
                                 + coalesce(NEW.inMoney, 0))
                                / (coalesce(NEW.initQty, 0) + coalesce(NEW.inQty, 0)), 5)
                     ELSE 0 END;
  RETURN NEW;
END $$;
CREATE TRIGGER tr_wh_stock_figures_insert BEFORE INSERT ON wh_stock
FOR EACH ROW EXECUTE FUNCTION qk_wh_stock_figures();
CREATE TRIGGER tr_wh_stock_figures_update
BEFORE UPDATE OF initQty, initPrice, Qty, uPrice, inQty, inMoney, outQty ON wh_stock
FOR EACH ROW EXECUTE FUNCTION qk_wh_stock_figures();

-- Deleting a pair's opening stock keeps what its documents moved.
CREATE OR REPLACE FUNCTION qk_wh_stock_delete() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, inQty, inMoney, outQty)
  VALUES (OLD.whNo, OLD.whName, OLD.productNo, 0, 0, OLD.inQty, OLD.inMoney, OLD.outQty);
  RETURN NULL;
END $$;
CREATE TRIGGER tr_wh_stock_delete AFTER DELETE ON wh_stock FOR EACH ROW
WHEN (coalesce(OLD.inQty, 0) <> 0 OR coalesce(OLD.inMoney, 0) <> 0 OR coalesce(OLD.outQty, 0) <> 0)
EXECUTE FUNCTION qk_wh_stock_delete();

-- One line's move at its document's warehouse (nothing while the document does not exist).
CREATE OR REPLACE FUNCTION qk_stock_move_line(master text, dateColumn text, receipt boolean,
                                              key citext, product citext, qty double precision,
                                              price double precision, sign integer)
RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  EXECUTE format('INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty) '
                 'SELECT m.whNo, $2, $3, $4, $5 FROM %I m WHERE m.keyNo = $1', master)
  USING key, product,
        CASE WHEN receipt THEN sign * coalesce(qty, 0) ELSE 0 END,
        CASE WHEN receipt THEN sign * coalesce(qty, 0) * coalesce(price, 0) ELSE 0 END,
        CASE WHEN receipt THEN 0 ELSE sign * coalesce(qty, 0) END;
END $$;

-- A document's lines, per item, at a warehouse.
CREATE OR REPLACE FUNCTION qk_stock_move_lines(lines text, receipt boolean, wh citext, key citext,
                                               moved text, sign integer, redated integer)
RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  EXECUTE format('INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty) '
                 'SELECT $1, productNo, %s, %s, %s FROM %I WHERE keyNo = $2 GROUP BY productNo',
                 CASE WHEN receipt THEN '$3 * total(qty)' ELSE '0' END,
                 CASE WHEN receipt THEN '$3 * total(coalesce(qty, 0) * coalesce(uprice, 0))'
                      ELSE '0' END,
                 CASE WHEN receipt THEN '0' ELSE '$3 * total(qty)' END, lines)
  USING wh, key, sign::double precision;
END $$;

-- Nobody calls these but the document triggers: a direct call would move stock without a document.
REVOKE EXECUTE ON FUNCTION qk_stock_move_line(text, text, boolean, citext, citext, double precision,
                                              double precision, integer) FROM PUBLIC;
REVOKE EXECUTE ON FUNCTION qk_stock_move_lines(text, boolean, citext, citext, text, integer, integer)
  FROM PUBLIC;

-- The document triggers run as the schema's owner: what they write (qk_stock_delta and through it
-- wh_stock) follows from the user's right to write the document, as on SQLite.

-- Lines: TG_ARGV = master table, its date column, 'in' or 'out'.
CREATE OR REPLACE FUNCTION qk_stock_line() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
  receipt boolean := TG_ARGV[2] = 'in';
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    PERFORM qk_stock_move_line(TG_ARGV[0], TG_ARGV[1], receipt, OLD.keyNo, OLD.productNo, OLD.qty,
                               (to_jsonb(OLD) ->> 'uprice')::double precision, -1);
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    PERFORM qk_stock_move_line(TG_ARGV[0], TG_ARGV[1], receipt, NEW.keyNo, NEW.productNo, NEW.qty,
                               (to_jsonb(NEW) ->> 'uprice')::double precision, 1);
  END IF;
  RETURN NULL;
END $$;

-- Masters: TG_ARGV = lines table, date column, 'in' or 'out', and 'redate' for a new date only.
CREATE OR REPLACE FUNCTION qk_stock_master() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
  receipt boolean := TG_ARGV[2] = 'in';
  redated integer := CASE WHEN TG_ARGV[3] = 'redate' THEN 1 ELSE 0 END;
  dateColumn text := lower(TG_ARGV[1]);
BEGIN
  IF TG_OP IN ('DELETE', 'UPDATE') THEN
    PERFORM qk_stock_move_lines(TG_ARGV[0], receipt, OLD.whNo, OLD.keyNo,
                                coalesce(to_jsonb(OLD) ->> dateColumn, OLD.docDate), -1, redated);
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') THEN
    PERFORM qk_stock_move_lines(TG_ARGV[0], receipt, NEW.whNo, NEW.keyNo,
                                coalesce(to_jsonb(NEW) ->> dateColumn, NEW.docDate), 1, redated);
  END IF;
  RETURN NULL;
END $$;

-- The documents that move stock: master, lines, the master's date column, receipt or issue, and
-- the line columns whose change moves the line.
DO $$
DECLARE
  d record;
BEGIN
  FOR d IN SELECT lower(master) AS master, lines, dateColumn, kind, lineColumns
           FROM (VALUES ('wh_In', 'wh_in_det', 'inDate', 'in', 'keyNo, productNo, qty, uPrice'),
                        ('bus_PI', 'bus_pi_det', 'PIDate', 'in', 'keyNo, productNo, qty, uprice'),
                        ('wh_Out', 'wh_out_det', 'outDate', 'out', 'keyNo, productNo, qty'),
                        ('wh_mat', 'wh_mat_det', 'moDate', 'out', 'keyNo, productNo, qty'),
                        ('bus_SD', 'bus_sd_det', 'dDate', 'out', 'keyNo, productNo, qty'))
             AS v(master, lines, dateColumn, kind, lineColumns) LOOP
    EXECUTE format('CREATE TRIGGER %I AFTER INSERT OR DELETE OR UPDATE OF %s ON %I FOR EACH ROW '
                   'EXECUTE FUNCTION qk_stock_line(%L, %L, %L)',
                   'tr_' || d.lines || '_stock', d.lineColumns, d.lines, d.master, d.dateColumn,
                   d.kind);
    EXECUTE format('CREATE TRIGGER %I AFTER INSERT OR DELETE OR UPDATE OF keyNo, whNo ON %I '
                   'FOR EACH ROW EXECUTE FUNCTION qk_stock_master(%L, %L, %L)',
                   'tr_' || d.master || '_stock', d.master, d.lines, d.dateColumn, d.kind);
  END LOOP;
END $$;
