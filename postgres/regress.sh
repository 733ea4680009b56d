#!/usr/bin/env bash
# Runs the extension's pg_regress tests against a PostgreSQL cluster of its
# own (postgres/cluster.sh), made in a temporary folder and removed at the
# end. The files the tests compare with are made here, by kesmal-cli, with
# the same inputs and options; on failure the outputs are kept in
# BUILD_DIR/postgres/regress-results.
#
# usage: regress.sh BUILD_DIR SOURCE_DIR KESMAL_CLI
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
cli=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
fail() { echo "regress: $*" >&2; exit 1; }

# shellcheck source=postgres/cluster.sh
source "$source/postgres/cluster.sh"
pg_regress=$("$pg_config" --pgxs | sed 's|/src/makefiles/pgxs.mk$||')/src/test/regress/pg_regress
[ -x "$pg_regress" ] || fail "no pg_regress at $pg_regress"
stage_server kesmal-regress

# Keys: one as the server wants it, one its group may read, one not the
# server's user's own (when this runs as root), and a directory.
mkdir "$keys/a-directory"
printf '%064x\n' 0 | sed 's/0/7/g' >"$keys/k"
cp "$keys/k" "$keys/group-readable"
cp "$keys/k" "$keys/not-the-servers"
chmod 600 "$keys/k" "$keys/not-the-servers"
chmod 640 "$keys/group-readable"
chown "$server_user" "$keys/k" "$keys/group-readable"

start_server fsync=off

# The data of the comparisons, by kesmal-cli.
files=$stage/files
mkdir "$files"
numbers=$files/numbers.txt
{
  for jurisdiction in tw hk cn cn15 kr; do
    "$cli" make "$jurisdiction" --count 15000 --seed 11
    "$cli" make "$jurisdiction" --count 4998 --seed 12 --invalid any
  done
  printf '%s\n' a123456789 c12345678 11010519491231002x 'A123456(3)' 850503-1234567 \
    'A1234567８９' '' 12345 '身分證A123456789號' 'AB987654(3)'
} >"$numbers"
"$cli" check --json --rules classic <"$numbers" >"$files/check-classic.jsonl" || true
"$cli" check --json --rules current <"$numbers" >"$files/check-current.jsonl" || true
for seed in 1 2 3; do
  "$cli" make cn --count 1000 --seed "$seed"
  "$cli" make tw --count 1000 --seed "$seed" --sex female --region B
  "$cli" make hk --count 1000 --seed "$seed" --length 9
  "$cli" make kr --count 1000 --seed "$seed" --birth 1980-01-01..1989-12-31
  "$cli" make cn15 --count 1000 --seed "$seed" --unique
  "$cli" make cn --count 1000 --seed "$seed" --invalid check_code
done >"$files/make.txt"
# Text for scan and mask: numbers in every written form among multi-byte text.
text=$files/text.txt
{
  echo "身分證A123456789號，香港Ａ１２３４５６（３）與 AB987654 (3)。"
  echo "韓國 530121－1397959、530121-1397959、850503-1234567；大陸 11010519491231002x 與 110105491231002。"
  echo "錯誤 A123456788、xA123456789、1234567890123456789；全形 Ａ１２３４５６７８９ 結束"
  head -n 2000 "$numbers" | paste -sd ' ' | sed 's/ / 与 /g'
  sed -n '15001,15100p;20001,20100p;35001,35100p;60001,60100p;80001,80100p' "$numbers"
} >"$text"
"$cli" scan --json --rules classic --near-misses --implausible <"$text" >"$files/scan.jsonl" || true
"$cli" scan --json --rules current <"$text" >"$files/scan-current.jsonl" || true
"$cli" mask --key-file "$keys/k" <"$text" >"$files/mask.txt" 2>/dev/null
"$cli" mask --key-file "$keys/k" --keep region,sex --rules current <"$text" \
  >"$files/mask-keep.txt" 2>/dev/null
"$cli" mask --key-file "$keys/k" --only cn,kr <"$text" >"$files/mask-only.txt" 2>/dev/null
"$cli" mask --redact --keep birth-date <"$text" >"$files/redact.txt" 2>/dev/null
"$cli" mask --key-file "$keys/k" <"$numbers" >"$files/mask-numbers.txt" 2>/dev/null
"$cli" mask --reverse --key-file "$keys/k" <"$files/mask.txt" >"$files/unmask.txt" 2>/dev/null
"$cli" mask --reverse --key-file "$keys/k" <"$files/mask-numbers.txt" \
  >"$files/unmask-numbers.txt" 2>/dev/null
chmod -R a+rX "$files"

# A file of another user's is refused: only root can make one.
tests="kesmal security cli"
[ "$(id -u)" -eq 0 ] && tests+=" key_owner"
out=$stage/out
mkdir "$out"
status=0
KESMAL_REGRESS_FILES=$files "$pg_regress" --bindir="$bindir" \
  --host="$socket" --port="$port" --user=postgres --dbname=kesmal_regress \
  --inputdir="$source/postgres" --outputdir="$out" $tests || status=$?
if [ "$status" -ne 0 ]; then
  cat "$out/regression.diffs" 2>/dev/null || true
  # The outputs, kept for a look.
  rm -rf "$build/postgres/regress-results"
  cp -r "$out/results" "$build/postgres/regress-results" 2>/dev/null || true
  tail -n 20 "$socket/server.log"
  fail "pg_regress failed"
fi
