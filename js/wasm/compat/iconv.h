#pragma once
// The WebAssembly build's iconv: Emscripten's (musl's) decodes GBK but cannot
// encode it, so conversions into GBK go to iconv_gbk.cpp, which encodes by
// the inverse of musl's own GBK decoding; every other conversion is musl's.
#pragma clang diagnostic ignored "-Wgnu-include-next"
#include_next <iconv.h>

extern "C" {
iconv_t kesmal_iconv_open(const char* to, const char* from);
size_t kesmal_iconv(iconv_t handle, char** in, size_t* inLeft, char** out, size_t* outLeft);
int kesmal_iconv_close(iconv_t handle);
}

#define iconv_open kesmal_iconv_open
#define iconv kesmal_iconv
#define iconv_close kesmal_iconv_close
