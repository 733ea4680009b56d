// The package against kesmal-cli, in Node: installed from its tarball into a
// fresh folder, it must give the command line's records, numbers, findings
// and pseudonyms, and refuse bad requests naming the field.
//   KESMAL_CLI=build/dev/cli/kesmal-cli node --test js/test/node.test.mjs
// (after js/build.sh; KESMAL_TGZ may name another tarball).
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { chmodSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { after, before, describe, test } from "node:test";
import { gzipSync } from "node:zlib";

const cli = process.env.KESMAL_CLI;
const packed = fileURLToPath(new URL("../../build/js/", import.meta.url));
const tarball = process.env.KESMAL_TGZ ??
  join(packed, readdirSync(packed).find((name) => /^kesmal-.*\.tgz$/.test(name)) ?? "missing.tgz");
assert.ok(cli, "KESMAL_CLI names kesmal-cli");

const folder = mkdtempSync(join(tmpdir(), "kesmal-js-"));
let kesmal;
before(async () => {
  writeFileSync(join(folder, "package.json"), '{"name":"consumer","private":true}');
  execFileSync("npm", ["install", "--offline", "--no-audit", "--no-fund", "--loglevel=error", tarball], { cwd: folder });
  kesmal = await import(join(folder, "node_modules/kesmal/index.node.js"));
  await kesmal.ready;
});
after(() => rmSync(folder, { recursive: true, force: true }));

const run = (args, input) =>
  execFileSync(cli, args, { input, maxBuffer: 1 << 30, encoding: "utf8", stdio: ["pipe", "pipe", "pipe"] });
// kesmal-cli exits 1 when a number is not valid; its output is still whole.
const runAny = (args, input) => {
  try {
    return run(args, input);
  } catch (error) {
    if (error.status !== 1) throw error;
    return error.stdout;
  }
};

// A small deterministic generator, so that a failure can be replayed.
function random(seed) {
  let s = seed >>> 0;
  return () => ((s = (Math.imul(s ^ (s >>> 15), 0x2c1b3c6d) + 0x9e3779b9) >>> 0) / 2 ** 32);
}

// Valid numbers of every jurisdiction, and their near and far misses.
function mixedLines(count, seed) {
  const next = random(seed);
  const made = ["tw", "hk", "cn", "cn15", "kr"].flatMap((j) =>
    run(["make", j, "--count", String(count / 10), "--seed", String(seed)]).trimEnd().split("\n"),
  );
  const junk = ["", " ", "A12345678", "a123456789", "Ａ123456789", "身分證", "A123456(3)", "AB9876543", "12345678901234567x",
    "110101190001011234", "\u00ff\u00fe", "😀", "1234567890123", "850503-1234567", "K\u0301", "A1234567890",
    "ab!x~", "q", '"A123456789"', "back\\slash", "12~45 6", "a".repeat(64), "b".repeat(65)];
  const lines = [];
  for (let i = 0; i < count; ++i) {
    const pick = next();
    let line = made[Math.floor(next() * made.length)];
    if (pick < 0.3) {
      const at = Math.floor(next() * line.length);
      line = line.slice(0, at) + "0123456789XAZ"[Math.floor(next() * 13)] + line.slice(at + 1);
    } else if (pick < 0.35) {
      line = line.toLowerCase();
    } else if (pick < 0.45) {
      line = junk[Math.floor(next() * junk.length)];
    }
    lines.push(line);
  }
  return lines;
}

describe("check", () => {
  test("gives check --json's object for 1,000,000 mixed lines", () => {
    const lines = mixedLines(1000000, 29);
    const expected = runAny(["check", "--json"], lines.join("\n") + "\n").split("\n");
    for (let i = 0; i < lines.length; ++i) {
      const got = JSON.stringify(kesmal.check(lines[i]));
      if (got !== expected[i]) assert.equal(got, expected[i], `line ${i + 1}: ${JSON.stringify(lines[i])}`);
      if (kesmal.isValid(lines[i]) !== (JSON.parse(expected[i]).valid === true))
        assert.fail(`isValid disagrees on line ${i + 1}: ${JSON.stringify(lines[i])}`);
    }
  });

  for (const rules of ["classic", "current"]) {
    test(`gives check --json --rules ${rules}'s object`, () => {
      const lines = mixedLines(50000, 7).concat(["A800000014", "A1234563", "A123456(3)", "850503-5234567", "810000199001010011"]);
      const expected = runAny(["check", "--json", "--rules", rules], lines.join("\n") + "\n").split("\n");
      lines.forEach((line, i) => {
        const got = JSON.stringify(kesmal.check(line, { rules }));
        if (got !== expected[i]) assert.equal(got, expected[i], `line ${i + 1}: ${JSON.stringify(line)}`);
        if (kesmal.isValid(line, { rules }) !== (JSON.parse(expected[i]).valid === true))
          assert.fail(`isValid disagrees under ${rules}: ${JSON.stringify(line)}`);
      });
    });
  }
});

describe("make", () => {
  const requests = [
    [{ jurisdiction: "cn", count: 3, seed: 7 }, ["make", "cn", "--count", "3", "--seed", "7"]],
    [{ jurisdiction: "tw", count: 9000, seed: 1, sex: "female", region: "K" },
      ["make", "tw", "--count", "9000", "--seed", "1", "--sex", "female", "--region", "K"]],
    [{ jurisdiction: "hk", count: 5000, seed: 2, length: 9, unique: true },
      ["make", "hk", "--count", "5000", "--seed", "2", "--length", "9", "--unique"]],
    [{ jurisdiction: "cn", count: 4097, seed: 3, region: "110105", birth: "1980-01-01..1989-12-31" },
      ["make", "cn", "--count", "4097", "--seed", "3", "--region", "110105", "--birth", "1980-01-01..1989-12-31"]],
    [{ jurisdiction: "cn15", count: 100, seed: 4, birth: "1950-05-05" },
      ["make", "cn15", "--count", "100", "--seed", "4", "--birth", "1950-05-05"]],
    [{ jurisdiction: "kr", count: 1000, seed: 5, age: "20-30", sex: "male" },
      ["make", "kr", "--count", "1000", "--seed", "5", "--age", "20-30", "--sex", "male"]],
    [{ jurisdiction: "cn", count: 1000, seed: 6, invalid: "check_code" },
      ["make", "cn", "--count", "1000", "--seed", "6", "--invalid", "check_code"]],
  ];
  for (const [request, args] of requests) {
    test(args.join(" "), () => {
      const got = [...kesmal.make(request)];
      const expected = run(args).trimEnd().split("\n");
      const first = got.findIndex((number, i) => number !== expected[i]);
      assert.ok(first < 0 && got.length === expected.length,
        `${got.length} numbers for ${expected.length}; first difference at ${first}: ${got[first]} for ${expected[first]}`);
    });
  }

  test("nextBlock gives the numbers not yet read, a block at a time", () => {
    const numbers = kesmal.make({ jurisdiction: "cn", count: 9000, seed: 3 });
    const read = [numbers.next().value, numbers.next().value];
    let blocks = 0;
    for (let block; (block = numbers.nextBlock()) !== null; ++blocks) read.push(...block.trimEnd().split("\n"));
    assert.ok(blocks >= 3);
    assert.deepEqual(read, run(["make", "cn", "--count", "9000", "--seed", "3"]).trimEnd().split("\n"));
    assert.equal(numbers.next().done, true);
  });

  test("two streams read in turns each give what they give alone", () => {
    const a = kesmal.make({ jurisdiction: "tw", count: 10000, seed: 11 });
    const b = kesmal.make({ jurisdiction: "tw", count: 10000, seed: 12 });
    const got = [[], []];
    for (let i = 0; i < 10000; ++i) got[0].push(a.next().value), got[1].push(b.next().value);
    assert.deepEqual(got[0], [...kesmal.make({ jurisdiction: "tw", count: 10000, seed: 11 })]);
    assert.deepEqual(got[1], [...kesmal.make({ jurisdiction: "tw", count: 10000, seed: 12 })]);
  });
});

describe("scan", () => {
  // Byte offsets of the command line as string indexes, found in order.
  const indexer = (text) => {
    const bytes = Buffer.from(text);
    let byte = 0;
    let unit = 0;
    return (offset) => {
      unit += bytes.subarray(byte, offset).toString().length;
      byte = offset;
      return unit;
    };
  };
  const compare = (text, args = []) => {
    const index = indexer(text);
    const expected = runAny(["scan", "--json", ...args], text).trimEnd().split("\n").filter(Boolean).map((l) => JSON.parse(l));
    const options = {};
    if (args.includes("--near-misses")) options.nearMisses = true;
    if (args.includes("--implausible")) options.implausible = true;
    if (args.includes("--rules")) options.rules = args[args.indexOf("--rules") + 1];
    if (args.includes("--only")) options.only = args[args.indexOf("--only") + 1];
    const got = kesmal.scan(text, options);
    assert.equal(got.length, expected.length);
    got.forEach((finding, i) => {
      const e = expected[i];
      assert.deepEqual(
        [finding.start, finding.end, finding.text, finding.number, finding.jurisdiction, finding.valid, finding.plausible],
        [index(e.offset), index(e.offset + e.length), e.text, e.input, e.jurisdiction, e.valid, e.plausible],
      );
    });
    return got;
  };
  const text = "😀身分證A123456789號 Ａ１２３４５６７８９ A123456(3)\n𠀀x 110101199003078515, 850503-1234567 A123456788 " +
    "AB987654（3） xA123456789 110101900307851 𝟘 ８５０５０３－１２３４５６７\n";

  test("finds what scan finds, at string indexes over astral characters", () => {
    assert.ok(compare(text).length >= 4);
  });
  for (const args of [["--near-misses"], ["--implausible"], ["--rules", "current"], ["--only", "hk,cn"]]) {
    test(`with ${args.join(" ")}`, () => compare(text, args));
  }
  test("across the chunks a long text is encoded in", () => {
    // Numbers straddle every place a chunk of 2^20 units could end, after
    // astral characters that count two units and four bytes.
    let long = "";
    while (long.length < 3.2e6) long += "😀 A123456789 中文 110101199003078515\n";
    assert.ok(compare(long).length > 150000);
  });
  test("a finding's check is check's object", () => {
    const [finding] = kesmal.scan("ID A123456789.");
    assert.deepEqual(finding.check, kesmal.check("A123456789"));
  });
});

describe("Masker", () => {
  const keyHex = "3c9f0e1a5b7d2c4e6f8091a2b3c4d5e6f708192a3b4c5d6e7f8091a2b3c4d5e6";
  const keyFile = join(folder, "key");
  const key = Uint8Array.from(keyHex.match(/../g), (h) => parseInt(h, 16));
  const text = "😀身分證A123456789號 Ａ１２３４５６７８９ a123456(3)\n110101199003078515, 850503-1234567 " +
    "110101900307851 A123456788 AB987654（3）\n".repeat(3);
  const cases = [
    [{}, []],
    [{ keep: ["sex"] }, ["--keep", "sex"]],
    [{ keep: "birth-year" }, ["--keep", "birth-year"]],
    [{ keep: ["province", "sex"] }, ["--keep", "province,sex"]],
    [{ rules: "current", implausible: true }, ["--rules", "current", "--implausible"]],
    [{ only: ["tw"], nearMisses: "redact" }, ["--only", "tw", "--near-misses", "redact"]],
    [{ nearMisses: "keep" }, ["--near-misses", "keep"]],
  ];
  for (const [options, args] of cases) {
    test(`gives mask ${args.join(" ")}'s pseudonyms, and reverse undoes them`, () => {
      writeFileSync(keyFile, keyHex + "\n");
      chmodSync(keyFile, 0o600);
      const masked = new kesmal.Masker(key, options).text(text);
      assert.equal(masked, run(["mask", "--key-file", keyFile, ...args], text));
      assert.notEqual(masked, text);
      const reverse = new kesmal.Masker(keyHex + "\n", { ...options, reverse: true }).text(masked);
      assert.equal(reverse, run(["mask", "--key-file", keyFile, "--reverse", ...args], masked));
      if (options.nearMisses !== "redact") assert.equal(reverse, text);
    });
  }
  test("redacts as mask --redact", () => {
    assert.equal(new kesmal.Masker(null, { redact: true, keep: ["sex"] }).text(text),
      run(["mask", "--redact", "--keep", "sex"], text));
  });
});

test("the WebAssembly and its glue stay under 400 KB gzipped", () => {
  const glue = readFileSync(join(folder, "node_modules/kesmal/kesmal_wasm.js"));
  assert.ok(gzipSync(glue, { level: 9 }).length < 400 * 1024);
});

describe("bad requests", () => {
  const cases = [
    ["check of a number", () => kesmal.check(123), TypeError, /check/],
    ["check's rules", () => kesmal.check("A123456789", { rules: "new" }), RangeError, /rules/],
    ["an unknown check option", () => kesmal.check("A123456789", { rule: "current" }), TypeError, /rule/],
    ["isValid's rules", () => kesmal.isValid("A123456789", { rules: 2 }), RangeError, /rules/],
    ["make without jurisdiction", () => kesmal.make({ count: 3 }), TypeError, /jurisdiction/],
    ["make of an unknown jurisdiction", () => kesmal.make({ jurisdiction: "jp" }), RangeError, /jurisdiction/],
    ["make's count as text", () => kesmal.make({ jurisdiction: "tw", count: "3" }), TypeError, /count/],
    ["make's negative count", () => kesmal.make({ jurisdiction: "tw", count: -1 }), RangeError, /count/],
    ["make's fractional seed", () => kesmal.make({ jurisdiction: "tw", seed: 1.5 }), RangeError, /seed/],
    ["make's sex", () => kesmal.make({ jurisdiction: "cn", sex: "other" }), RangeError, /sex/],
    ["make's region of Hong Kong", () => kesmal.make({ jurisdiction: "hk", region: "A" }), RangeError, /region/],
    ["make's unlisted region", () => kesmal.make({ jurisdiction: "cn", region: "999999" }), RangeError, /region/],
    ["make's length of Taiwan", () => kesmal.make({ jurisdiction: "tw", length: 9 }), RangeError, /length/],
    ["make's birth", () => kesmal.make({ jurisdiction: "cn", birth: "1990-02-30" }), RangeError, /birth/],
    ["make's age with birth", () => kesmal.make({ jurisdiction: "cn", birth: "1990-01-01", age: "20-30" }), RangeError, /age/],
    ["make's fault", () => kesmal.make({ jurisdiction: "cn", invalid: "nonsense" }), RangeError, /invalid/],
    ["make's unique with invalid", () => kesmal.make({ jurisdiction: "cn", invalid: "check_code", unique: true }), RangeError, /invalid/],
    ["make's unknown field", () => kesmal.make({ jurisdiction: "cn", gender: "male" }), TypeError, /gender/],
    ["scan's only", () => kesmal.scan("x", { only: ["tw", "jp"] }), RangeError, /only/],
    ["scan's nearMisses", () => kesmal.scan("x", { nearMisses: "yes" }), TypeError, /nearMisses/],
    ["Masker's nearMisses", () => new kesmal.Masker(null, { redact: true, nearMisses: "drop" }), RangeError, /nearMisses/],
    ["a short key", () => new kesmal.Masker(new Uint8Array(16)), RangeError, /key/],
    ["a missing key", () => new kesmal.Masker(undefined), TypeError, /key/],
    ["keep of an unknown field", () => new kesmal.Masker(new Uint8Array(32), { keep: ["name"] }), RangeError, /keep/],
    ["keep leaving too few numbers", () => new kesmal.Masker(new Uint8Array(32), { keep: ["birth-date", "region"] }), RangeError, /.+/],
    ["redact with a key", () => new kesmal.Masker(new Uint8Array(32), { redact: true }), TypeError, /redact/],
  ];
  for (const [name, call, type, field] of cases) {
    test(name, () => assert.throws(call, (e) => e instanceof type && field.test(e.message), name));
  }
});
