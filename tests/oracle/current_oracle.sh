#!/usr/bin/env bash
# Installs the pinned oracle libraries (package-lock.json) into the build
# folder, once per change of the lock file, and runs the comparison.
#   tests/oracle/current_oracle.sh BUILD_DIR KESMAL_CLI
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
dir="$1/oracle-npm"
mkdir -p "$dir"
if ! cmp -s "$here/package-lock.json" "$dir/installed.lock"; then
  cp "$here/package.json" "$here/package-lock.json" "$dir/"
  npm ci --prefix "$dir" --ignore-scripts --no-audit --no-fund --loglevel=error
  cp "$here/package-lock.json" "$dir/installed.lock"
fi
exec node "$here/current_oracle.mjs" "$2" "$dir/node_modules"
