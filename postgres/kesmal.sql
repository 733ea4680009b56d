-- kesmal: identity numbers of Taiwan, Hong Kong, mainland China and Korea,
-- checked, made, found and masked as kesmal-cli does.
\echo Use "CREATE EXTENSION kesmal" to load this file. \quit

GRANT USAGE ON SCHEMA kesmal TO PUBLIC;

-- A check's birth date remarks (not yet born, past any record age) and
-- Korea's century depend on today: none of these is immutable.
CREATE FUNCTION kesmal.check(number text, rules text DEFAULT 'classic')
RETURNS jsonb
AS 'MODULE_PATHNAME', 'kesmal_check'
LANGUAGE C STABLE STRICT PARALLEL SAFE;
COMMENT ON FUNCTION kesmal.check(text, text) IS
  'the object of kesmal-cli check --json --rules RULES for the number';

CREATE FUNCTION kesmal.is_valid(number text, jurisdiction text DEFAULT NULL,
                                rules text DEFAULT 'classic')
RETURNS boolean
AS 'MODULE_PATHNAME', 'kesmal_is_valid'
LANGUAGE C STABLE CALLED ON NULL INPUT PARALLEL SAFE;
COMMENT ON FUNCTION kesmal.is_valid(text, text, text) IS
  'whether the number is valid, and of the jurisdiction (tw, hk, cn, cn15, kr) when one is named';

-- True, or an error whose detail is the check's report: the domains' check.
CREATE FUNCTION kesmal.domain_check(number text, jurisdiction text)
RETURNS boolean
AS 'MODULE_PATHNAME', 'kesmal_domain_check'
LANGUAGE C STABLE STRICT PARALLEL SAFE;

CREATE DOMAIN kesmal.tw_id AS text CHECK (kesmal.domain_check(VALUE, 'tw'));
CREATE DOMAIN kesmal.hk_id AS text CHECK (kesmal.domain_check(VALUE, 'hk'));
CREATE DOMAIN kesmal.cn_id AS text CHECK (kesmal.domain_check(VALUE, 'cn'));
CREATE DOMAIN kesmal.cn15_id AS text CHECK (kesmal.domain_check(VALUE, 'cn15'));
CREATE DOMAIN kesmal.kr_id AS text CHECK (kesmal.domain_check(VALUE, 'kr'));

-- Without a seed the clock seeds; with one, births are still drawn up to today.
CREATE FUNCTION kesmal.make(jurisdiction text, count integer DEFAULT 1, seed bigint DEFAULT NULL,
                            sex text DEFAULT NULL, region text DEFAULT NULL,
                            birth text DEFAULT NULL, age text DEFAULT NULL,
                            length integer DEFAULT NULL, "unique" boolean DEFAULT false,
                            invalid text DEFAULT NULL)
RETURNS SETOF text
AS 'MODULE_PATHNAME', 'kesmal_make'
LANGUAGE C VOLATILE CALLED ON NULL INPUT PARALLEL RESTRICTED ROWS 1000;
COMMENT ON FUNCTION kesmal.make(text, integer, bigint, text, text, text, text, integer, boolean,
                                text) IS
  'the numbers of kesmal-cli make for the same options and seed, streamed';

CREATE FUNCTION kesmal.scan(input text, rules text DEFAULT 'classic',
                            near_misses boolean DEFAULT false, implausible boolean DEFAULT false,
                            "only" text[] DEFAULT NULL)
RETURNS TABLE(start integer, length integer, text text, finding jsonb)
AS 'MODULE_PATHNAME', 'kesmal_scan'
LANGUAGE C STABLE CALLED ON NULL INPUT PARALLEL SAFE ROWS 1;
COMMENT ON FUNCTION kesmal.scan(text, text, boolean, boolean, text[]) IS
  'the numbers in the text, substr(input, start, length) = text, each with the object of '
  'kesmal-cli scan --json';

-- key names a file in kesmal.key_directory, which only a superuser sets.
CREATE FUNCTION kesmal.mask(input text, key text, keep text[] DEFAULT '{}',
                            rules text DEFAULT 'classic', "only" text[] DEFAULT NULL)
RETURNS text
AS 'MODULE_PATHNAME', 'kesmal_mask'
LANGUAGE C STABLE CALLED ON NULL INPUT PARALLEL SAFE;
COMMENT ON FUNCTION kesmal.mask(text, text, text[], text, text[]) IS
  'the text as kesmal-cli mask --key-file writes it, the key read from kesmal.key_directory';

CREATE FUNCTION kesmal.unmask(input text, key text, keep text[] DEFAULT '{}',
                              rules text DEFAULT 'classic', "only" text[] DEFAULT NULL)
RETURNS text
AS 'MODULE_PATHNAME', 'kesmal_unmask'
LANGUAGE C STABLE CALLED ON NULL INPUT PARALLEL SAFE;
COMMENT ON FUNCTION kesmal.unmask(text, text, text[], text, text[]) IS
  'the numbers that kesmal.mask made these pseudonyms of, with the same key and options';
-- Whoever may undo the masks is granted it by name.
REVOKE ALL ON FUNCTION kesmal.unmask(text, text, text[], text, text[]) FROM PUBLIC;

CREATE FUNCTION kesmal.redact(input text, keep text[] DEFAULT '{}', rules text DEFAULT 'classic',
                              "only" text[] DEFAULT NULL)
RETURNS text
AS 'MODULE_PATHNAME', 'kesmal_redact'
LANGUAGE C STABLE CALLED ON NULL INPUT PARALLEL SAFE;
COMMENT ON FUNCTION kesmal.redact(text, text[], text, text[]) IS
  'the text as kesmal-cli mask --redact writes it';
