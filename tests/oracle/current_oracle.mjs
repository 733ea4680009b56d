// Compares `kesmal-cli check --rules current --json` with two independent
// libraries of today's rules, npm stdnum and validid (pinned in package.json
// beside this script), over generated and mutated numbers of every kind.
//
//   node tests/oracle/current_oracle.mjs KESMAL_CLI NODE_MODULES [--count N] [--seed S]
//
// A disagreement is either a bug or one of the rule differences listed in
// DIFFERENCES below, each with its reason; those are counted and set aside.
// Exits 1 and lists the disagreements when there are any.
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import path from 'node:path';

const [cli, modules, ...rest] = process.argv.slice(2);
if (!cli || !modules) {
  console.error('usage: current_oracle.mjs KESMAL_CLI NODE_MODULES [--count N] [--seed S]');
  process.exit(2);
}
const option = (name, fallback) => {
  const at = rest.indexOf(name);
  return at >= 0 ? Number(rest[at + 1]) : fallback;
};
const COUNT = option('--count', 3000);
const require = createRequire(path.join(path.resolve(modules), 'oracle.js'));
const validid = require('validid');
const { TW, HK, CN, KR } = require('stdnum').stdnum;

// mulberry32: a small seeded generator, so every run sees the same numbers.
let state = option('--seed', 20261209) >>> 0;
function random() {
  state = (state + 0x6d2b79f5) >>> 0;
  let t = state;
  t = Math.imul(t ^ (t >>> 15), t | 1);
  t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
}
const below = (n) => Math.floor(random() * n);
const pick = (text) => text[below(text.length)];
const digits = (n) => Array.from({ length: n }, () => pick('0123456789')).join('');
const two = (n) => String(n).padStart(2, '0');
const CAPITALS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
const SLIPS = 'AXZ.#/()';

function kesmal(args, input) {
  const run = spawnSync(cli, args, { input, encoding: 'utf8', maxBuffer: 1 << 30 });
  if (run.status === null || run.status > 1 || run.stderr) {
    console.error(`kesmal-cli ${args.join(' ')} failed (${run.status}): ${run.stderr}`);
    process.exit(2);
  }
  return run.stdout;
}

const made = (jurisdiction, count) =>
  kesmal(['make', jurisdiction, '--count', String(count), '--seed', String(below(2 ** 32))], '')
    .split('\n')
    .filter(Boolean);

// Every check character a body can take: exactly one of them is right.
const withEveryCheck = (body, alphabet = '0123456789') => [...alphabet].map((c) => body + c);

// Numbers a typing slip away from a valid one.
function mutations(number, alphabet = '0123456789') {
  const chars = [...number];
  const changed = [...chars];
  const at = below(chars.length);
  changed[at] = pick(alphabet.replace(chars[at], '') || alphabet);
  const swapped = [...chars];
  const swap = below(chars.length - 1);
  [swapped[swap], swapped[swap + 1]] = [swapped[swap + 1], swapped[swap]];
  const slipped = [...chars];
  slipped[below(chars.length)] = pick(SLIPS);
  return [changed.join(''), swapped.join(''), slipped.join('')];
}

// --- Numbers of every kind ---------------------------------------------------

function taiwanNumbers() {
  const numbers = [];
  for (const number of made('tw', COUNT)) numbers.push(number, ...mutations(number));
  for (let i = 0; i < COUNT / 10; ++i) {
    const letter = pick(CAPITALS);
    numbers.push(...withEveryCheck(letter + pick('89') + digits(7)));
    numbers.push(...withEveryCheck(letter + pick('ABCD') + digits(7)));
    numbers.push(...withEveryCheck(letter + pick(CAPITALS + '0123456789') + digits(7)));
  }
  const valid = numbers.filter((n) => TW.natid.validate(n).isValid || TW.ui.validate(n).isValid);
  for (const number of valid.slice(0, COUNT)) numbers.push(...mutations(number));
  return numbers;
}

function hongKongNumbers() {
  const numbers = [];
  for (const number of made('hk', COUNT)) {
    const body = number.slice(0, -1);
    const check = number.slice(-1);
    const printed = `${body}(${check})`;
    numbers.push(number, printed, ...mutations(printed, '0123456789A'), ...mutations(number));
    numbers.push(`${body}(${check}`, `${body}${check})`, `${body} ${check})`, `${body}(${check}]`);
    numbers.push(`${body.slice(0, -1)}(${body.slice(-1)})${check}`, `(${body})${check}`);
    numbers.push(...withEveryCheck(`${body}(`, '0123456789A').map((n) => n + ')'));
  }
  return numbers;
}

function koreaNumbers() {
  const numbers = [];
  for (const number of made('kr', COUNT)) numbers.push(...mutations(number));
  for (let i = 0; i < COUNT; ++i) {
    // Every seventh digit, dates near the ends of months, every place code.
    const date = two(below(100)) + two(below(14)) + two(pick([0, 1, 28, 29, 30, 31, 32, below(32)]));
    const body = date + pick('0123456789') + two(below(100)) + digits(3);
    const all = withEveryCheck(body);
    numbers.push(pick(all), pick(all));
  }
  // Around 2020-10-01, where check digits stop binding.
  for (const date of ['200930', '201001', '201231', '210228', '991231']) {
    for (const seventh of '3478') numbers.push(...withEveryCheck(date + seventh + '00000'));
  }
  const valid = numbers.filter((n) => KR.rrn.validate(n).isValid);
  for (const number of valid.slice(0, COUNT)) numbers.push(...mutations(number));
  return numbers;
}

