#pragma once
// Included before every source of the WebAssembly build. Emscripten's libc++
// (version 13 in Debian's emscripten 3.1.6) lacks std::bit_cast and the range
// algorithms; these stand in for the few the library calls, with the same
// arguments (a range, a value or predicate, a projection). Newer libc++ has
// its own.
#include <ciso646>
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000
#include <bit>

namespace std {

template <typename To, typename From>
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}

}  // namespace std
#endif

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000
#include <functional>
#include <iterator>
#include <utility>

namespace std::ranges {

template <typename Range, typename Value, typename Projection = std::identity>
constexpr auto find(Range&& range, const Value& value, Projection projection = {}) {
  auto it = std::begin(range);
  for (const auto end = std::end(range); it != end; ++it)
    if (std::invoke(projection, *it) == value) break;
  return it;
}

template <typename Range, typename Predicate, typename Projection = std::identity>
constexpr auto find_if(Range&& range, Predicate predicate, Projection projection = {}) {
  auto it = std::begin(range);
  for (const auto end = std::end(range); it != end; ++it)
    if (std::invoke(predicate, std::invoke(projection, *it))) break;
  return it;
}

template <typename Range, typename Predicate, typename Projection = std::identity>
constexpr bool all_of(Range&& range, Predicate predicate, Projection projection = {}) {
  for (auto&& element : range)
    if (!std::invoke(predicate, std::invoke(projection, element))) return false;
  return true;
}

template <typename Range, typename Value, typename Projection = std::identity>
constexpr std::ptrdiff_t count(Range&& range, const Value& value, Projection projection = {}) {
  std::ptrdiff_t n = 0;
  for (auto&& element : range) n += std::invoke(projection, element) == value;
  return n;
}

}  // namespace std::ranges
#endif
