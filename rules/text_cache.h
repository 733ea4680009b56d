#pragma once
// Report text a batch of checks writes again and again, made once per process
// in both encodings.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "rules/report_text.h"

namespace kesmal {

struct BothTexts {
  std::string gbk;
  std::string utf8;
};

// One slot a text; a slot is filled at most once for good, and two threads
// that fill it at once keep the first text stored.
template <std::size_t Slots>
class TextCache {
 public:
  // make() gives the slot's BothTexts the first time the slot is asked for.
  // A reference, for the reason Text gives.
  template <typename Make>
  const Text& At(std::size_t slot, Make make) {
    const Entry* entry = slots_[slot].load(std::memory_order_acquire);
    if (!entry) entry = Fill(slot, make());
    return entry->text;
  }

 private:
  struct Entry {
    explicit Entry(BothTexts made) : texts(std::move(made)), text(texts.gbk, texts.utf8) {}
    BothTexts texts;
    Text text;  // views of texts
  };

  const Entry* Fill(std::size_t slot, BothTexts texts) {
    auto made = std::make_unique<Entry>(std::move(texts));
    const Entry* expected = nullptr;
    if (slots_[slot].compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
      return made.release();
    return expected;
  }

  std::atomic<const Entry*> slots_[Slots] = {};
};

}  // namespace kesmal
