#pragma once
// AES-256 in one place: a key prepared once, then blocks of 16 bytes
// enciphered under it (the forward cipher alone, as FF1 needs). Native builds
// take it from OpenSSL (aes_block_openssl.cpp); the WebAssembly build imports
// it from its host, node:crypto or an audited JavaScript package
// (aes_block_js.cpp). Neither is AES code of ours.
#include <array>
#include <cstddef>
#include <cstdint>

namespace kesmal {

class AesBlocks {
 public:
  explicit AesBlocks(const std::array<std::uint8_t, 32>& key);  // throws std::runtime_error
  ~AesBlocks();
  AesBlocks(AesBlocks&& other) noexcept;
  AesBlocks& operator=(AesBlocks&& other) noexcept;

  // Enciphers `blocks` blocks of 16 bytes from `in` to `out`; they may be the
  // same place. Throws std::runtime_error when the cipher fails.
  void Encipher(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);

 private:
  void* handle_;  // the implementation's prepared key; null once moved from
};

}  // namespace kesmal
