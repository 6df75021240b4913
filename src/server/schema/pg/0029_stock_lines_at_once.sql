-- A statement's document lines move stock together. Each line used to run its own trigger, which
-- ran a statement of its own into qk_stock_delta, whose trigger ran four more: a 50-line receipt
-- made some 300 statements inside the database. The lines triggers are now statement triggers
-- that read the statement's lines from its transition tables, and every figure changes once per
-- warehouse and item (per month, per day) however many lines moved it.

-- Changes of pairs' figures, the i-th element of each array one change: what qk_stock_delta's
-- trigger applied one change at a time, applied to all of them at once. Each change is rounded
-- by itself before the changes are added up, and a row made for several changes spelled in
-- different case takes the first one's spelling, so the figures and rows are those of the
-- changes applied one by one. A missing wh_stock row is made only when it is not there (its
-- insert trigger would otherwise take the insert for opening stock entered for an existing row,
-- and blank the remark), and waited for when another save is making it at the same time. Rows
-- are locked and written in the order of their keys, so that two saves of the same items wait
-- for each other rather than deadlock.
CREATE OR REPLACE FUNCTION qk_stock_apply(whs citext[], products citext[], moveds text[],
                                          ins double precision[], moneys double precision[],
                                          outs double precision[], redated integer)
RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  IF coalesce(redated, 0) = 0 THEN
    INSERT INTO wh_stock (whNo, whName, productNo, initQty, initPrice, Qty, uPrice)
    SELECT DISTINCT ON (c.w, c.p) c.w, (SELECT depName FROM bas_dep WHERE depNo = c.w), c.p,
           0, 0, 0, 0
    FROM unnest(whs, products) WITH ORDINALITY AS c(w, p, n)
    WHERE trim(coalesce(c.w, '')) <> '' AND trim(coalesce(c.p, '')) <> ''
      AND NOT EXISTS (SELECT 1 FROM wh_stock s WHERE s.whNo = c.w AND s.productNo = c.p)
    ORDER BY c.w, c.p, c.n
    ON CONFLICT (whNo, productNo) DO NOTHING;
    PERFORM 1
    FROM wh_stock s JOIN (SELECT DISTINCT u.w, u.p FROM unnest(whs, products) AS u(w, p)) c
      ON s.whNo = c.w AND s.productNo = c.p
    ORDER BY s.whNo, s.productNo
    FOR UPDATE OF s;
    UPDATE wh_stock s
    SET inQty = round(coalesce(s.inQty, 0) + c.inSum, 5),
        inMoney = round(coalesce(s.inMoney, 0) + c.moneySum, 5),
        outQty = round(coalesce(s.outQty, 0) + c.outSum, 5)
    FROM (SELECT u.w, u.p, sum(round(u.i, 5)) AS inSum, sum(round(u.m, 5)) AS moneySum,
                 sum(round(u.o, 5)) AS outSum
          FROM unnest(whs, products, ins, moneys, outs) AS u(w, p, i, m, o)
          GROUP BY u.w, u.p) c
    WHERE s.whNo = c.w AND s.productNo = c.p;
  END IF;
  INSERT INTO qk_stock_month AS s (whNo, productNo, month, inQty, inMoney, outQty)
  SELECT (array_agg(u.w ORDER BY u.n))[1], (array_agg(u.p ORDER BY u.n))[1], u.month,
         round(sum(round(u.i, 5)), 5), round(sum(round(u.m, 5)), 5), round(sum(round(u.o, 5)), 5)
  FROM (SELECT c.w, c.p, c.i, c.m, c.o, c.n,
               CASE WHEN c.d IS NULL OR typeof(c.d) IN ('integer', 'real') THEN ''
                    ELSE substr(c.d, 1, 7) END AS month
        FROM unnest(whs, products, moveds, ins, moneys, outs) WITH ORDINALITY
             AS c(w, p, d, i, m, o, n)
        WHERE c.w IS NOT NULL AND c.p IS NOT NULL) u
  GROUP BY u.w, u.p, u.month
  ORDER BY 1, 2, 3
  ON CONFLICT (whNo, productNo, month) DO UPDATE
  SET inQty = round(s.inQty + excluded.inQty, 5), inMoney = round(s.inMoney + excluded.inMoney, 5),
      outQty = round(s.outQty + excluded.outQty, 5);
  INSERT INTO qk_stock_day AS s (whNo, day, inQty, outQty)
  SELECT (array_agg(u.w ORDER BY u.n))[1], u.day, round(sum(round(u.i, 5)), 5),
         round(sum(round(u.o, 5)), 5)
  FROM (SELECT c.w, c.i, c.o, c.n,
               CASE WHEN c.d IS NULL OR typeof(c.d) IN ('integer', 'real') THEN ''
                    ELSE substr(c.d, 1, 10) END AS day
        FROM unnest(whs, moveds, ins, outs) WITH ORDINALITY AS c(w, d, i, o, n)
        WHERE c.w IS NOT NULL) u
  GROUP BY u.w, u.day
  ORDER BY 1, 2
  ON CONFLICT (whNo, day) DO UPDATE
  SET inQty = round(s.inQty + excluded.inQty, 5), outQty = round(s.outQty + excluded.outQty, 5);
END $$;
REVOKE EXECUTE ON FUNCTION qk_stock_apply(citext[], citext[], text[], double precision[],
                                          double precision[], double precision[], integer)
  FROM PUBLIC;

