// The Node side of bench/js-throughput: times the package kesmal (as
// js/build.sh leaves it in build/js/package) and validator.js's
// isIdentityCard on the same numbers, best of ROUNDS rounds each, and prints
// one JSON object of seconds and counts.
//   node node_timing.mjs PACKAGE_DIR VALIDATOR_MODULES NUMBERS_DIR CORPUS ROUNDS
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [packageDir, modules, numbersDir, corpus, roundsText] = process.argv.slice(2);
const rounds = Number(roundsText);
const kesmal = await import(pathToFileURL(path.join(packageDir, "index.node.js")).href);
await kesmal.ready;
const require = createRequire(path.join(path.resolve(modules), "index.js"));
const isIdentityCard = require("validator/lib/isIdentityCard").default;

// The best of the rounds; the first also lets the compilers settle.
function best(pass) {
  let fastest = Infinity;
  let result;
  for (let round = 0; round < rounds; ++round) {
    const start = process.hrtime.bigint();
    result = pass();
    fastest = Math.min(fastest, Number(process.hrtime.bigint() - start) / 1e9);
  }
  return [fastest, result];
}

const figures = {};
const locales = { tw: "zh-TW", cn: "zh-CN", hk: "zh-HK" };
for (const [jurisdiction, locale] of Object.entries(locales)) {
  const numbers = readFileSync(path.join(numbersDir, `${jurisdiction}.txt`), "ascii").split("\n").filter(Boolean);
  const [ours, valid] = best(() => {
    let n = 0;
    for (const number of numbers) n += kesmal.isValid(number) ? 1 : 0;
    return n;
  });
  const [theirs, theirValid] = best(() => {
    let n = 0;
    for (const number of numbers) n += isIdentityCard(number, locale) ? 1 : 0;
    return n;
  });
  figures[jurisdiction] = { numbers: numbers.length, kesmal: ours, valid, validator: theirs, validatorValid: theirValid };
}

const mixed = readFileSync(path.join(numbersDir, "mixed.txt"), "utf8").split("\n").filter(Boolean);
const [checkSeconds] = best(() => {
  let n = 0;
  for (const line of mixed) n += kesmal.check(line).faults.length;
  return n;
});
figures.check = { numbers: mixed.length, seconds: checkSeconds };

const text = readFileSync(corpus, "utf8");
const bytes = Buffer.byteLength(text);
const [scanSeconds, found] = best(() => kesmal.scan(text).length);
figures.scan = { bytes, seconds: scanSeconds, findings: found };

const [makeSeconds, made] = best(() => {
  let n = 0;
  for (const number of kesmal.make({ jurisdiction: "cn", count: 1000000, seed: 1 })) n += number.length > 0;
  return n;
});
figures.make = { numbers: made, seconds: makeSeconds };
console.log(JSON.stringify(figures));
