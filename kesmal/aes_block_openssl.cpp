#include <openssl/evp.h>

#include <stdexcept>
#include <utility>

#include "kesmal/aes_block.h"

namespace kesmal {
namespace {

EVP_CIPHER_CTX* Context(void* handle) { return static_cast<EVP_CIPHER_CTX*>(handle); }

}  // namespace

AesBlocks::AesBlocks(const std::array<std::uint8_t, 32>& key) : handle_(EVP_CIPHER_CTX_new()) {
  EVP_CIPHER* const aes = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
  const bool ready =
      handle_ && aes &&
      EVP_EncryptInit_ex2(Context(handle_), aes, key.data(), nullptr, nullptr) == 1 &&
      EVP_CIPHER_CTX_set_padding(Context(handle_), 0) == 1;
  EVP_CIPHER_free(aes);
  if (!ready) {
    EVP_CIPHER_CTX_free(Context(handle_));
    throw std::runtime_error("FF1: OpenSSL could not set up AES-256");
  }
}

AesBlocks::~AesBlocks() { EVP_CIPHER_CTX_free(Context(handle_)); }

AesBlocks::AesBlocks(AesBlocks&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

AesBlocks& AesBlocks::operator=(AesBlocks&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

void AesBlocks::Encipher(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
  const int bytes = static_cast<int>(16 * blocks);
  int written = 0;
  if (EVP_EncryptUpdate(Context(handle_), out, &written, in, bytes) != 1 || written != bytes)
    throw std::runtime_error("FF1: AES-256 failed");
}

}  // namespace kesmal
