-- Stock per month, kept by the same functions as wh_stock: each change now says when it moved,
-- and a document whose date alone changed moves its figures between months only (redated).

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
  RETURN NULL;
END $$;

CREATE OR REPLACE FUNCTION qk_stock_move_line(master text, dateColumn text, receipt boolean,
                                              key citext, product citext, qty double precision,
                                              price double precision, sign integer)
RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  EXECUTE format('INSERT INTO qk_stock_delta (whNo, productNo, inQty, inMoney, outQty, moveDate) '
                 'SELECT m.whNo, $2, $3, $4, $5, coalesce(m.%I, m.docDate) '
                 'FROM %I m WHERE m.keyNo = $1', lower(dateColumn), master)
  USING key, product,
        CASE WHEN receipt THEN sign * coalesce(qty, 0) ELSE 0 END,
        CASE WHEN receipt THEN sign * coalesce(qty, 0) * coalesce(price, 0) ELSE 0 END,
        CASE WHEN receipt THEN 0 ELSE sign * coalesce(qty, 0) END;
END $$;

CREATE OR REPLACE FUNCTION qk_stock_move_lines(lines text, receipt boolean, wh citext, key citext,
                                               moved text, sign integer, redated integer)
RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  EXECUTE format('INSERT INTO qk_stock_delta '
                 '(whNo, productNo, inQty, inMoney, outQty, moveDate, redated) '
                 'SELECT $1, productNo, %s, %s, %s, $4, $5 FROM %I WHERE keyNo = $2 '
                 'GROUP BY productNo',
                 CASE WHEN receipt THEN '$3 * total(qty)' ELSE '0' END,
                 CASE WHEN receipt THEN '$3 * total(coalesce(qty, 0) * coalesce(uprice, 0))'
                      ELSE '0' END,
                 CASE WHEN receipt THEN '0' ELSE '$3 * total(qty)' END, lines)
  USING wh, key, sign::double precision, moved, redated;
END $$;

-- A master's update moves its lines only when its number or warehouse changed; a new date alone
-- moves them between months.
DO $$
DECLARE
  d record;
  changed constant text := 'OLD.keyNo IS DISTINCT FROM NEW.keyNo OR OLD.whNo IS DISTINCT FROM NEW.whNo';
BEGIN
  FOR d IN SELECT lower(master) AS master, lines, lower(dateColumn) AS dateColumn, kind
           FROM (VALUES ('wh_In', 'wh_in_det', 'inDate', 'in'),
                        ('bus_PI', 'bus_pi_det', 'PIDate', 'in'),
                        ('wh_Out', 'wh_out_det', 'outDate', 'out'),
                        ('wh_mat', 'wh_mat_det', 'moDate', 'out'),
                        ('bus_SD', 'bus_sd_det', 'dDate', 'out'))
             AS v(master, lines, dateColumn, kind) LOOP
    EXECUTE format('CREATE OR REPLACE TRIGGER %I AFTER INSERT OR DELETE ON %I FOR EACH ROW '
                   'EXECUTE FUNCTION qk_stock_master(%L, %L, %L)',
                   'tr_' || d.master || '_stock', d.master, d.lines, d.dateColumn, d.kind);
    EXECUTE format('CREATE TRIGGER %I AFTER UPDATE OF keyNo, whNo ON %I FOR EACH ROW WHEN (%s) '
                   'EXECUTE FUNCTION qk_stock_master(%L, %L, %L)',
                   'tr_' || d.master || '_stock_update', d.master, changed, d.lines, d.dateColumn,
                   d.kind);
    EXECUTE format('CREATE TRIGGER %I AFTER UPDATE OF %I, docDate ON %I FOR EACH ROW '
                   'WHEN (NOT (%s) AND coalesce(OLD.%I, OLD.docDate) '
                   'IS DISTINCT FROM coalesce(NEW.%I, NEW.docDate)) '
                   'EXECUTE FUNCTION qk_stock_master(%L, %L, %L, %L)',
                   'tr_' || d.master || '_stock_redate', d.dateColumn, d.master, changed,
                   d.dateColumn, d.dateColumn, d.lines, d.dateColumn, d.kind, 'redate');
  END LOOP;
END $$;
