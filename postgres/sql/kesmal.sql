-- The extension's objects, their declarations, and what each function gives
-- and refuses.
CREATE EXTENSION kesmal;
\pset null '(null)'

SELECT p.proname, p.provolatile, p.proisstrict, p.proparallel, p.proretset
FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
WHERE n.nspname = 'kesmal' ORDER BY 1;

-- check: the object of kesmal-cli check --json --rules RULES.
SELECT kesmal.check('A123456789');
SELECT kesmal.check('a123456789') ->> 'valid' AS lower_case_valid;
SELECT kesmal.check('110105194912310021');
SELECT kesmal.check('11010519491231002x', 'current') ->> 'kind' AS kind;
SELECT kesmal.check('') AS empty_input;
SELECT kesmal.check(NULL) AS null_input;
SELECT kesmal.check('A123456789', 'newest');

-- is_valid, of any or of one jurisdiction; NULL gives NULL.
SELECT number, jurisdiction, kesmal.is_valid(number, jurisdiction) AS valid
FROM (VALUES ('A123456789', NULL), ('A123456789', 'tw'), ('A123456789', 'cn'),
             ('a123456789', 'tw'), ('A123456788', NULL), ('DM1928701', 'hk'),
             ('11010519491231002X', 'cn'), ('11010519491231002x', 'cn'),
             ('110105491231002', 'cn15'), ('110105491231002', 'cn'),
             ('5301211397959', 'kr'), ('Ａ１２３４５６７８９', NULL), ('', NULL),
             ('A123456789 ', NULL), (NULL, 'tw')) AS t(number, jurisdiction);
SELECT kesmal.is_valid('A123456789', 'xx');
SELECT kesmal.is_valid('A123456789', rules => NULL) AS null_rules;
-- Under today's rules a resident certificate is valid, under the window's not.
SELECT kesmal.is_valid('A800000014') AS classic, kesmal.is_valid('A800000014', rules => 'current') AS current;

-- The domains refuse what their jurisdiction's check rejects, with the
-- report as the detail.
CREATE TABLE person (tw kesmal.tw_id, hk kesmal.hk_id, cn kesmal.cn_id, cn15 kesmal.cn15_id,
                     kr kesmal.kr_id);
INSERT INTO person VALUES ('A123456789', 'DM1928701', '11010519491231002X', '110105491231002',
                           '5301211397959');
INSERT INTO person VALUES (NULL, NULL, NULL, NULL, NULL);
INSERT INTO person (tw) VALUES ('A123456788');
INSERT INTO person (hk) VALUES ('DM1928702');
INSERT INTO person (cn) VALUES ('110105194912310021');
INSERT INTO person (cn) VALUES ('A123456789');
INSERT INTO person (cn15) VALUES ('110105491331002');
INSERT INTO person (kr) VALUES ('5301211397950');
INSERT INTO person (kr) VALUES ('');
UPDATE person SET tw = 'B123456789' WHERE tw IS NOT NULL;
SELECT 'A123456788'::kesmal.tw_id;
SELECT count(*) FROM person;

-- make: numbers of the options, the same for the same seed.
SELECT n FROM kesmal.make('hk', 3, seed => 1) AS n;
SELECT array(SELECT kesmal.make('cn', 5, seed => 9)) = array(SELECT kesmal.make('cn', 5, seed => 9))
         AS same_seed_alike,
       array(SELECT kesmal.make('cn', 5, seed => 9)) = array(SELECT kesmal.make('cn', 5, seed => 10))
         AS other_seed_alike,
       array(SELECT kesmal.make('cn', 5)) = array(SELECT kesmal.make('cn', 5)) AS unseeded_alike;
SELECT n FROM kesmal.make('tw', 2, seed => 7, sex => 'female', region => 'B') AS n;
SELECT count(*), count(DISTINCT n) FROM kesmal.make('cn15', 5000, seed => 3, "unique" => true) AS n;
SELECT bool_and(NOT kesmal.is_valid(n)) AS all_invalid
FROM kesmal.make('kr', 100, seed => 2, invalid => 'any') AS n;
SELECT bool_and(kesmal.check(n) ->> 'birth_date' LIKE '198%') AS born_in_the_eighties
FROM kesmal.make('cn', 100, seed => 4, birth => '1980-01-01..1989-12-31') AS n;
SELECT count(*) FROM kesmal.make('hk', 0);
SELECT count(*) FROM kesmal.make(NULL);
SELECT * FROM kesmal.make('xx');
SELECT * FROM kesmal.make('cn', -1);
SELECT * FROM kesmal.make('cn', seed => 4294967296);
SELECT * FROM kesmal.make('cn', sex => 'other');
SELECT * FROM kesmal.make('hk', region => 'A');
SELECT * FROM kesmal.make('hk', length => 7);
SELECT * FROM kesmal.make('cn15', 2000, "unique" => true, birth => '1980-01-01', region => '110105');
-- Streamed: a LIMIT stops the stream, whatever its count.
SELECT count(*) FROM (SELECT kesmal.make('cn', 2000000000) LIMIT 5) AS five;

-- scan: offsets and lengths in characters, substr(input, start, length) = text.
SELECT start, length, text, finding ->> 'input' AS number, finding ->> 'offset' AS byte_offset,
       substr(input, start, length) = text AS substr_matches
FROM (VALUES ('身分證A123456789號，香港Ａ１２３４５６（３）與 530121－1397959 及 11010519491231002x。')) AS t(input),
     kesmal.scan(input);
SELECT start, text, finding ->> 'valid' AS valid
FROM kesmal.scan('錯 A123456788 對 A123456789', near_misses => true);
SELECT text FROM kesmal.scan('A123456789 5301211397959 DM1928701', "only" => '{kr,hk}');
SELECT * FROM kesmal.scan('A123456789', "only" => '{tw,xx}');
SELECT * FROM kesmal.scan('A123456789', "only" => '{}');
SELECT * FROM kesmal.scan(NULL);

-- redact: letters and digits become asterisks, but those kept.
SELECT kesmal.redact('身分證A123456789號與 850503-1234567');
SELECT kesmal.redact('11010519491231002X', keep => '{birth-date}');
SELECT kesmal.redact('A123456789', keep => '{colour}');
SELECT kesmal.redact('A123456789', keep => '{sex,NULL}');
SELECT kesmal.redact(NULL) AS null_input, kesmal.redact('A123456789', NULL) AS null_keep;
SELECT kesmal.redact('no number here') AS unchanged;
