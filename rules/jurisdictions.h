#pragma once
// The jurisdictions, each once: the name the command line, scripts and records
// use ("tw"), the title its make command shows in help, and its row in the
// window's list. Every table that names a jurisdiction reads this one.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "rules/id_report.h"

namespace kesmal {

struct JurisdictionEntry {
  Jurisdiction jurisdiction;
  std::string_view name;  // a string literal: name.data() ends in a NUL
  std::string_view title;
  int row;  // in the window's list, or kNoWindowRow
};

// The window lists the forms it makes; the old mainland form is not one.
inline constexpr int kNoWindowRow = -1;

// In the enumeration's order, which is also the order of JurisdictionSet's
// bits and of the summaries that count by jurisdiction.
inline constexpr JurisdictionEntry kJurisdictions[] = {
    {Jurisdiction::Taiwan, "tw", "Taiwan", 0},
    {Jurisdiction::HongKong, "hk", "Hong Kong", 1},
    {Jurisdiction::China, "cn", "mainland China, 18 characters", 2},
    {Jurisdiction::ChinaOld, "cn15", "mainland China, old 15-digit form, born 1900 to 1999",
     kNoWindowRow},
    {Jurisdiction::Korea, "kr", "Korea", 3},
};

inline constexpr std::size_t kJurisdictionCount = std::size(kJurisdictions);

inline constexpr const JurisdictionEntry& EntryOf(Jurisdiction jurisdiction) {
  return kJurisdictions[static_cast<std::size_t>(jurisdiction)];
}

// "tw" for Jurisdiction::Taiwan.
inline constexpr std::string_view NameOf(Jurisdiction jurisdiction) {
  return EntryOf(jurisdiction).name;
}

// None for a name no jurisdiction has; names are matched byte for byte.
inline constexpr std::optional<Jurisdiction> JurisdictionNamed(std::string_view name) {
  for (const JurisdictionEntry& entry : kJurisdictions)
    if (entry.name == name) return entry.jurisdiction;
  return std::nullopt;
}

// Rows 0 to kWindowRowCount - 1 of the window's list.
inline constexpr int kWindowRowCount = [] {
  int rows = 0;
  for (const JurisdictionEntry& entry : kJurisdictions) rows += entry.row != kNoWindowRow;
  return rows;
}();

inline constexpr int RowOf(Jurisdiction jurisdiction) { return EntryOf(jurisdiction).row; }

// The order the command line lists them in: the window's rows, then the forms
// the window does not make, in the enumeration's order.
inline constexpr std::array<Jurisdiction, kJurisdictionCount> kListOrder = [] {
  std::array<Jurisdiction, kJurisdictionCount> order{};
  std::size_t next = 0;
  for (int row = 0; row < kWindowRowCount; ++row)
    for (const JurisdictionEntry& entry : kJurisdictions)
      if (entry.row == row) order[next++] = entry.jurisdiction;
  for (const JurisdictionEntry& entry : kJurisdictions)
    if (entry.row == kNoWindowRow) order[next++] = entry.jurisdiction;
  return order;
}();

namespace detail {

constexpr bool JurisdictionsAreSound() {
  for (std::size_t i = 0; i < kJurisdictionCount; ++i) {
    const JurisdictionEntry& entry = kJurisdictions[i];
    if (static_cast<std::size_t>(entry.jurisdiction) != i) return false;
    if (entry.name.empty() || entry.title.empty() || entry.name.data()[entry.name.size()] != '\0')
      return false;
    if (entry.row != kNoWindowRow && (entry.row < 0 || entry.row >= kWindowRowCount)) return false;
    for (std::size_t j = 0; j < i; ++j)
      if (kJurisdictions[j].name == entry.name ||
          (entry.row != kNoWindowRow && kJurisdictions[j].row == entry.row))
        return false;
  }
  return true;
}

}  // namespace detail

static_assert(detail::JurisdictionsAreSound(),
              "one entry per enumerator in its order, names unique and NUL-ended, rows unique "
              "and 0 to kWindowRowCount - 1");
static_assert(static_cast<std::size_t>(Jurisdiction::Korea) + 1 == kJurisdictionCount,
              "Korea is the enumeration's last value");

}  // namespace kesmal
