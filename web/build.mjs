// Builds the page into build/web/index.html: one file that works opened from
// disk (no server) and from any static host. The package's script (the
// WebAssembly inside), the worker's and the page's are inlined; the worker
// starts from a Blob of the package's script and its own.
//   node web/build.mjs ROOT   (after js/build.sh has made build/js/package)
import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";

const root = process.argv[2] ?? process.cwd();
const esbuild = join(root, "build/js-tools/node_modules/.bin/esbuild");
const bundle = (entry, extra = []) =>
  execFileSync(esbuild, [join(root, entry), "--bundle", "--format=iife", "--minify", "--target=es2022",
    "--log-level=warning", ...extra], { encoding: "utf8", maxBuffer: 1 << 28 });

const lib = bundle("web/lib.js", ["--global-name=KesmalPage"]);
const worker = bundle("web/worker.js");
const app = bundle("web/app.js");
for (const [name, code] of Object.entries({ lib, worker, app }))
  if (/<\/script/i.test(code)) throw new Error(`web: the ${name} script holds </script`);

const html = readFileSync(join(root, "web/index.html"), "utf8")
  .replace("/*STYLE*/", () => readFileSync(join(root, "web/style.css"), "utf8"))
  .replace("/*KESMAL*/", () => lib)
  .replace("/*WORKER*/", () => worker)
  .replace("/*APP*/", () => app);
mkdirSync(join(root, "build/web"), { recursive: true });
writeFileSync(join(root, "build/web/index.html"), html);
console.log(`web: build/web/index.html (${Math.round(html.length / 1024)} KB)`);