function mainlandNumbers() {
  const numbers = [];
  for (const number of made('cn', COUNT)) numbers.push(number, ...mutations(number, '0123456789X'));
  for (let i = 0; i < COUNT / 5; ++i) {
    const region = pick(['810000', '820000', '830000', '710000', '810001']);
    const year = 1900 + below(130);
    const body = region + year + two(1 + below(12)) + two(1 + below(28)) + digits(3);
    numbers.push(...withEveryCheck(body, '0123456789X'));
  }
  return numbers;
}

// --- What the libraries say ----------------------------------------------

const ok = (result) => result.isValid;
const TODAY = new Date();
const dateKey = (y, m, d) => y * 10000 + m * 100 + d;
const todayKey = dateKey(TODAY.getFullYear(), TODAY.getMonth() + 1, TODAY.getDate());

// Korea's century by the seventh digit, as both libraries read it.
const KOREA_CENTURY = [1800, 1900, 1900, 2000, 2000, 1900, 1900, 2000, 2000, 1800];
const koreaBirth = (n) => dateKey(KOREA_CENTURY[+n[6]] + +n.slice(0, 2), +n.slice(2, 4), +n.slice(4, 6));

// stdnum's verdict on the number with its last character made right, if one can be.
function stdnumWithRightCheck(validate, number, alphabet) {
  return [...alphabet].some((c) => validate(number.slice(0, -1) + c).isValid);
}

// A Hong Kong number without its check character in brackets at the end.
const withoutPrintedCheck = (n) => n.replace(/\(.\)$/, '');

// Each entry: which comparison it concerns, the reason, and when a
// disagreement is this difference rather than a bug.
const DIFFERENCES = [
  {
    library: 'stdnum', jurisdiction: 'hk',
    reason: 'stdnum removes brackets and spaces wherever they stand; kesmal wants the check ' +
      'character alone in brackets at the end (validid agrees with kesmal)',
    applies: (n, ours, theirs) => theirs && !ours && /[() ]/.test(withoutPrintedCheck(n)),
  },
  {
    library: 'validid', jurisdiction: 'hk',
    reason: 'validid drops some punctuation before it judges (a leading mark, brackets ' +
      'elsewhere than around the check character); kesmal judges the characters as typed',
    applies: (n, ours, theirs, faults) =>
      theirs && /[^A-Z0-9]/.test(withoutPrintedCheck(n)) &&
      faults.every((code) => ['letter', 'digits', 'bracket'].includes(code)),
  },
  {
    library: 'both', jurisdiction: 'hk',
    reason: 'both libraries refuse the letter O, which is not issued; kesmal takes every ' +
      'letter A to Z, as the window does',
    applies: (n, ours, theirs) => ours && !theirs && /^[A-Z]*O/.test(n),
  },
  {
    library: 'stdnum', jurisdiction: 'kr',
    reason: 'stdnum checks the check digit of births from 2020-10-01 on; kesmal cannot verify ' +
      'those random digits and accepts any digit there, reporting it as unverified',
    applies: (n, ours, theirs) =>
      ours && !theirs && koreaBirth(n) >= 20201001 &&
      stdnumWithRightCheck(KR.rrn.validate, n, '0123456789'),
  },
  {
    library: 'stdnum', jurisdiction: 'kr',
    reason: 'stdnum takes digits 8-9 above 96 as a wrong place code also for births from ' +
      '2020-10-01 on; kesmal reads those digits as random, as they are issued now',
    applies: (n, ours, theirs) => ours && !theirs && koreaBirth(n) >= 20201001 && +n.slice(7, 9) > 96,
  },
  {
    library: 'stdnum', jurisdiction: 'kr',
    reason: 'stdnum rejects a birth after today; kesmal accepts it with the remark (尚未出生)',
    applies: (n, ours, theirs) => ours && !theirs && koreaBirth(n) > todayKey,
  },
  {
    library: 'validid', jurisdiction: 'kr',
    reason: 'validid skips the check digit entirely; kesmal checks it for births before ' +
      '2020-10-01',
    applies: (n, ours, theirs) => !ours && theirs && koreaBirth(n) < 20201001,
  },
  {
    library: 'validid', jurisdiction: 'kr',
    reason: 'validid does not look at the place code (digits 8-9); kesmal rejects one above 96',
    applies: (n, ours, theirs) => !ours && theirs && +n.slice(7, 9) > 96,
  },
  {
    library: 'validid', jurisdiction: 'kr',
    reason: `validid rejects a holder younger than ${validid.KRID_MIN_AGE}; kesmal takes ` +
      'every birth date, a future one with the remark (尚未出生)',
    applies: (n, ours, theirs) =>
      ours && !theirs && koreaBirth(n) > todayKey - validid.KRID_MIN_AGE * 10000,
  },
  {
    library: 'both', jurisdiction: 'cn',
    reason: 'a birth after today: both libraries reject it; kesmal accepts it with the remark ' +
      '(尚未出生), as the window does',
    applies: (n, ours, theirs) => ours && !theirs && +n.slice(6, 14) > todayKey,
  },
];

