# Sourced by the extension's test and benchmark: a PostgreSQL cluster of their
# own with the extension of the build installed. The server's installation is
# staged in a temporary folder (its programs copied, its libraries and shared
# files linked, the extension installed there by cmake --install), since the
# server finds its shared files and libraries relative to its program; the
# cluster is made there with initdb, run as the postgres user when this runs
# as root, on a unix socket in its own folder and no TCP port, and removed on
# exit with the folder. The system's installation is never touched.
#
# Needs $build and fail; sets pg_config, stage, keys (the key directory,
# empty, the server's user's own), server_user, as_server and psql_args.

pg_config=${PG_CONFIG:-pg_config}
bindir=$("$pg_config" --bindir)
pkglibdir=$("$pg_config" --pkglibdir)
sharedir=$("$pg_config" --sharedir)

# stage_server NAME: the staged installation and the key directory.
stage_server() {
  stage=$(mktemp -d "/tmp/$1.XXXXXX")
  chmod 755 "$stage"
  root=$stage/root
  data=$stage/data
  socket=$stage/socket
  keys=$stage/keys
  port=5432
  psql_args=(-X -q -v ON_ERROR_STOP=1 -h "$socket" -p "$port" -U postgres)
  server_user=$(id -un)
  as_server() { "$@"; }
  if [ "$(id -u)" -eq 0 ]; then
    server_user=postgres
    as_server() { runuser -u postgres -- "$@"; }
  fi
  trap stop_server EXIT
  trap 'exit 1' INT TERM

  mkdir -p "$root$bindir" "$root$pkglibdir" "$root$sharedir/extension"
  cp "$bindir"/{postgres,initdb,pg_ctl} "$root$bindir/"
  for file in "$pkglibdir"/*; do ln -s "$file" "$root$pkglibdir/"; done
  for file in "$sharedir"/*; do
    [ "$(basename "$file")" = extension ] || ln -s "$file" "$root$sharedir/"
  done
  for file in "$sharedir"/extension/*; do ln -s "$file" "$root$sharedir/extension/"; done
  # The prefix under which the install's relative folders are pg_config's.
  local prefix
  prefix=$(cd "$pkglibdir" && while [ "$PWD" != / ] && [[ "$sharedir" != "$PWD"/* ]]; do cd ..; done; pwd)
  DESTDIR=$root cmake --install "$build" --component postgres --prefix "$prefix" >/dev/null
  [ -f "$root$sharedir/extension/kesmal.control" ] ||
    fail "cmake --install put no kesmal.control into $root$sharedir/extension"

  mkdir "$keys" "$data" "$socket"
  chown "$server_user" "$keys" "$data" "$socket"
  chmod 700 "$keys"
}

# start_server [SETTING...]: initdb and start, with kesmal.key_directory set.
start_server() {
  as_server "$root$bindir/initdb" -D "$data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
    --no-sync >"$socket/initdb.log" 2>&1 || { cat "$socket/initdb.log"; fail "initdb failed"; }
  local options="-c listen_addresses='' -k $socket -p $port -c kesmal.key_directory=$keys"
  for setting in "$@"; do options+=" -c $setting"; done
  as_server "$root$bindir/pg_ctl" -D "$data" -l "$socket/server.log" -w -o "$options" \
    start >/dev/null || { cat "$socket/server.log"; fail "the server did not start"; }
}

stop_server() {
  if [ -f "$data/postmaster.pid" ]; then
    as_server "$root$bindir/pg_ctl" -D "$data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$stage"
}
