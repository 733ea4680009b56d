// The peer's side of bench/taiwan-vs-validator: times validator.js's
// isIdentityCard(s, 'zh-TW') over every line of a file, best of several
// rounds, and prints one line: <numbers> <valid> <best seconds>
//   node taiwan_timing.mjs NODE_MODULES NUMBERS_FILE [ROUNDS]
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const [modules, file, roundsText] = process.argv.slice(2);
const require = createRequire(path.join(path.resolve(modules), 'index.js'));
const isIdentityCard = require('validator/lib/isIdentityCard').default;

const numbers = readFileSync(file, 'ascii').split('\n').filter((line) => line !== '');
const rounds = Number(roundsText ?? 5);

function timePass() {
  const start = process.hrtime.bigint();
  let valid = 0;
  for (const number of numbers) valid += isIdentityCard(number, 'zh-TW') ? 1 : 0;
  return [Number(process.hrtime.bigint() - start) / 1e9, valid];
}

let [best, valid] = timePass();  // the first round also lets the JIT compile
for (let round = 1; round < rounds; ++round) best = Math.min(best, timePass()[0]);
console.log(`${numbers.length} ${valid} ${best}`);
