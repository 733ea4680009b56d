// The JavaScript API over the WebAssembly build (js/wasm/binding.cpp). Text
// crosses as UTF-8 through the module's input and output buffers; every call
// is synchronous once the module is ready.

const RULES = { classic: 1, current: 2 };
const JURISDICTIONS = ["tw", "hk", "cn", "cn15", "kr"];
const KEPT_FIELDS = { sex: 1, "birth-date": 2, "birth-year": 4, region: 8, province: 16 };
const MAKE_BLOCK = 4096;
const SCAN_CHUNK = 1 << 20; // UTF-16 units a scan encodes at a time
const SCAN_TAIL = 512; // the gap binding.cpp keeps before each chunk


function optionsObject(options, allowed, what) {
  if (options === undefined) return {};
  if (options === null || typeof options !== "object")
    throw new TypeError(`${what}: options must be an object`);
  for (const key of Object.keys(options))
    if (!allowed.includes(key)) throw new TypeError(`${what}: unknown option '${key}'`);
  return options;
}

function rulesCode(rules, what) {
  if (rules === undefined) return 0;
  if (!(rules in RULES) || typeof rules !== "string")
    throw new RangeError(`${what}: rules must be "classic" or "current", not ${JSON.stringify(rules)}`);
  return RULES[rules];
}

// What a masker does with a number wrong by its check character alone.
const NEAR_MISSES = { mask: 0, keep: 1, redact: 2 };

function nearMissesCode(value, what) {
  if (value === undefined) return NEAR_MISSES.mask;
  if (typeof value !== "string") throw new TypeError(`${what}: nearMisses must be "mask", "keep" or "redact"`);
  if (!Object.hasOwn(NEAR_MISSES, value))
    throw new RangeError(`${what}: nearMisses must be "mask", "keep" or "redact", not ${JSON.stringify(value)}`);
  return NEAR_MISSES[value];
}

function booleanOption(value, field, what) {
  if (value === undefined) return false;
  if (typeof value !== "boolean") throw new TypeError(`${what}: ${field} must be true or false`);
  return value;
}

// The `only` bits: a list such as "tw,hk" or ["tw", "hk"]; all when absent.
function onlyBits(only, what) {
  if (only === undefined) return 0b11111;
  const names = typeof only === "string" ? only.split(",") : only;
  if (!Array.isArray(names) || names.length === 0)
    throw new TypeError(`${what}: only must be a list of tw, hk, cn, cn15, kr`);
  let bits = 0;
  for (const name of names) {
    const index = JURISDICTIONS.indexOf(name);
    if (index < 0)
      throw new RangeError(`${what}: only holds ${JSON.stringify(name)}, not one of tw, hk, cn, cn15, kr`);
    bits |= 1 << index;
  }
  return bits;
}

function stringArgument(value, what) {
  if (typeof value !== "string") throw new TypeError(`${what}: the text must be a string`);
  return value;
}

