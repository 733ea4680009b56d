// The package kesmal: identity-card numbers of Taiwan, Hong Kong, mainland
// China and Korea, checked, made, found and masked.

export type Jurisdiction = "tw" | "hk" | "cn" | "cn15" | "kr";
export type Rules = "classic" | "current";

/** Resolved once the module is compiled; every call after it is synchronous. */
export const ready: Promise<void>;

export interface Fault {
  code: string;
  message: string;
  expected?: string;
}

/** The object `kesmal-cli check --json` prints, parsed. */
export interface CheckReport {
  input: string;
  rules?: Rules;
  jurisdiction: Jurisdiction | null;
  valid: boolean | null;
  faults: Fault[];
  kind?: string;
  birthplace?: string | null;
  region_code?: string;
  birth_date?: string;
  not_yet_born?: boolean;
  record_age?: boolean;
  sex?: "male" | "female";
  upgrade?: string;
  check_code_verified?: boolean;
  report: string;
}

export function check(text: string, options?: { rules?: Rules }): CheckReport;
export function isValid(text: string, options?: { rules?: Rules }): boolean;

/** The options of `kesmal-cli make`, camelCase. */
export interface MakeRequest {
  jurisdiction: Jurisdiction;
  count?: number | bigint;
  seed?: number;
  sex?: "male" | "female";
  /** tw: a letter A to Z; cn, cn15: a six-digit listed region code */
  region?: string;
  /** hk: 8 or 9 */
  length?: number;
  /** YYYY-MM-DD, or a range FROM..TO (either end may be left open) */
  birth?: string;
  /** MIN-MAX years */
  age?: string;
  unique?: boolean;
  /** a fault code: numbers the check rejects with that fault */
  invalid?: string;
}

/** The numbers, made a block at a time as they are read. */
export interface Numbers extends IterableIterator<string> {
  /** The next block of numbers, each ended by a line feed, in one string; null after the last. */
  nextBlock(): string | null;
}
export function make(request: MakeRequest): Numbers;

export interface ScanOptions {
  rules?: Rules;
  nearMisses?: boolean;
  implausible?: boolean;
  only?: Jurisdiction[] | string;
}

export interface Finding {
  /** string indexes (UTF-16 units), end excluded */
  start: number;
  end: number;
  /** as written */
  text: string;
  /** canonical: ASCII capitals, no hyphen, space or bracket */
  number: string;
  jurisdiction: Jurisdiction;
  valid: boolean;
  plausible: boolean;
  /** the number's check under the scan's rules */
  readonly check: CheckReport;
}

export function scan(text: string, options?: ScanOptions): Finding[];

export type KeptField = "sex" | "birth-date" | "birth-year" | "region" | "province";

export interface MaskOptions {
  keep?: KeptField[] | string;
  /** asterisks instead of pseudonyms; the key is then null */
  redact?: boolean;
  reverse?: boolean;
  rules?: Rules;
  only?: Jurisdiction[] | string;
  implausible?: boolean;
  /** numbers wrong by their check character alone: masked as near misses (the default,
   *  restored by reverse), kept as they are, or redacted for good */
  nearMisses?: "mask" | "keep" | "redact";
}

/** Masks text as `kesmal-cli mask` does, pseudonyms equal byte for byte. */
export class Masker {
  /** key: 32 bytes, or a key file's text (64 hexadecimal digits and a line end) */
  constructor(key: Uint8Array | ArrayBuffer | string | null, options?: MaskOptions);
  text(text: string): string;
  dispose(): void;
}

/** What generation offers: Taiwan's letters, the mainland's provinces and their listed regions. */
export function regions(): {
  taiwan: { letter: string; name: string }[];
  mainland: { code: string; name: string; regions: { code: string; name: string }[] }[];
};
