// AES-256 for the masker's FF1 from node:crypto (OpenSSL inside Node).
import { createCipheriv } from "node:crypto";

export function nodeAes() {
  const ciphers = new Map();
  let next = 1;
  return {
    prepare(key) {
      const cipher = createCipheriv("aes-256-ecb", key, null);
      cipher.setAutoPadding(false);
      key.fill(0);
      ciphers.set(next, cipher);
      return next++;
    },
    release(handle) {
      ciphers.delete(handle);
    },
    encipher(handle, heap, input, output, bytes) {
      heap.set(ciphers.get(handle).update(heap.subarray(input, input + bytes)), output);
    },
  };
}
