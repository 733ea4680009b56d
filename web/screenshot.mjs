// Takes docs/web-page.png: the page (build/web/index.html) with a number
// checked, a text's numbers found and masked, in headless Chromium.
//   node web/screenshot.mjs [ROOT]
import { createRequire } from "node:module";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

const root = path.resolve(process.argv[2] ?? ".");
const { chromium } = createRequire(path.join(root, "build/js-tools/"))("playwright-core");
const profile = mkdtempSync(path.join(tmpdir(), "kesmal-shot-"));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: "/usr/bin/chromium", headless: true, viewport: { width: 1100, height: 1500 },
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
const page = context.pages()[0] ?? (await context.newPage());
await page.goto(pathToFileURL(path.join(root, "build/web/index.html")).href);
await page.waitForSelector("body[data-ready]");
await page.fill("#number", "110101199003078515");
await page.press("#number", "Enter");
await page.selectOption("#jurisdiction", "cn");
await page.fill("#count", "1000");
await page.fill("#seed", "7");
await page.click("#make");
await page.waitForSelector('body[data-made="1000"]');
await page.fill("#text", "订单 7731 客户 110101199003078515，备用 A123456789\n会员 631212-1456031 / 香港 AB987654(3)");
await page.click("#scan");
await page.fill("#key", "3c9f0e1a5b7d2c4e6f8091a2b3c4d5e6f708192a3b4c5d6e7f8091a2b3c4d5e6");
await page.check('input[name=keep][value="sex"]');
await page.click("#mask");
await page.screenshot({ path: path.join(root, "docs/web-page.png"), fullPage: true });
await context.close();
rmSync(profile, { recursive: true, force: true });
