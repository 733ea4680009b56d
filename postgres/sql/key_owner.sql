-- A key file that is not the server's user's own is refused.
SELECT kesmal.mask('A123456789', 'not-the-servers');
