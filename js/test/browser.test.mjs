// The page in Debian's Chromium, driven by playwright-core (build/js-tools),
// opened from the file system: a number typed and its report read, 1,000
// numbers generated and each checked, a text pasted and masked, every
// control labelled, and no request made after load.
//   KESMAL_CLI=build/dev/cli/kesmal-cli node --test js/test/browser.test.mjs
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { chmodSync, mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { after, before, test } from "node:test";

const root = fileURLToPath(new URL("../../", import.meta.url));
const cli = process.env.KESMAL_CLI;
assert.ok(cli, "KESMAL_CLI names kesmal-cli");
const { chromium } = createRequire(join(root, "build/js-tools/"))("playwright-core");

const run = (args, input) => {
  try {
    return execFileSync(cli, args, { input, encoding: "utf8", maxBuffer: 1 << 26, stdio: ["pipe", "pipe", "pipe"] });
  } catch (error) {
    if (error.status !== 1) throw error;
    return error.stdout;
  }
};

const profile = mkdtempSync(join(tmpdir(), "kesmal-chromium-"));
let context, page;
const requests = [];
let loaded = false;
const afterLoad = [];

before(async () => {
  context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  page = context.pages()[0] ?? (await context.newPage());
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  context.on("request", (request) => {
    requests.push(request.url());
    if (loaded) afterLoad.push(request.url());
  });
  await page.goto(pathToFileURL(join(root, "build/web/index.html")).href);
  await page.waitForSelector("body[data-ready]", { timeout: 30000 });
  loaded = true;
  assert.deepEqual(errors, []);
});
after(async () => {
  await context?.close();
  rmSync(profile, { recursive: true, force: true });
});

test("a number typed gives the command line's report", async () => {
  for (const number of ["A123456789", "a123456788", "110101199003078515", "AB9876543"]) {
    await page.fill("#number", "");
    await page.focus("#number");
    await page.keyboard.type(number);
    await page.keyboard.press("Enter");
    assert.equal(await page.textContent("#report"), run(["check", number]).trimEnd());
  }
});

test("1,000 numbers generated are each valid", async () => {
  await page.selectOption("#jurisdiction", "cn");
  await page.fill("#count", "1000");
  await page.click("#make");
  await page.waitForSelector('body[data-made="1000"]', { timeout: 30000 });
  const numbers = (await page.inputValue("#numbers")).trimEnd().split("\n");
  assert.equal(numbers.length, 1000);
  const records = run(["check", "--json"], numbers.join("\n") + "\n").trimEnd().split("\n").map((l) => JSON.parse(l));
  assert.deepEqual(records.filter((r) => !r.valid || r.jurisdiction !== "cn"), []);
});

test("the generation's settings reach its numbers", async () => {
  await page.selectOption("#jurisdiction", "tw");
  await page.selectOption("#sex", "female");
  await page.selectOption("#letter", "K");
  await page.fill("#count", "200");
  await page.fill("#seed", "9");
  await page.click("#make");
  await page.waitForSelector('body[data-made="200"]', { timeout: 30000 });
  assert.equal(await page.inputValue("#numbers"), run(["make", "tw", "--count", "200", "--seed", "9", "--sex", "female", "--region", "K"]));
});

test("a pasted text is found and masked as mask does", async () => {
  const text = "客户 A123456789 电话 110101199003078515 😀 AB987654(3)\n下一位 ８５０５０３－１２３４５６７ a123456789";
  await page.fill("#text", text);
  await page.click("#scan");
  const marks = await page.$$eval("#findings mark", (all) => all.map((m) => [m.textContent, m.title]));
  const expected = run(["scan", "--json"], text).trimEnd().split("\n").map((l) => JSON.parse(l));
  assert.deepEqual(marks, expected.map((e) => [e.text, e.report]));
  await page.click("#new-key");
  const key = await page.inputValue("#key");
  assert.match(key, /^[0-9a-f]{64}$/);
  await page.check('input[name=keep][value="sex"]');
  await page.click("#mask");
  const keyFile = join(profile, "key");
  writeFileSync(keyFile, key + "\n");
  chmodSync(keyFile, 0o600);
  assert.equal(await page.inputValue("#masked"), run(["mask", "--key-file", keyFile, "--keep", "sex"], text));
  await page.uncheck('input[name=keep][value="sex"]');
});

test("every control has a label, in each language", async () => {
  for (const language of ["en", "zh-Hans", "zh-Hant", "ko"]) {
    await page.selectOption("#lang", language);
    const unlabelled = await page.$$eval("input, select, textarea, button", (controls) =>
      controls.filter((c) => {
        const name = c.getAttribute("aria-label") || [...(c.labels ?? [])].map((l) => l.textContent).join("") ||
          (c.tagName === "BUTTON" ? c.textContent : "");
        return name.trim() === "";
      }).map((c) => c.id || c.outerHTML.slice(0, 60)));
    assert.deepEqual(unlabelled, [], language);
  }
  await page.selectOption("#lang", "en");
});

test("the page makes no request after load", () => {
  assert.ok(requests.length > 0);
  assert.deepEqual(afterLoad, []);
  for (const url of requests) assert.match(url, /^(file|blob):/);
});
