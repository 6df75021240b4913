-- The functions the schema, the server and the clients' statements call as they would on SQLite,
-- with SQLite's results, so the same statement texts run on both databases. Applied before the
-- first translated migration.

-- Case-insensitive text, as COLLATE NOCASE compares, sorts and matches with LIKE.
CREATE EXTENSION IF NOT EXISTS citext;

-- A text compared with a citext value compares without regard to case, as SQLite compares with a
-- NOCASE column on either side (PostgreSQL would otherwise compare both as case-sensitive text).
-- The functions are inlined, so an index on the citext column still serves the comparison.
DO $$
DECLARE
  op record;
BEGIN
  FOR op IN SELECT * FROM (VALUES ('=', 'eq', '<>', '=', 'eqsel', 'eqjoinsel'),
                                  ('<>', 'ne', '=', '<>', 'neqsel', 'neqjoinsel'),
                                  ('<', 'lt', '>=', '>', 'scalarltsel', 'scalarltjoinsel'),
                                  ('<=', 'le', '>', '>=', 'scalarlesel', 'scalarlejoinsel'),
                                  ('>', 'gt', '<=', '<', 'scalargtsel', 'scalargtjoinsel'),
                                  ('>=', 'ge', '<', '<=', 'scalargesel', 'scalargejoinsel'))
                   AS v(sym, name, negator, commutator, rsel, jsel) LOOP
    EXECUTE format('CREATE OR REPLACE FUNCTION qk_text_citext_%s(a text, b citext) RETURNS boolean '
                   'LANGUAGE sql IMMUTABLE AS $f$ SELECT a::citext %s b $f$', op.name, op.sym);
    EXECUTE format('CREATE OR REPLACE FUNCTION qk_citext_text_%s(a citext, b text) RETURNS boolean '
                   'LANGUAGE sql IMMUTABLE AS $f$ SELECT a %s b::citext $f$', op.name, op.sym);
    EXECUTE format('CREATE OPERATOR %s (LEFTARG = text, RIGHTARG = citext, '
                   'FUNCTION = qk_text_citext_%s, COMMUTATOR = %s, NEGATOR = %s, '
                   'RESTRICT = %s, JOIN = %s)',
                   op.sym, op.name, op.commutator, op.negator, op.rsel, op.jsel);
    EXECUTE format('CREATE OPERATOR %s (LEFTARG = citext, RIGHTARG = text, '
                   'FUNCTION = qk_citext_text_%s, COMMUTATOR = %s, NEGATOR = %s, '
                   'RESTRICT = %s, JOIN = %s)',
                   op.sym, op.name, op.commutator, op.negator, op.rsel, op.jsel);
  END LOOP;
END $$;

