// AES-256 for the masker's FF1 in browsers: WebCrypto offers no synchronous
// block cipher, so it comes from @noble/ciphers (audited), bundled with the
// package.
import { ecb } from "./vendor/noble-aes.js";

// A cipher object of the package encrypts once (it guards against reusing a
// nonce), so each call makes its own from the key, which it expands anyway.
export function browserAes() {
  const keys = new Map();
  let next = 1;
  return {
    prepare(key) {
      keys.set(next, key);
      return next++;
    },
    release(handle) {
      keys.get(handle)?.fill(0);
      keys.delete(handle);
    },
    encipher(handle, heap, input, output, bytes) {
      const cipher = ecb(keys.get(handle), { disablePadding: true });
      heap.set(cipher.encrypt(heap.slice(input, input + bytes)), output);
    },
  };
}
