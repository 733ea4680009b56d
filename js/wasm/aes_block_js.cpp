// AES-256 for the WebAssembly build, imported from the host: node:crypto in
// Node, an audited JavaScript package in browsers (js/src/aes_*.js). The key
// is handed over once and held there; blocks cross by their address.
#include <emscripten.h>

#include <stdexcept>
#include <utility>

#include "kesmal/aes_block.h"

extern "C" {
// A handle above 0 for the prepared key, or 0 when the host failed.
int kesmal_aes_prepare(const std::uint8_t* key);
void kesmal_aes_release(int handle);
// 0 on success.
int kesmal_aes_encipher(int handle, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
}

namespace kesmal {
namespace {

int Handle(void* handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle)); }

}  // namespace

AesBlocks::AesBlocks(const std::array<std::uint8_t, 32>& key)
    : handle_(reinterpret_cast<void*>(static_cast<std::intptr_t>(kesmal_aes_prepare(key.data())))) {
  if (!handle_) throw std::runtime_error("FF1: the host could not set up AES-256");
}

AesBlocks::~AesBlocks() {
  if (handle_) kesmal_aes_release(Handle(handle_));
}

AesBlocks::AesBlocks(AesBlocks&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

AesBlocks& AesBlocks::operator=(AesBlocks&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

void AesBlocks::Encipher(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
  if (kesmal_aes_encipher(Handle(handle_), in, out, blocks) != 0)
    throw std::runtime_error("FF1: AES-256 failed");
}

}  // namespace kesmal
