// The package in browsers: AES from @noble/ciphers, bundled. The module is compiled while
// the package is imported; `ready` is kept for code written to await it.
import createKesmalWasm from "./kesmal_wasm.js";
import { bindKesmal } from "./core.js";
import { browserAes } from "./aes_browser.js";

const api = bindKesmal(await createKesmalWasm({ kesmalAes: browserAes() }));

export const ready = Promise.resolve();
export const { check, isValid, make, scan, Masker, regions } = api;
