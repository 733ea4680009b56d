-- Keys are read from kesmal.key_directory, which only a superuser sets, from
-- files the server's user alone may read; unmask is not for everyone.
\pset null '(null)'
SELECT kesmal.mask('A123456789', 'k') <> 'A123456789' AS masked;
SELECT kesmal.unmask(kesmal.mask('A123456789', 'k'), 'k') AS unmasked;
SELECT kesmal.mask('A123456789', NULL) AS null_key;
SELECT kesmal.mask('A123456789', '../k');
SELECT kesmal.mask('A123456789', 'keys/k');
SELECT kesmal.mask('A123456789', '..');
SELECT kesmal.mask('A123456789', '');
SELECT kesmal.mask('A123456789', 'missing');
SELECT kesmal.mask('A123456789', 'group-readable');
SELECT kesmal.mask('A123456789', 'a-directory');
-- A keep set too small for a pseudonym.
SELECT kesmal.mask('A123456789', 'k', keep => '{region,birth-date,sex}');
-- The setting is a superuser's, and hidden from others.
CREATE ROLE kesmal_user;
SET ROLE kesmal_user;
SET kesmal.key_directory = '/tmp';
SHOW kesmal.key_directory;
SELECT kesmal.mask('A123456789', 'k') <> 'A123456789' AS masked_by_a_user;
SELECT kesmal.unmask('A123456789', 'k');
RESET ROLE;
SELECT has_function_privilege('kesmal_user', 'kesmal.unmask(text, text, text[], text, text[])',
                              'EXECUTE') AS user_may_unmask,
       has_function_privilege('kesmal_user', 'kesmal.mask(text, text, text[], text, text[])',
                              'EXECUTE') AS user_may_mask;
ALTER ROLE kesmal_user SET kesmal.key_directory = '/tmp';
-- Unset, no key is read.
SET kesmal.key_directory = '';
SELECT kesmal.mask('A123456789', 'k');
RESET kesmal.key_directory;
DROP ROLE kesmal_user;
