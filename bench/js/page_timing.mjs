// The Chromium side of bench/js-throughput: the page (build/web/index.html,
// opened from the file system) generates 1,000,000 mainland numbers; prints
// the seconds from the click to the numbers shown, and the longest the page's
// thread was busy meanwhile (it must stay responsive: the work is the
// worker's).
//   node page_timing.mjs ROOT
import { createRequire } from "node:module";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

const root = process.argv[2];
const { chromium } = createRequire(path.join(root, "build/js-tools/"))("playwright-core");
const profile = mkdtempSync(path.join(tmpdir(), "kesmal-bench-"));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: "/usr/bin/chromium", headless: true,
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
const page = context.pages()[0] ?? (await context.newPage());
await page.goto(pathToFileURL(path.join(root, "build/web/index.html")).href);
await page.waitForSelector("body[data-ready]");
await page.selectOption("#jurisdiction", "cn");
const results = [];
for (let run = 0; run < 3; ++run) {
  await page.fill("#count", "1000000");
  await page.evaluate(() => {
    delete document.body.dataset.made;
    window.longest = 0;
    let last = performance.now();
    window.ticker = setInterval(() => {
      const now = performance.now();
      window.longest = Math.max(window.longest, now - last - 10);
      last = now;
    }, 10);
    window.started = performance.now();
    document.querySelector("#make").click();
  });
  await page.waitForSelector('body[data-made="1000000"]', { timeout: 60000 });
  results.push(await page.evaluate(() => {
    clearInterval(window.ticker);
    return { seconds: (performance.now() - window.started) / 1000, longestBlockMs: window.longest };
  }));
}
await context.close();
rmSync(profile, { recursive: true, force: true });
results.sort((a, b) => a.seconds - b.seconds);
console.log(JSON.stringify(results[0]));