-- A refusal the user reads as it stands (SQLSTATE P0001, like a trigger's RAISE).
CREATE OR REPLACE FUNCTION qk_refuse(msg text) RETURNS boolean LANGUAGE plpgsql AS $$
BEGIN
  RAISE EXCEPTION USING MESSAGE = coalesce(msg, ''), ERRCODE = 'P0001';
END $$;

-- A text column's size: a longer text fails as "too long" (22001), naming table and column.
CREATE OR REPLACE FUNCTION qk_text_fits(v text, size integer, tbl text, col text)
RETURNS boolean LANGUAGE plpgsql IMMUTABLE STRICT AS $$
BEGIN
  IF char_length(v) > size THEN
    RAISE EXCEPTION USING ERRCODE = '22001', TABLE = tbl, COLUMN = col,
      MESSAGE = format('value too long for %s.%s (at most %s characters)', tbl, col, size);
  END IF;
  RETURN true;
END $$;

-- An identity column given a value keeps its sequence past it, so the next row without one does
-- not collide (SQLite numbers a new row after the largest there is).
CREATE OR REPLACE FUNCTION qk_identity_follow() RETURNS trigger LANGUAGE plpgsql
SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
  seq text := pg_get_serial_sequence(quote_ident(TG_TABLE_SCHEMA) || '.' || quote_ident(TG_TABLE_NAME),
                                     lower(TG_ARGV[0]));
  v bigint := (to_jsonb(NEW) ->> lower(TG_ARGV[0]))::bigint;
BEGIN
  IF v IS NOT NULL AND v > coalesce(pg_sequence_last_value(seq::regclass), 0) THEN
    PERFORM setval(seq, v);
  END IF;
  RETURN NEW;
END $$;

-- ---- the client's dialect ------------------------------------------------------------------

-- Local time as text "YYYY-MM-DD HH:MM:SS", the moment it is called.
CREATE OR REPLACE FUNCTION getdate() RETURNS text LANGUAGE sql VOLATILE AS $$
  SELECT to_char(clock_timestamp(), 'YYYY-MM-DD HH24:MI:SS')
$$;

-- One part of a date-time text; a text that is no date fails as on SQLite.
CREATE OR REPLACE FUNCTION qk_date_part(x text, part integer) RETURNS integer
LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  m text[] := regexp_match(x, '^\s*([+-]?[0-9]{1,4})-([+-]?[0-9]{1,2})-([+-]?[0-9]{1,2})');
BEGIN
  IF m IS NULL OR m[2]::integer NOT BETWEEN 1 AND 12 OR m[3]::integer NOT BETWEEN 1 AND 31 THEN
    RAISE EXCEPTION '无法把“%”转换为日期', x;
  END IF;
  RETURN m[part]::integer;
END $$;
CREATE OR REPLACE FUNCTION year(x text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT AS
$$ SELECT qk_date_part(x, 1) $$;
CREATE OR REPLACE FUNCTION month(x text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT AS
$$ SELECT qk_date_part(x, 2) $$;
CREATE OR REPLACE FUNCTION day(x text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT AS
$$ SELECT qk_date_part(x, 3) $$;

-- Characters without the trailing blanks.
CREATE OR REPLACE FUNCTION len(x text) RETURNS bigint LANGUAGE sql IMMUTABLE STRICT AS
$$ SELECT char_length(rtrim(x, ' ')) $$;

CREATE OR REPLACE FUNCTION isnull(a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT coalesce(a, b) $$;
CREATE OR REPLACE FUNCTION ifnull(a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT coalesce(a, b) $$;

CREATE OR REPLACE FUNCTION iif(c boolean, a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN c THEN a ELSE b END $$;
CREATE OR REPLACE FUNCTION iif(c bigint, a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN c <> 0 THEN a ELSE b END $$;

-- Position of b in a counted from 1, 0 when absent; case matters, as on SQLite.
CREATE OR REPLACE FUNCTION instr(a text, b text) RETURNS bigint LANGUAGE sql IMMUTABLE STRICT AS
$$ SELECT strpos(a, b)::bigint $$;

CREATE OR REPLACE FUNCTION hex(x bytea) RETURNS text LANGUAGE sql IMMUTABLE AS
$$ SELECT upper(encode(coalesce(x, ''::bytea), 'hex')) $$;
CREATE OR REPLACE FUNCTION hex(x text) RETURNS text LANGUAGE sql IMMUTABLE AS
$$ SELECT upper(encode(convert_to(coalesce(x, ''), 'UTF8'), 'hex')) $$;

-- SQLite's typeof(): integer, real, text, blob or null.
CREATE OR REPLACE FUNCTION typeof(x anyelement) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN x IS NULL THEN 'null'
              WHEN pg_typeof(x) IN ('bigint'::regtype, 'integer'::regtype, 'smallint'::regtype)
                THEN 'integer'
              WHEN pg_typeof(x) IN ('double precision'::regtype, 'real'::regtype,
                                    'numeric'::regtype) THEN 'real'
              WHEN pg_typeof(x) = 'bytea'::regtype THEN 'blob'
              ELSE 'text' END
$$;

-- A literal's type is not known yet: it is text.
CREATE OR REPLACE FUNCTION typeof(x text) RETURNS text LANGUAGE sql IMMUTABLE AS
$$ SELECT CASE WHEN x IS NULL THEN 'null' ELSE 'text' END $$;

-- round(x, n) half away from zero, as SQLite rounds (PostgreSQL rounds a double half to even).
CREATE OR REPLACE FUNCTION round(x double precision, n integer) RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT AS
$$ SELECT pg_catalog.round(x::numeric, greatest(least(n, 30), 0))::double precision $$;

-- total(): the sum as a double, 0.0 over no rows or only nulls.
CREATE OR REPLACE AGGREGATE total(double precision) (
  SFUNC = float8pl, STYPE = double precision, INITCOND = '0');

-- group_concat(x [, sep]): the values joined with "," (or sep), nulls left out.
CREATE OR REPLACE FUNCTION qk_concat_step(acc text, x anyelement, sep text) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN x IS NULL THEN acc WHEN acc IS NULL THEN x::text
              ELSE acc || coalesce(sep, '') || x::text END
$$;
CREATE OR REPLACE FUNCTION qk_concat_step(acc text, x anyelement) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT qk_concat_step(acc, x, ',') $$;
CREATE OR REPLACE AGGREGATE group_concat(anyelement) (SFUNC = qk_concat_step, STYPE = text);
CREATE OR REPLACE AGGREGATE group_concat(anyelement, text) (SFUNC = qk_concat_step, STYPE = text);

-- ---- dates as SQLite computes them: naive date-times, 'now' in UTC ------------------------

-- The time value of a SQLite time string after its modifiers; null when it is none.
CREATE OR REPLACE FUNCTION qk_time_value(x text, mods text[]) RETURNS timestamp
LANGUAGE plpgsql STABLE AS $$
DECLARE
  t timestamp;
  m text;
  p text[];
BEGIN
  IF x IS NULL THEN
    RETURN NULL;
  ELSIF lower(trim(x)) = 'now' THEN
    t := timezone('UTC', now());
  ELSE
    p := regexp_match(x, '^\s*([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[ T]([0-9]{2}):([0-9]{2})(?::([0-9]{2}(?:\.[0-9]+)?))?)?\s*$');
    IF p IS NULL THEN
      RETURN NULL;
    END IF;
    BEGIN
      t := make_timestamp(p[1]::integer, p[2]::integer, p[3]::integer, coalesce(p[4], '0')::integer,
                          coalesce(p[5], '0')::integer, coalesce(p[6], '0')::double precision);
    EXCEPTION WHEN datetime_field_overflow OR invalid_datetime_format THEN
      RETURN NULL;
    END;
  END IF;
  FOREACH m IN ARRAY coalesce(mods, '{}') LOOP
    m := lower(trim(m));
    IF m = 'localtime' THEN
      t := timezone(current_setting('TimeZone'), timezone('UTC', t));
    ELSIF m = 'utc' THEN
      t := timezone('UTC', timezone(current_setting('TimeZone'), t));
    ELSIF m = 'start of month' THEN
      t := date_trunc('month', t);
    ELSIF m = 'start of year' THEN
      t := date_trunc('year', t);
    ELSIF m = 'start of day' THEN
      t := date_trunc('day', t);
    ELSIF m ~ '^[+-]?[0-9]+(\.[0-9]+)? *(day|hour|minute|second|month|year)s?$' THEN
      t := t + m::interval;
    ELSE
      RETURN NULL;
    END IF;
  END LOOP;
  RETURN t;
END $$;

CREATE OR REPLACE FUNCTION strftime(fmt text, x text, VARIADIC mods text[] DEFAULT '{}')
RETURNS text LANGUAGE plpgsql STABLE AS $$
DECLARE
  t timestamp := qk_time_value(x, mods);
  out text := '';
  i integer := 1;
  c text;
BEGIN
  IF t IS NULL OR fmt IS NULL THEN
    RETURN NULL;
  END IF;
  WHILE i <= length(fmt) LOOP
    c := substr(fmt, i, 1);
    IF c = '%' AND i < length(fmt) THEN
      i := i + 1;
      c := substr(fmt, i, 1);
      out := out || CASE c
        WHEN 'Y' THEN to_char(t, 'YYYY') WHEN 'm' THEN to_char(t, 'MM')
        WHEN 'd' THEN to_char(t, 'DD') WHEN 'H' THEN to_char(t, 'HH24')
        WHEN 'M' THEN to_char(t, 'MI') WHEN 'S' THEN to_char(t, 'SS')
        WHEN 'f' THEN to_char(t, 'SS.MS') WHEN 'j' THEN to_char(t, 'DDD')
        WHEN 'w' THEN extract(dow FROM t)::text
        WHEN 's' THEN floor(extract(epoch FROM t))::bigint::text
        WHEN '%' THEN '%' ELSE NULL END;
      IF out IS NULL THEN
        RETURN NULL;
      END IF;
    ELSE
      out := out || c;
    END IF;
    i := i + 1;
  END LOOP;
  RETURN out;
END $$;

CREATE OR REPLACE FUNCTION datetime(x text, VARIADIC mods text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$ SELECT to_char(qk_time_value(x, mods), 'YYYY-MM-DD HH24:MI:SS') $$;
CREATE OR REPLACE FUNCTION date(x text, VARIADIC mods text[] DEFAULT '{}') RETURNS text
LANGUAGE sql STABLE AS $$ SELECT to_char(qk_time_value(x, mods), 'YYYY-MM-DD') $$;

-- The Julian day number of a time string after its modifiers, fractional as SQLite's.
CREATE OR REPLACE FUNCTION julianday(x text, VARIADIC mods text[] DEFAULT '{}')
RETURNS double precision LANGUAGE sql STABLE AS $$
  SELECT extract(epoch FROM qk_time_value(x, mods))::double precision / 86400.0 + 2440587.5
$$;

-- max(a, b, …) and min(a, b, …) of values in a row; null when one of them is null, as on SQLite.
CREATE OR REPLACE FUNCTION max(a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN a IS NULL OR b IS NULL THEN NULL ELSE greatest(a, b) END $$;
CREATE OR REPLACE FUNCTION max(a anycompatible, b anycompatible, c anycompatible)
RETURNS anycompatible LANGUAGE sql IMMUTABLE AS
$$ SELECT CASE WHEN a IS NULL OR b IS NULL OR c IS NULL THEN NULL ELSE greatest(a, b, c) END $$;
CREATE OR REPLACE FUNCTION min(a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN a IS NULL OR b IS NULL THEN NULL ELSE least(a, b) END $$;
CREATE OR REPLACE FUNCTION min(a anycompatible, b anycompatible, c anycompatible)
RETURNS anycompatible LANGUAGE sql IMMUTABLE AS
$$ SELECT CASE WHEN a IS NULL OR b IS NULL OR c IS NULL THEN NULL ELSE least(a, b, c) END $$;
