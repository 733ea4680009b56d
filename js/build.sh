#!/usr/bin/env bash
# Builds the npm package kesmal into build/js/kesmal-VERSION.tgz: the library
# compiled to WebAssembly with Debian's Emscripten (build/wasm), the API in
# js/src, and @noble/ciphers' AES bundled for browsers. Then the page into
# build/web/ (web/build.mjs). The tools come pinned from npm into
# build/js-tools (js/tools/package.json).
#   bash js/build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

tools=build/js-tools
mkdir -p "$tools"
if ! cmp -s js/tools/package.json "$tools/package.json" || [ ! -d "$tools/node_modules" ]; then
  cp js/tools/package.json "$tools/package.json"
  (cd "$tools" && npm install --no-audit --no-fund --loglevel=error)
fi

# Debian's Emscripten runs its optimizer with Node, which finds acorn there.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S js/wasm -B build/wasm -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/wasm

version="$(sed -n 's/^project(Kesmal VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[[ "$version" == *.*.* ]] || version="$version.0"
package=build/js/package
rm -rf "$package" && mkdir -p "$package/vendor"
cp js/src/*.js js/index.d.ts js/README.md LICENSE "$package/"
sed "s/@VERSION@/$version/" js/package.json >"$package/package.json"
# The glue, a factory, as an ES module's default export (its CommonJS and AMD
# exports at the end left out). In browsers it would
# fetch its own data: URL before decoding it; a page that makes no request
# decodes it at once.
fetch_guard='if(typeof fetch=="function"){return fetch(wasmBinaryFile'
grep -qF "$fetch_guard" build/wasm/kesmal_wasm.js || { echo "js: the glue's fetch is not where it was" >&2; exit 1; }
{ sed 's/if(typeof fetch=="function"){return fetch(wasmBinaryFile/if(typeof fetch=="function"\&\&!isDataURI(wasmBinaryFile)){return fetch(wasmBinaryFile/' \
    build/wasm/kesmal_wasm.js | sed "/^if (typeof exports === 'object' && typeof module === 'object')\$/,\$d"; echo; echo "export default createKesmalWasm;"; } >"$package/kesmal_wasm.js"
echo 'export { ecb } from "@noble/ciphers/aes";' >"$tools/noble-entry.js"
"$tools/node_modules/.bin/esbuild" "$tools/noble-entry.js" --bundle --format=esm --minify \
  --legal-comments=inline --log-level=warning --outfile="$package/vendor/noble-aes.js"
cp "$tools/node_modules/@noble/ciphers/LICENSE" "$package/vendor/noble-ciphers.LICENSE"
rm -f build/js/kesmal-*.tgz
(cd build/js && npm pack ./package --pack-destination . --loglevel=error >/dev/null)
echo "js: build/js/kesmal-$version.tgz"

node web/build.mjs "$root"
