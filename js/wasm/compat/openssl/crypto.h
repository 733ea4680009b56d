#pragma once
// The WebAssembly build has no OpenSSL; the library takes only this from its
// crypto.h: memory wiped so that the compiler cannot leave the wiping out.
#include <cstddef>

inline void OPENSSL_cleanse(void* data, std::size_t size) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}