export function bindKesmal(wasm) {
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  let capacity = 0;
  let input = 0;
  let heap = wasm.HEAPU8;

  // The input buffer at least `size` bytes long, and the heap as it is now.
  function reserve(size) {
    if (size > capacity) {
      capacity = Math.max(size, 65536);
      input = wasm._kesmal_input(capacity);
    }
    if (heap.buffer !== wasm.HEAPU8.buffer) heap = wasm.HEAPU8;
    return input;
  }

  // Writes a string's UTF-8 into the input buffer at `offset`; its length.
  function put(text, offset = 0) {
    const length = text.length;
    const at = reserve(offset + 3 * length) + offset;
    if (length <= 32) {
      let i = 0;
      for (; i < length; ++i) {
        const c = text.charCodeAt(i);
        if (c >= 0x80) break;
        heap[at + i] = c;
      }
      if (i === length) return length;
    }
    return encoder.encodeInto(text, heap.subarray(at, at + 3 * length)).written;
  }

  function output(length) {
    const at = wasm._kesmal_output();
    return decoder.decode(wasm.HEAPU8.subarray(at, at + length));
  }

  // Strings decoded once, by the id binding.cpp gives them.
  const interned = [];

  // ASCII bytes as a string, without a decoder's call for a short one.
  const codes = [];
  function ascii(at, length) {
    if (length > 32) return decoder.decode(heap.subarray(at, at + length));
    if (length > 12) {
      codes.length = length;
      for (let i = 0; i < length; ++i) codes[i] = heap[at + i];
      return String.fromCharCode.apply(null, codes);
    }
    let text = "";
    for (let i = 0; i < length; ++i) text += String.fromCharCode(heap[at + i]);
    return text;
  }

  function bytesText(at, length) {
    for (let i = 0; i < length; ++i) if (heap[at + i] >= 0x80) return decoder.decode(heap.subarray(at, at + length));
    return ascii(at, length);
  }

  // The records of binding.cpp's kesmal_check_records, read from `at`.
  let heap32 = null;
  let recordsAt = 0; // where binding.cpp leaves the records' and the output's addresses
  let next = 0; // the index in heap32 of the word to read
  let outputAt = 0;
  let checkedInput = "";
  let checkedUpper = null; // the input in capitals, once a report asks for it
  let checkedPlace = null; // the check's birthplace and upgrade, which its report repeats
  let checkedUpgrade = null;

  // The text the record at `next` refers to (kind in its low bits).
  function textOf(word) {
    switch (word & 15) {
      case 0: return interned[heap32[next++]];
      case 1: {
        const id = heap32[next];
        const value = bytesText(heap32[next + 1], heap32[next + 2]);
        next += 3;
        templates[id] = null; // kept as dense as the texts
        return (interned[id] = value);
      }
      case 2: {
        const value = bytesText(outputAt + heap32[next], heap32[next + 1]);
        next += 2;
        return value;
      }
      case 10: {
        const parts = template(heap32[next++]);
        let value = parts[0];
        for (let i = 1; i < parts.length; ++i) {
          const word = heap32[next++];
          value += (word & 15) === 0 ? interned[heap32[next++]] : textOf(word);
          value += parts[i];
        }
        return value;
      }
      case 11: return checkedUpper ?? (checkedUpper = checkedInput.toUpperCase());
      case 12: return checkedPlace;
      case 14: return checkedUpgrade;
      default: {
        const year = textOf(heap32[next++]);
        return year + textOf(heap32[next++]);
      }
    }
  }

  // A report's template split at its marks, kept by the id of its text.
  const templates = [];
  const MARKS = /[\x01\x02]/;
  function template(word) {
    if ((word & 15) === 0) {
      const id = heap32[next++];
      return templates[id] ?? (templates[id] = interned[id].split(MARKS));
    }
    const id = heap32[next];
    const parts = textOf(word).split(MARKS);
    if ((word & 15) === 1) templates[id] = parts;
    return parts;
  }

  function value(word) {
    switch (word & 15) {
      case 3: return true;
      case 4: return false;
      case 5: return null;
      default: return textOf(word);
    }
  }

  // Text known by its id, read inline; any other through textOf.
  function text(word) {
    return (word & 15) === 0 ? interned[heap32[next++]] : textOf(word);
  }

  // A fault's object: code, message and for a check character the expected one.
  function fault(end) {
    const code = text(heap32[next++]);
    const message = text(heap32[next++]);
    if (next < end && (heap32[next] & 15) !== 8) {
      const expected = text(heap32[next++]);
      ++next; // the item's end
      return { code, message, expected };
    }
    ++next;
    return { code, message };
  }

  // The fields of a check's object (bits by field number) for the shapes most
  // checks have, each built whole by an object literal of its own.
  const FIELD = { jurisdiction: 2, valid: 3, faults: 4, birthplace: 8, region_code: 9, birth_date: 10,
    not_yet_born: 11, record_age: 12, sex: 13, upgrade: 14, report: 17 };
  const bits = (...names) => names.reduce((mask, name) => mask | (1 << FIELD[name]), 0);
  const PLAIN = bits("jurisdiction", "valid", "faults", "report");
  const PLACE_SEX = PLAIN | bits("birthplace", "sex");
  const DATED = PLAIN | bits("birth_date", "not_yet_born", "record_age", "sex");
  const REGIONAL = DATED | bits("birthplace", "region_code");
  const UPGRADED = REGIONAL | bits("upgrade");
  const KEYS = [];
  for (const [key, field] of Object.entries({ rules: 1, ...FIELD, kind: 15, check_code_verified: 16 }))
    KEYS[field] = key;
  const order = new Int32Array(32); // the fields of a check in turn, for another shape
  const values = [];

  // The object of the records, in the JSON's key order.
  function fromRecords(input, words) {
    // Views of a heap the module has grown since are detached, and have no
    // length; a view's length is read faster than its buffer.
    if (heap32 === null || heap32.length === 0) {
      if (heap.length === 0) heap = wasm.HEAPU8;
      heap32 = new Int32Array(heap.buffer);
      recordsAt = wasm._kesmal_records_at() >> 2;
    }
    next = heap32[recordsAt] >> 2;
    outputAt = heap32[recordsAt + 1];
    const end = next + words;
    checkedInput = input;
    checkedUpper = printableLower ? null : input; // printable ASCII: in capitals already
    checkedPlace = null;
    checkedUpgrade = null;
    let jurisdiction = null, valid = null, faults = null, birthplace = null, regionCode = null, birthDate = null;
    let notYetBorn = null, recordAge = null, sex = null, report = null;
    let fields = 0;
    let count = 0;
    while (next < end) {
      const word = heap32[next++];
      const field = word >> 4;
      fields |= 1 << field;
      order[count++] = field;
      switch (field) {
        case 2: jurisdiction = value(word); break;
        case 3: valid = value(word); break;
        case 4: {
          // Most lists hold no fault or one: a literal of their length.
          if ((heap32[next] & 15) !== 7) {
            faults = [];
          } else {
            ++next;
            faults = [fault(end)];
            while ((heap32[next] & 15) === 7) {
              ++next;
              faults.push(fault(end));
            }
          }
          ++next; // the list's end
          break;
        }
        case 8: birthplace = checkedPlace = value(word); break;
        case 9: regionCode = text(word); break;
        case 10: birthDate = text(word); break;
        case 11: notYetBorn = value(word); break;
        case 12: recordAge = value(word); break;
        case 13: sex = text(word); break;
        case 14: checkedUpgrade = text(word); break;
        case 17: report = text(word); break;
        case 1: case 15: case 16: values[field] = value(word); break;
        default: throw new Error("check: an unknown record " + word);
      }
    }
    switch (fields) {
      case PLAIN: return { input, jurisdiction, valid, faults, report };
      case PLACE_SEX: return { input, jurisdiction, valid, faults, birthplace, sex, report };
      case DATED:
        return { input, jurisdiction, valid, faults, birth_date: birthDate, not_yet_born: notYetBorn,
          record_age: recordAge, sex, report };
      case REGIONAL:
        return { input, jurisdiction, valid, faults, birthplace, region_code: regionCode, birth_date: birthDate,
          not_yet_born: notYetBorn, record_age: recordAge, sex, report };
      case UPGRADED:
        return { input, jurisdiction, valid, faults, birthplace, region_code: regionCode, birth_date: birthDate,
          not_yet_born: notYetBorn, record_age: recordAge, sex, upgrade: checkedUpgrade, report };
    }
    values[2] = jurisdiction; values[3] = valid; values[4] = faults; values[8] = birthplace;
    values[9] = regionCode; values[10] = birthDate; values[11] = notYetBorn; values[12] = recordAge;
    values[13] = sex; values[14] = checkedUpgrade; values[17] = report;
    const object = { input };
    for (let i = 0; i < count; ++i) object[KEYS[order[i]]] = values[order[i]];
    return object;
  }

  // A printable ASCII input of up to 64 characters, written byte by byte
  // into the input buffer: its length, or -1 for another input. Whether it
  // holds a small letter goes to printableLower.
  let printableLower = false;
  function putPrintable(text) {
    const length = text.length;
    if (length > 64) return -1;
    // A heap the module has grown since is detached, and has no length.
    const at = capacity >= 64 && heap.length !== 0 ? input : reserve(64);
    let lower = 0;
    for (let i = 0; i < length; ++i) {
      const c = text.charCodeAt(i);
      if (c < 0x20 || c > 0x7e) return -1;
      lower |= c - 0x61 >>> 0 < 26 ? 1 : 0;
      heap[at + i] = c;
    }
    printableLower = lower !== 0;
    return length;
  }

  // Checks judge birth dates by today's date, which binding.cpp reads again
  // (READ_TODAY) at the first check of each turn of the event loop.
  const READ_TODAY = 4;
  let todayRead = false;
  function readingToday(code) {
    if (todayRead) return code;
    todayRead = true;
    queueMicrotask(() => {
      todayRead = false;
    });
    return code | READ_TODAY;
  }

  function check(text, options) {
    stringArgument(text, "check");
    const code = readingToday(
      options === undefined ? 0 : rulesCode(optionsObject(options, ["rules"], "check").rules, "check"),
    );
    const printable = putPrintable(text);
    if (printable >= 0) {
      const words = wasm._kesmal_check_records(printable, code);
      if (words >= 0) return fromRecords(text, words);
    }
    const length = wasm._kesmal_check(put(text), code);
    if (length < 0) throw new Error("check: " + output(wasm._kesmal_output_length()));
    return JSON.parse(output(length));
  }

  function isValid(text, options) {
    stringArgument(text, "isValid");
    const code = options === undefined ? 0 : rulesCode(optionsObject(options, ["rules"], "isValid").rules, "isValid");
    return wasm._kesmal_is_valid(put(text), code) === 1;
  }

  const MAKE_FIELDS = ["jurisdiction", "count", "seed", "sex", "region", "length", "birth", "age", "unique", "invalid"];

  // The request's words for binding.cpp: the jurisdiction, then each field
  // and its value. Values of the wrong type are refused here, values
  // the library refuses are refused there, both naming the field.
  function makeWords(request) {
    optionsObject(request, MAKE_FIELDS, "make");
    if (request === undefined || typeof request.jurisdiction !== "string")
      throw new TypeError("make: jurisdiction must be one of tw, hk, cn, cn15, kr");
    const words = [request.jurisdiction];
    for (const field of MAKE_FIELDS.slice(1)) {
      const value = request[field];
      if (value === undefined || value === false) continue;
      if (field === "unique") {
        if (value !== true) throw new TypeError("make: unique must be true or false");
        words.push("unique", "");
        continue;
      }
      if (field === "count" || field === "seed" || field === "length") {
        if (typeof value !== "number" && typeof value !== "bigint")
          throw new TypeError(`make: ${field} must be a number`);
        if (typeof value === "number" && !Number.isSafeInteger(value))
          throw new RangeError(`make: ${field} must be a whole number, not ${value}`);
      } else if (typeof value !== "string") {
        throw new TypeError(`make: ${field} must be a string`);
      }
      words.push(field, String(value));
    }
    return words;
  }

  // The library's refusal, named by the field it gives before a NUL, or by
  // `field`.
  function refusal(what, field) {
    const message = output(wasm._kesmal_output_length());
    const cut = message.indexOf("\0");
    if (cut < 0) return new RangeError(`${what}: ${field}: ${message}`);
    const name = message.slice(0, cut).replace(/-([a-z])/g, (_, c) => c.toUpperCase());
    return new RangeError(`${what}: ${name}: ${message.slice(cut + 1)}`);
  }

  // The numbers of a request, made a block at a time as they are read.
  function make(request) {
    const words = makeWords(request);
    const text = words.join("\0") + "\0";
    const stream = wasm._kesmal_make_new(put(text));
    if (stream === 0) throw refusal("make", "jurisdiction");
    let block = [];
    let next = 0;
    let done = false;
    const finish = () => {
      if (!done) {
        wasm._kesmal_make_free(stream);
        streams?.unregister(iterator);
      }
      done = true;
      block = [];
      next = 0;
    };
    const iterator = {
      next() {
        if (next >= block.length) {
          if (done) return { done: true, value: undefined };
          const made = wasm._kesmal_make_next(stream, MAKE_BLOCK);
          if (made === 0) {
            finish();
            return { done: true, value: undefined };
          }
          block = output(wasm._kesmal_output_length()).split("\n", made);
          next = 0;
        }
        return { done: false, value: block[next++] };
      },
      // The next block of numbers not yet read, each ended by a line feed, as
      // one string; null after the last.
      nextBlock() {
        if (next < block.length) {
          const rest = block.slice(next).join("\n") + "\n";
          next = block.length;
          return rest;
        }
        if (done) return null;
        const made = wasm._kesmal_make_next(stream, MAKE_BLOCK);
        if (made === 0) {
          finish();
          return null;
        }
        return output(wasm._kesmal_output_length());
      },
      return(value) {
        finish();
        return { done: true, value };
      },
      [Symbol.iterator]() {
        return this;
      },
    };
    streams?.register(iterator, stream, iterator);
    return iterator;
  }
  // Streams read to their end are freed there, the rest once collected.
  const streams =
    typeof FinalizationRegistry === "function" ? new FinalizationRegistry((stream) => wasm._kesmal_make_free(stream)) : null;

  const SCAN_FIELDS = ["rules", "nearMisses", "implausible", "only"];

  // Every number found in the text: its place as string indexes (start and
  // end, end excluded), as written, canonical, its jurisdiction, and whether
  // it is valid (false for a near miss) and plausible; `check` its report.
  function scan(text, options) {
    stringArgument(text, "scan");
    const o = optionsObject(options, SCAN_FIELDS, "scan");
    const rules = rulesCode(o.rules, "scan");
    const session = wasm._kesmal_scan_new(
      rules,
      booleanOption(o.nearMisses, "nearMisses", "scan"),
      booleanOption(o.implausible, "implausible", "scan"),
      onlyBits(o.only, "scan"),
    );
    const findings = [];
    const checkOptions = o.rules === undefined ? undefined : { rules: o.rules };
    try {
      let from = 0;
      do {
        let to = Math.min(text.length, from + SCAN_CHUNK);
        // A chunk never ends between the halves of a surrogate pair.
        if (to < text.length && (text.charCodeAt(to - 1) & 0xfc00) === 0xd800) --to;
        const bytes = put(text.slice(from, to), SCAN_TAIL);
        const found = wasm._kesmal_scan_feed(session, bytes, from, to === text.length ? 1 : 0);
        if (found > 0) {
          const records = new Uint32Array(wasm.HEAPU8.buffer, wasm._kesmal_scan_records(session), 4 * found);
          const numbersAt = wasm._kesmal_scan_numbers(session);
          const numbers = decoder.decode(wasm.HEAPU8.subarray(numbersAt, numbersAt + wasm._kesmal_scan_numbers_length(session))).split("\n", found);
          for (let i = 0; i < found; ++i) {
            const start = records[4 * i];
            const end = records[4 * i + 1];
            const flags = records[4 * i + 3];
            findings.push(
              new Finding(start, end, text.slice(start, end), numbers[i], JURISDICTIONS[records[4 * i + 2]],
                (flags & 1) === 1, (flags & 2) === 2, checkOptions),
            );
          }
        }
        from = to;
      } while (from < text.length);
    } finally {
      wasm._kesmal_scan_free(session);
    }
    return findings;
  }

  class Finding {
    constructor(start, end, text, number, jurisdiction, valid, plausible, checkOptions) {
      this.start = start;
      this.end = end;
      this.text = text;
      this.number = number;
      this.jurisdiction = jurisdiction;
      this.valid = valid;
      this.plausible = plausible;
      Object.defineProperty(this, "checkOptions", { value: checkOptions });
    }
    // The check of the number under the scan's rules, made when read.
    get check() {
      return check(this.number, this.checkOptions);
    }
  }

  const MASK_FIELDS = ["keep", "redact", "reverse", "rules", "only", "implausible", "nearMisses"];

  // A key of 32 bytes, or a key file's text: 64 hexadecimal digits and a
  // line end.
  function keyBytes(key) {
    if (typeof key === "string") key = encoder.encode(key);
    if (key instanceof ArrayBuffer) key = new Uint8Array(key);
    if (!(key instanceof Uint8Array)) throw new TypeError("Masker: key must be 32 bytes (a Uint8Array) or a key file's text");
    if (key.length === 32) return key;
    let text = decoder.decode(key);
    if (text.endsWith("\r\n")) text = text.slice(0, -2);
    else if (text.endsWith("\n")) text = text.slice(0, -1);
    if (!/^[0-9a-fA-F]{64}$/.test(text))
      throw new RangeError("Masker: key: a key holds 32 bytes, or 64 hexadecimal digits and a line end");
    const bytes = new Uint8Array(32);
    for (let i = 0; i < 32; ++i) bytes[i] = parseInt(text.slice(2 * i, 2 * i + 2), 16);
    return bytes;
  }

  // Masks numbers in text as `kesmal-cli mask` does: pseudonyms under a key,
  // or with `redact` (and no key) asterisks but for the kept fields.
  class Masker {
    #options = 0;
    constructor(key, options) {
      const o = optionsObject(options, MASK_FIELDS, "Masker");
      const redact = booleanOption(o.redact, "redact", "Masker");
      if (redact && key != null) throw new TypeError("Masker: redact takes no key (pass null)");
      if (!redact) {
        const bytes = keyBytes(key);
        heap.set(bytes, reserve(32));
      }
      let keep = 0;
      if (o.keep !== undefined) {
        const names = typeof o.keep === "string" ? o.keep.split(",") : o.keep;
        if (!Array.isArray(names)) throw new TypeError("Masker: keep must be a list of fields");
        for (const name of names) {
          if (!(name in KEPT_FIELDS) || typeof name !== "string")
            throw new RangeError(`Masker: keep holds ${JSON.stringify(name)}, not one of sex, birth-date, birth-year, region, province`);
          keep |= KEPT_FIELDS[name];
        }
      }
      this.#options = wasm._kesmal_masker_new(
        redact ? 1 : 0, keep, booleanOption(o.reverse, "reverse", "Masker") ? 1 : 0,
        rulesCode(o.rules, "Masker"), onlyBits(o.only, "Masker"),
        booleanOption(o.implausible, "implausible", "Masker") ? 1 : 0,
        nearMissesCode(o.nearMisses, "Masker"),
      );
      if (!redact) heap.fill(0, input, input + 32);
      if (this.#options === 0) throw new RangeError("Masker: " + output(wasm._kesmal_output_length()));
      maskers?.register(this, this.#options, this);
    }

    // The text with every number found masked, every other character kept.
    text(text) {
      stringArgument(text, "Masker.text");
      if (this.#options === 0) throw new TypeError("Masker: disposed");
      const length = wasm._kesmal_mask_text(this.#options, put(text));
      if (length < 0) throw new Error("Masker: " + output(wasm._kesmal_output_length()));
      return output(length);
    }

    // Frees the masker's copy of its options at once.
    dispose() {
      if (this.#options !== 0) {
        wasm._kesmal_masker_free(this.#options);
        maskers?.unregister(this);
      }
      this.#options = 0;
    }
  }
  // A masker not disposed of is freed, its key wiped, once collected.
  const maskers =
    typeof FinalizationRegistry === "function" ? new FinalizationRegistry((options) => wasm._kesmal_masker_free(options)) : null;

  // What the generation panels offer: Taiwan's letters with the places they
  // name, and the mainland's provinces with their listed regions.
  function regions() {
    const { taiwan, mainland } = JSON.parse(output(wasm._kesmal_regions()));
    return {
      taiwan: taiwan.map(([letter, name]) => ({ letter, name })),
      mainland: mainland.map(([code, name, counties]) => ({
        code,
        name,
        regions: counties.map(([code, name]) => ({ code, name })),
      })),
    };
  }

  return { check, isValid, make, scan, Masker, regions };
}