-- One change at a time still comes this way from the documents' masters.
CREATE OR REPLACE FUNCTION qk_stock_delta_apply() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  PERFORM qk_stock_apply(ARRAY[NEW.whNo], ARRAY[NEW.productNo], ARRAY[NEW.moveDate],
                         ARRAY[NEW.inQty], ARRAY[NEW.inMoney], ARRAY[NEW.outQty],
                         NEW.redated::integer);
  RETURN NULL;
END $$;

-- A statement's lines: TG_ARGV = master table, its date column, 'in' or 'out'. What the lines
-- were (qk_old) is taken away and what they are (qk_new) is added, at the warehouse and date of
-- their document (nothing for a line whose document does not exist). An update that moved
-- nothing (another column changed) changes no figure.
CREATE OR REPLACE FUNCTION qk_stock_lines() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
  receipt constant boolean := TG_ARGV[2] = 'in';
  money constant text := CASE WHEN receipt THEN 'coalesce(l.qty, 0) * coalesce(l.uprice, 0)'
                              ELSE '0::double precision' END;
  moved text;
  whs citext[];
  products citext[];
  moveds text[];
  ins double precision[];
  moneys double precision[];
  outs double precision[];
BEGIN
  moved := concat_ws(' UNION ALL ',
    CASE WHEN TG_OP IN ('UPDATE', 'DELETE') THEN
      format('SELECT l.keyNo, l.productNo, -coalesce(l.qty, 0) AS qty, -(%s) AS money, '
             '0 AS part, row_number() OVER () AS n FROM qk_old l', money) END,
    CASE WHEN TG_OP IN ('UPDATE', 'INSERT') THEN
      format('SELECT l.keyNo, l.productNo, coalesce(l.qty, 0) AS qty, %s AS money, '
             '1 AS part, row_number() OVER () AS n FROM qk_new l', money) END);
  -- Lines in the order they were written (what was before what is), each sum spelled as its
  -- first line.
  EXECUTE format(
    'SELECT array_agg(g.w ORDER BY g.first), array_agg(g.p ORDER BY g.first), '
    '       array_agg(g.d ORDER BY g.first), array_agg(g.i ORDER BY g.first), '
    '       array_agg(g.m ORDER BY g.first), array_agg(g.o ORDER BY g.first) '
    'FROM (SELECT (array_agg(m.whNo ORDER BY l.part, l.n))[1] AS w, '
    '             (array_agg(l.productNo ORDER BY l.part, l.n))[1] AS p, '
    '             coalesce(m.%I, m.docDate) AS d, min(array[l.part, l.n]) AS first, %s '
    '      FROM (%s) l JOIN %I m ON m.keyNo = l.keyNo '
    '      GROUP BY m.whNo, l.productNo, 3 %s) g',
    lower(TG_ARGV[1]),
    CASE WHEN receipt
         THEN 'sum(round(l.qty, 5)) AS i, sum(round(l.money, 5)) AS m, 0::double precision AS o'
         ELSE '0::double precision AS i, 0::double precision AS m, sum(round(l.qty, 5)) AS o'
    END,
    moved, TG_ARGV[0],
    CASE WHEN TG_OP = 'UPDATE'
         THEN 'HAVING sum(round(l.qty, 5)) <> 0 OR sum(round(l.money, 5)) <> 0' END)
  INTO whs, products, moveds, ins, moneys, outs;
  IF whs IS NOT NULL THEN
    PERFORM qk_stock_apply(whs, products, moveds, ins, moneys, outs, 0);
  END IF;
  RETURN NULL;
END $$;

DO $$
DECLARE
  d record;
BEGIN
  FOR d IN SELECT lower(master) AS master, lines, dateColumn, kind
           FROM (VALUES ('wh_In', 'wh_in_det', 'inDate', 'in'),
                        ('bus_PI', 'bus_pi_det', 'PIDate', 'in'),
                        ('wh_Out', 'wh_out_det', 'outDate', 'out'),
                        ('wh_mat', 'wh_mat_det', 'moDate', 'out'),
                        ('bus_SD', 'bus_sd_det', 'dDate', 'out'))
             AS v(master, lines, dateColumn, kind) LOOP
    EXECUTE format('DROP TRIGGER %I ON %I', 'tr_' || d.lines || '_stock', d.lines);
    EXECUTE format('CREATE TRIGGER %I AFTER INSERT ON %I REFERENCING NEW TABLE AS qk_new '
                   'FOR EACH STATEMENT EXECUTE FUNCTION qk_stock_lines(%L, %L, %L)',
                   'tr_' || d.lines || '_stock_insert', d.lines, d.master, d.dateColumn, d.kind);
    EXECUTE format('CREATE TRIGGER %I AFTER UPDATE ON %I '
                   'REFERENCING OLD TABLE AS qk_old NEW TABLE AS qk_new '
                   'FOR EACH STATEMENT EXECUTE FUNCTION qk_stock_lines(%L, %L, %L)',
                   'tr_' || d.lines || '_stock_update', d.lines, d.master, d.dateColumn, d.kind);
    EXECUTE format('CREATE TRIGGER %I AFTER DELETE ON %I REFERENCING OLD TABLE AS qk_old '
                   'FOR EACH STATEMENT EXECUTE FUNCTION qk_stock_lines(%L, %L, %L)',
                   'tr_' || d.lines || '_stock_delete', d.lines, d.master, d.dateColumn, d.kind);
  END LOOP;
END $$;

DROP FUNCTION qk_stock_line();
DROP FUNCTION qk_stock_move_line(text, text, boolean, citext, citext, double precision,
                                 double precision, integer);
