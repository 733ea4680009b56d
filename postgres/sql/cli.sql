-- The functions against kesmal-cli: the files were made by kesmal-cli from
-- the same inputs and options (see regress.sh). Each query counts what
-- differs, and lists the first few of them.
\getenv files KESMAL_REGRESS_FILES
-- The lines are joined by their numbers; a nested loop would take hours.
SET enable_nestloop = off;
SELECT set_config('kesmal_regress.files', :'files', false) <> '' AS files_given;
CREATE FUNCTION lines(name text) RETURNS TABLE(n bigint, line text) LANGUAGE sql AS $$
  SELECT t.n, t.line
  FROM string_to_table(left(pg_read_file(current_setting('kesmal_regress.files') || '/' || name),
                            -1), E'\n') WITH ORDINALITY AS t(line, n) $$;
CREATE FUNCTION whole(name text) RETURNS text LANGUAGE sql AS $$
  SELECT pg_read_file(current_setting('kesmal_regress.files') || '/' || name) $$;

-- check, of 100,000 mixed numbers, under both rule sets.
CREATE TABLE checked AS
SELECT i.n, i.line AS number, c.line::jsonb AS classic, r.line::jsonb AS current
FROM lines('numbers.txt') i
FULL JOIN lines('check-classic.jsonl') c USING (n)
FULL JOIN lines('check-current.jsonl') r USING (n);
SELECT count(*) AS numbers,
       count(*) FILTER (WHERE kesmal.check(number) IS DISTINCT FROM classic) AS classic_differing,
       count(*) FILTER (WHERE kesmal.check(number, 'current') IS DISTINCT FROM current)
         AS current_differing,
       count(*) FILTER (WHERE (classic ->> 'valid')::boolean) > 70000 AS mostly_valid
FROM checked;
SELECT n, number, kesmal.check(number) AS sql, classic AS cli FROM checked
WHERE kesmal.check(number) IS DISTINCT FROM classic LIMIT 3;
-- is_valid agrees with the check's valid, with and without the jurisdiction.
SELECT count(*) FILTER (WHERE kesmal.is_valid(number)
                        IS DISTINCT FROM coalesce((classic ->> 'valid')::boolean, false))
         AS any_differing,
       count(*) FILTER (WHERE kesmal.is_valid(number, j.name)
                        IS DISTINCT FROM (coalesce((classic ->> 'valid')::boolean, false)
                                          AND classic ->> 'jurisdiction' = j.name))
         AS each_differing,
       count(*) FILTER (WHERE kesmal.is_valid(number, j.name, 'current')
                        IS DISTINCT FROM (coalesce((current ->> 'valid')::boolean, false)
                                          AND current ->> 'jurisdiction' = j.name))
         AS current_differing
FROM checked, unnest('{tw,hk,cn,cn15,kr}'::text[]) AS j(name);

-- make, with seeds and options, in order.
CREATE TABLE made (n serial, number text);
DO $$
BEGIN
  FOR s IN 1..3 LOOP
    INSERT INTO made (number) SELECT kesmal.make('cn', 1000, s);
    INSERT INTO made (number) SELECT kesmal.make('tw', 1000, s, sex => 'female', region => 'B');
    INSERT INTO made (number) SELECT kesmal.make('hk', 1000, s, length => 9);
    INSERT INTO made (number) SELECT kesmal.make('kr', 1000, s, birth => '1980-01-01..1989-12-31');
    INSERT INTO made (number) SELECT kesmal.make('cn15', 1000, s, "unique" => true);
    INSERT INTO made (number) SELECT kesmal.make('cn', 1000, s, invalid => 'check_code');
  END LOOP;
END $$;
SELECT count(*) AS numbers, count(*) FILTER (WHERE m.number IS DISTINCT FROM c.line) AS differing
FROM made m FULL JOIN lines('make.txt') c USING (n);

-- scan of multi-byte text: the findings, and their places in characters.
CREATE TABLE found AS
SELECT f.n, f.start, f.length, f.text, f.finding, c.line::jsonb AS cli
FROM (SELECT row_number() OVER () AS n, s.*
      FROM kesmal.scan(whole('text.txt'), near_misses => true, implausible => true) s) f
FULL JOIN lines('scan.jsonl') c USING (n);
SELECT count(*) > 2000 AS found,
       count(*) FILTER (WHERE finding IS DISTINCT FROM cli) AS differing,
       count(*) FILTER (WHERE substr(whole('text.txt'), start, length) IS DISTINCT FROM text)
         AS misplaced,
       count(*) FILTER (WHERE octet_length(substr(whole('text.txt'), 1, start - 1))
                              IS DISTINCT FROM (cli ->> 'offset')::bigint) AS offsets_differing,
       count(*) FILTER (WHERE octet_length(text) <> length) > 0 AS some_multi_byte
FROM found;
SELECT count(*) > 2000 AS found,
       count(*) FILTER (WHERE f.finding IS DISTINCT FROM c.line::jsonb) AS differing
FROM (SELECT row_number() OVER () AS n, s.* FROM kesmal.scan(whole('text.txt'), 'current') s) f
FULL JOIN lines('scan-current.jsonl') c USING (n);

-- mask: the bytes of kesmal-cli mask, of a whole text and of each line.
SELECT kesmal.mask(whole('text.txt'), 'k') = whole('mask.txt') AS text_masked_alike,
       kesmal.mask(whole('text.txt'), 'k', keep => '{region,sex}', rules => 'current')
         = whole('mask-keep.txt') AS kept_alike,
       kesmal.mask(whole('text.txt'), 'k', "only" => '{cn,kr}') = whole('mask-only.txt')
         AS only_alike,
       kesmal.redact(whole('text.txt'), keep => '{birth-date}') = whole('redact.txt')
         AS redacted_alike,
       kesmal.unmask(whole('mask.txt'), 'k') = whole('unmask.txt') AS unmasked_alike;
SELECT count(*) AS lines,
       count(*) FILTER (WHERE kesmal.mask(i.line, 'k') IS DISTINCT FROM m.line) AS differing,
       count(*) FILTER (WHERE kesmal.unmask(m.line, 'k') IS DISTINCT FROM u.line)
         AS unmasked_differing,
       count(*) FILTER (WHERE m.line <> i.line) > 70000 AS mostly_masked
FROM lines('numbers.txt') i FULL JOIN lines('mask-numbers.txt') m USING (n)
FULL JOIN lines('unmask-numbers.txt') u USING (n);
SELECT i.line, kesmal.mask(i.line, 'k') AS sql, m.line AS cli
FROM lines('numbers.txt') i JOIN lines('mask-numbers.txt') m USING (n)
WHERE kesmal.mask(i.line, 'k') IS DISTINCT FROM m.line LIMIT 3;
-- In place, as a table is masked.
CREATE TABLE masked_in_place AS SELECT n, line FROM lines('numbers.txt');
UPDATE masked_in_place SET line = kesmal.mask(line, 'k');
SELECT count(*) FILTER (WHERE t.line IS DISTINCT FROM m.line) AS differing
FROM masked_in_place t JOIN lines('mask-numbers.txt') m USING (n);
