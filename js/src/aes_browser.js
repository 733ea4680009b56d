// AES-256 for the masker's FF1 in browsers: WebCrypto offers no synchronous
// block cipher, so it comes from @noble/ciphers (audited), bundled with the
// package.
import { ecb } from "./vendor/noble-aes.js";

export function browserAes() {
  const ciphers = new Map();
  let next = 1;
  return {
    prepare(key) {
      ciphers.set(next, ecb(key, { disablePadding: true }));
      return next++;
    },
    release(handle) {
      ciphers.delete(handle);
    },
    encipher(handle, heap, input, output, bytes) {
      heap.set(ciphers.get(handle).encrypt(heap.slice(input, input + bytes)), output);
    },
  };
}
