// UTF-8 into GBK for the WebAssembly build (see compat/iconv.h): a table from
// each character to its two GBK bytes, made once by decoding every GBK pair
// with musl's iconv.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#undef iconv_open
#undef iconv
#undef iconv_close

namespace {

// The one handle that encodes GBK; musl's handles are small integers or
// pointers, never this address.
char gbkEncoder;
iconv_t GbkHandle() { return reinterpret_cast<iconv_t>(&gbkEncoder); }

const std::unordered_map<std::uint32_t, std::uint16_t>& GbkOf() {
  static const auto table = [] {
    std::unordered_map<std::uint32_t, std::uint16_t> map;
    iconv_t decoder = iconv_open("UTF-32LE", "GBK");
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char* in = pair;
        std::size_t inLeft = 2;
        std::uint32_t code = 0;
        char* out = reinterpret_cast<char*>(&code);
        std::size_t outLeft = 4;
        iconv(decoder, nullptr, nullptr, nullptr, nullptr);
        if (iconv(decoder, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) &&
            outLeft == 0 && code >= 0x80)
          map.emplace(code, static_cast<std::uint16_t>(lead << 8 | trail));
      }
    }
    iconv_close(decoder);
    return map;
  }();
  return table;
}

// The character at the start of UTF-8 text and its length; 0 for a length
// when the sequence is not whole or not well formed.
std::uint32_t Decode(const unsigned char* s, std::size_t left, std::size_t& length) {
  length = 0;
  const unsigned lead = s[0];
  const std::size_t need = lead < 0x80   ? 1
                           : lead < 0xC2 ? 0
                           : lead < 0xE0 ? 2
                           : lead < 0xF0 ? 3
                           : lead < 0xF5 ? 4
                                         : 0;
  if (need == 0 || need > left) return 0;
  std::uint32_t code = need == 1 ? lead : lead & (0x7F >> need);
  for (std::size_t i = 1; i < need; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (s[i] & 0x3F);
  }
  const bool overlong = (need == 3 && code < 0x800) || (need == 4 && code < 0x10000);
  if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  length = need;
  return code;
}

}  // namespace

extern "C" {

iconv_t kesmal_iconv_open(const char* to, const char* from) {
  if (std::strcmp(to, "GBK") == 0 && std::strcmp(from, "UTF-8") == 0) return GbkHandle();
  return iconv_open(to, from);
}

size_t kesmal_iconv(iconv_t handle, char** in, size_t* inLeft, char** out, size_t* outLeft) {
  if (handle != GbkHandle()) return iconv(handle, in, inLeft, out, outLeft);
  if (!in || !*in) return 0;
  const auto& table = GbkOf();
  while (*inLeft > 0) {
    std::size_t length;
    const std::uint32_t code = Decode(reinterpret_cast<const unsigned char*>(*in), *inLeft, length);
    if (length == 0) {
      errno = *inLeft < 4 && static_cast<unsigned char>(**in) >= 0xC2 ? EINVAL : EILSEQ;
      return static_cast<size_t>(-1);
    }
    std::uint16_t gbk = 0;
    if (code >= 0x80) {
      const auto found = table.find(code);
      if (found == table.end()) {
        errno = EILSEQ;
        return static_cast<size_t>(-1);
      }
      gbk = found->second;
    }
    const std::size_t size = code < 0x80 ? 1 : 2;
    if (*outLeft < size) {
      errno = E2BIG;
      return static_cast<size_t>(-1);
    }
    if (size == 1) {
      *(*out)++ = static_cast<char>(code);
    } else {
      *(*out)++ = static_cast<char>(gbk >> 8);
      *(*out)++ = static_cast<char>(gbk & 0xFF);
    }
    *outLeft -= size;
    *in += length;
    *inLeft -= length;
  }
  return 0;
}

int kesmal_iconv_close(iconv_t handle) { return handle == GbkHandle() ? 0 : iconv_close(handle); }

}  // extern "C"