function difference(library, jurisdiction, number, json, theirs) {
  const faults = json.faults.map((fault) => fault.code);
  return DIFFERENCES.find(
    (d) => (d.library === library || d.library === 'both') && d.jurisdiction === jurisdiction &&
      d.applies(number, json.valid, theirs, faults),
  );
}

// The libraries' verdict per jurisdiction, and the kind they name.
const ORACLES = {
  tw: {
    stdnum: (n) => ok(TW.natid.validate(n)) || ok(TW.ui.validate(n)),
    validid: (n) => validid.validateTwid(n).ok,
    kind: (n) => (validid.identifyTwidType(n) === 'RC' ? 'resident_certificate' : 'identity_card'),
  },
  hk: {
    stdnum: (n) => ok(HK.hkid.validate(n)),
    validid: (n) => validid.validateHkid(n).ok,
    kind: () => 'identity_card',
  },
  kr: {
    stdnum: (n) => ok(KR.rrn.validate(n)),
    validid: (n) => validid.validateKrid(n).ok,
    kind: (n) => ('5678'.includes(n[6]) ? 'foreign_resident' : 'identity_card'),
  },
  cn: {
    stdnum: (n) => ok(CN.ric.validate(n)),
    validid: (n) => validid.validateCnid(n).ok,
    kind: (n) =>
      ['810000', '820000', '830000'].includes(n.slice(0, 6)) ? 'residence_permit' : 'identity_card',
  },
};

// --- Comparison ----------------------------------------------------------

function compare(name, jurisdiction, numbers) {
  const unique = [...new Set(numbers)].filter((n) => !n.includes('\n'));
  const lines = kesmal(['check', '--rules', 'current', '--json'], unique.join('\n') + '\n')
    .split('\n')
    .slice(0, -1)
    .map((line) => JSON.parse(line));
  if (lines.length !== unique.length) {
    console.error(`${name}: ${lines.length} objects for ${unique.length} numbers`);
    process.exit(2);
  }
  const oracle = ORACLES[jurisdiction];
  const setAside = new Map();
  const disagreements = [];
  let compared = 0;
  unique.forEach((number, i) => {
    const json = lines[i];
    if (json.rules !== 'current') disagreements.push(`${number}: rules ${json.rules}`);
    // Lengths the jurisdiction does not take are judged by another rule.
    if (json.jurisdiction !== jurisdiction) return;
    ++compared;
    for (const library of ['stdnum', 'validid']) {
      const theirs = oracle[library](number);
      if (json.valid === theirs) continue;
      const known = difference(library, jurisdiction, number, json, theirs);
      if (known) {
        setAside.set(known.reason, (setAside.get(known.reason) || 0) + 1);
        continue;
      }
      disagreements.push(`${number}: kesmal ${json.valid}, ${library} ${theirs}\n    ${json.report}`);
    }
    if (json.valid && json.kind !== oracle.kind(number))
      disagreements.push(`${number}: kind ${json.kind}, expected ${oracle.kind(number)}`);
    if (jurisdiction === 'kr' && json.valid)
      checkKoreaFields(number, json, disagreements);
  });
  return { name, compared, setAside, disagreements };
}

// The century and sex from the seventh digit; the check digit verified for
// births before 2020-10-01 only.
function checkKoreaFields(number, json, disagreements) {
  const birth = koreaBirth(number);
  const ours = Number(json.birth_date.replaceAll('-', ''));
  if (ours !== birth) disagreements.push(`${number}: birth date ${json.birth_date}`);
  const sex = +number[6] % 2 === 1 ? 'male' : 'female';
  if (json.sex !== sex) disagreements.push(`${number}: sex ${json.sex}`);
  if (json.check_code_verified !== birth < 20201001)
    disagreements.push(`${number}: check_code_verified ${json.check_code_verified}`);
}

const results = [
  compare('Taiwan (stdnum tw.natid + tw.ui, validid twid)', 'tw', taiwanNumbers()),
  compare('Hong Kong (stdnum hk.hkid, validid hkid)', 'hk', hongKongNumbers()),
  compare('Korea (stdnum kr.rrn, validid krid)', 'kr', koreaNumbers()),
  compare('Mainland 18 (stdnum cn.ric, validid cnid)', 'cn', mainlandNumbers()),
];

let failed = false;
for (const { name, compared, setAside, disagreements } of results) {
  console.log(`${name}: ${compared} numbers compared, ${disagreements.length} disagreements`);
  for (const [reason, count] of setAside) console.log(`  set aside ${count}: ${reason}`);
  for (const line of disagreements.slice(0, 20)) console.log(`  ${line}`);
  failed ||= disagreements.length > 0 || compared === 0;
}
process.exit(failed ? 1 : 0);
