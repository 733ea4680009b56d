// The package in Node: AES from node:crypto. The module is compiled while
// the package is imported; `ready` is kept for code written to await it.
import createKesmalWasm from "./kesmal_wasm.js";
import { bindKesmal } from "./core.js";
import { nodeAes } from "./aes_node.js";

const api = bindKesmal(await createKesmalWasm({ kesmalAes: nodeAes() }));

export const ready = Promise.resolve();
export const { check, isValid, make, scan, Masker, regions } = api;
