// kesmal._kesmal: the library's check and generation, for the Python package
// kesmal. A check's dict is built from the same fields, in the same order, as
// its `check --json` object; generation builds the library's request from the
// keywords, and a request it refuses raises ValueError with its message.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kesmal/check.h"
#include "kesmal/make.h"
#include "kesmal/mask.h"
#include "kesmal/scan.h"

namespace py = pybind11;

namespace {

py::object Steal(PyObject* object) {
  if (!object) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(object);
}

// Ill-formed input becomes U+FFFD, one per maximal subpart, as in the JSON.
py::object Utf8(std::string_view utf8) {
  return Steal(PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace"));
}

// Keys are a handful of literals; each is made once and lives as long as the
// interpreter.
PyObject* Key(kesmal::Field field) {
  static std::array<PyObject*, kesmal::kFieldCount> keys{};
  PyObject*& object = keys.at(static_cast<std::size_t>(field));
  if (!object) {
    object = Utf8(kesmal::KeyOf(field)).release().ptr();
    PyUnicode_InternInPlace(&object);
  }
  return object;
}

class DictBuilder {
 public:
  using Field = kesmal::Field;
  py::dict root;

  void Input(std::string_view bytes) { Set(Field::Input, Utf8(bytes)); }
  void Bytes(Field field, std::string_view bytes) { Set(field, Utf8(bytes)); }
  void Number(Field field, std::uint64_t value) { Set(field, py::int_(value)); }
  void Text(Field field, std::string_view utf8) { Set(field, Utf8(utf8)); }
  void Word(Field field, std::string_view ascii) { Set(field, Utf8(ascii)); }
  void Bool(Field field, bool value) { Set(field, py::bool_(value)); }
  void Null(Field field) { Set(field, py::none()); }
  void BeginList(Field field) {
    list_ = py::list();
    Set(field, list_);
  }
  void BeginItem() {
    py::dict item;
    list_.append(item);
    target_ = item.ptr();  // the list holds it
  }
  void EndItem() { target_ = root.ptr(); }
  void EndList() {}

 private:
  void Set(Field field, const py::object& value) {
    if (PyDict_SetItem(target_, Key(field), value.ptr()) != 0) throw py::error_already_set();
  }

  py::list list_;
  PyObject* target_ = root.ptr();
};

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The bytes a line of text stands for: its UTF-8, where U+DC80..U+DCFF is the
// byte it escapes (Python's "surrogateescape", as text read from a file of
// unknown bytes holds them) and any other lone surrogate its three-byte form.
std::string_view LineBytes(const py::str& text, std::string& buffer) {
  Py_ssize_t size = 0;
  if (const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size))
    return {utf8, static_cast<std::size_t>(size)};
  PyErr_Clear();  // a lone surrogate
  buffer.clear();
  const int kind = PyUnicode_KIND(text.ptr());
  const void* data = PyUnicode_DATA(text.ptr());
  for (Py_ssize_t i = 0, n = PyUnicode_GET_LENGTH(text.ptr()); i < n; ++i) {
    const char32_t c = PyUnicode_READ(kind, data, i);
    if (c >= 0xDC80 && c <= 0xDCFF)
      buffer += static_cast<char>(c - 0xDC00);
    else
      AppendUtf8(c, buffer);
  }
  return buffer;
}

kesmal::RuleSet RulesNamed(std::string_view rules) {
  if (rules != "classic" && rules != "current")
    throw py::value_error("unknown rules '" + std::string(rules) +
                          "' (expected classic or current)");
  return rules == "current" ? kesmal::RuleSet::Current : kesmal::RuleSet::Classic;
}

// As `check --json --rules RULES`, which names the rules in every object.
py::dict Check(const py::str& text, std::string_view rules) {
  const auto ruleSet = RulesNamed(rules);
  std::string buffer;
  const std::string_view line = LineBytes(text, buffer);
  DictBuilder builder;
  kesmal::Check(line, ruleSet).Visit(builder);
  return std::move(builder.root);
}

// The index in the str of each byte offset of its bytes, asked in rising order.
class StrIndexes {
 public:
  // `escaped`: the bytes were made by LineBytes' slow path, one code point at a time.
  StrIndexes(const py::str& text, std::string_view bytes, bool escaped) : bytes_(bytes) {
    if (!escaped) return;
    const int kind = PyUnicode_KIND(text.ptr());
    const void* data = PyUnicode_DATA(text.ptr());
    std::size_t offset = 0;
    for (Py_ssize_t i = 0, n = PyUnicode_GET_LENGTH(text.ptr()); i < n; ++i) {
      starts_.push_back(offset);
      const char32_t c = PyUnicode_READ(kind, data, i);
      offset += (c >= 0xDC80 && c <= 0xDCFF) || c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }
  }

  std::size_t At(std::size_t offset) {
    if (!starts_.empty())
      return static_cast<std::size_t>(std::lower_bound(starts_.begin(), starts_.end(), offset) -
                                      starts_.begin());
    for (; counted_ < offset; ++counted_)
      if ((static_cast<unsigned char>(bytes_[counted_]) & 0xC0) != 0x80) ++index_;
    return index_;
  }

 private:
  std::string_view bytes_;
  std::vector<std::size_t> starts_;
  std::size_t counted_ = 0;
  std::size_t index_ = 0;
};

// "a,b", or an iterable of names, as the comma list the command line takes.
std::string ListText(const py::object& names) {
  if (py::isinstance<py::str>(names)) return names.cast<std::string>();
  std::string list;
  for (const auto& name : names) {
    if (!list.empty()) list += ',';
    list += std::string(py::str(name));
  }
  return list;
}

kesmal::JurisdictionSet OnlyOf(const py::object& only) {
  if (only.is_none()) return kesmal::JurisdictionSet::All();
  const std::string list = ListText(only);
  const auto set = kesmal::ParseJurisdictionList(list);
  if (!set)
    throw py::value_error("bad value '" + list +
                          "' for only (expected jurisdictions among tw, hk, cn, cn15, kr)");
  return *set;
}

// The objects of `kesmal-cli scan --json --rules RULES` for the text, with
// `start` and `end`, the finding's indexes in the str.
py::list Scan(const py::str& text, std::string_view rules, bool nearMisses, bool implausible,
              const py::object& only) {
  kesmal::ScanOptions options;
  options.rules = RulesNamed(rules);
  options.nearMisses = nearMisses;
  options.implausible = implausible;
  options.only = OnlyOf(only);
  std::string buffer;
  const std::string_view bytes = LineBytes(text, buffer);
  StrIndexes indexes(text, bytes, bytes.data() == buffer.data() && !buffer.empty());
  py::list findings;
  kesmal::Scan(bytes, options, [&](const kesmal::Finding& finding) {
    DictBuilder builder;
    kesmal::VisitFindingFields(finding, std::nullopt, builder, options.rules);
    builder.root["start"] = indexes.At(finding.offset);
    builder.root["end"] = indexes.At(finding.offset + finding.length);
    findings.append(std::move(builder.root));
  });
  return findings;
}

// A keyword's value as its field's text: a date in ISO form, a pair as a
// range (either end None).
std::string DateText(const py::handle& value) {
  if (value.is_none()) return "";
  if (py::hasattr(value, "isoformat")) return py::str(value.attr("isoformat")());
  return py::str(value);
}

std::string OptionText(std::string_view name, const py::handle& value) {
  if (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value)) {
    const auto pair = py::reinterpret_borrow<py::sequence>(value);
    if (pair.size() != 2)
      throw py::value_error(std::string(name) + " takes a pair (first, last), not " +
                            std::string(py::repr(value)));
    return DateText(pair[0]) + (name == "age" ? "-" : "..") + DateText(pair[1]);
  }
  return DateText(value);
}

// The request's field a keyword sets; none for a keyword make does not take.
std::optional<kesmal::RequestField> FieldOfKeyword(std::string_view name) {
  using kesmal::RequestField;
  for (const RequestField field : {RequestField::Count, RequestField::Seed, RequestField::Sex,
                                   RequestField::Region, RequestField::Length, RequestField::Birth,
                                   RequestField::Age, RequestField::Unique, RequestField::Invalid})
    if (name == kesmal::FieldName(field)) return field;
  return std::nullopt;
}

kesmal::MakeRequest RequestOf(const py::str& jurisdiction, const py::object& count,
                              const py::object& seed, const py::kwargs& options) {
  kesmal::MakeRequest request;
  request.jurisdiction = std::string(jurisdiction);
  if (!request.jurisdiction.Resolve()) kesmal::Validate(request);  // names what it takes
  const auto set = [&](std::string_view name, const py::handle& value) {
    if (value.is_none() || (py::isinstance<py::bool_>(value) && !value.cast<bool>())) return;
    const auto field = FieldOfKeyword(name);
    if (!field)
      throw py::type_error("make() got an unexpected keyword argument '" + std::string(name) + "'");
    const bool flag = py::isinstance<py::bool_>(value);
    kesmal::SetMakeField(request, *field, flag ? "" : OptionText(name, value));
  };
  set("count", count);
  set("seed", seed);
  for (const auto& [name, value] : options) set(std::string(py::str(name)), value);
  kesmal::Validate(request);
  return request;
}

std::vector<std::string> Make(const py::str& jurisdiction, const py::object& count,
                              const py::object& seed, const py::kwargs& options) {
  std::vector<std::string> numbers;
  for (const std::string& number : kesmal::Make(RequestOf(jurisdiction, count, seed, options)))
    numbers.push_back(number);
  return numbers;
}

// One number, for the Faker provider: no list is made.
std::string MakeOne(const py::str& jurisdiction, std::uint32_t seed, const py::kwargs& options) {
  kesmal::MakeRequest request = RequestOf(jurisdiction, py::none(), py::none(), options);
  request.seed = seed;
  return *kesmal::NumberStream(request).Next();
}

kesmal::NumberStream Numbers(const py::str& jurisdiction, const py::object& count,
                             const py::object& seed, const py::kwargs& options) {
  return kesmal::NumberStream(RequestOf(jurisdiction, count, seed, options));
}

kesmal::KeepSet KeepOf(const py::object& keep) {
  const std::string list = ListText(keep);
  kesmal::KeepSet set;
  if (list.empty()) return set;
  for (std::string_view rest = list;;) {
    const std::size_t comma = rest.find(',');
    const auto field = kesmal::KeptFieldNamed(rest.substr(0, comma));
    if (!field)
      throw kesmal::MaskError(kesmal::BadValue(
          "keep", list, "fields among sex, birth-date, birth-year, region, province"));
    set = set.With(*field);
    if (comma == std::string_view::npos) return set;
    rest.remove_prefix(comma + 1);
  }
}

// Valid UTF-8, as a replacement is, or escaped bytes as a str holds them.
py::str Decoded(std::string_view bytes) {
  return Steal(
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "surrogateescape"));
}

class Masker;
Masker& Initialised(const py::handle& self);

// The state of a Masker is its arguments, and a pickle of it holds its key.
class Masker {
 public:
  Masker(const py::object& key, const py::object& keep, bool redact, bool reverse,
         std::string_view rules, const py::object& only, std::string_view nearMisses)
      : rules_(rules), nearMisses_(nearMisses) {
    if (nearMisses == "mask")
      options_.nearMisses = kesmal::NearMisses::Mask;
    else if (nearMisses == "keep")
      options_.nearMisses = kesmal::NearMisses::Keep;
    else if (nearMisses == "redact")
      options_.nearMisses = kesmal::NearMisses::Redact;
    else
      throw kesmal::MaskError(kesmal::BadValue("near_misses", nearMisses, "mask, keep or redact"));
    options_.rules = RulesNamed(rules);
    options_.keep = KeepOf(keep);
    options_.only = OnlyOf(only);
    if (!only.is_none()) only_ = ListText(only);
    options_.direction = reverse ? kesmal::MaskDirection::Reverse : kesmal::MaskDirection::Encipher;
    if (redact && !key.is_none()) throw kesmal::MaskError("redact=True takes no key");
    if (redact && reverse)
      throw kesmal::MaskError(
          "reverse=True gives back the numbers of pseudonyms: it needs a "
          "key, not redact=True");
    if (!redact && key.is_none())
      throw kesmal::MaskError(
          "a Masker needs a key of 32 bytes, or redact=True (a new key: "
          "kesmal.new_key())");
    if (!key.is_none()) {
      const std::string bytes = py::bytes(Steal(PyBytes_FromObject(key.ptr())));
      kesmal::MaskKey value{};
      if (bytes.size() != value.size())
        throw kesmal::MaskError("a key is 32 bytes, not " + std::to_string(bytes.size()));
      std::copy(bytes.begin(), bytes.end(), value.begin());
      options_.key = value;
    }
    numbers_ = std::make_unique<kesmal::TextMasker>(options_);  // validates the options
  }

  py::str Number(const py::str& written) {
    std::string buffer;
    const auto masked = numbers_->MaskNumber(LineBytes(written, buffer));
    if (!masked)
      throw py::value_error(std::string(py::repr(written)) +
                            " is not one identity number that the Masker replaces");
    return Decoded(*masked);
  }

  py::str Text(const py::str& text) const {
    std::string buffer;
    const std::string_view bytes = LineBytes(text, buffer);
    const bool escaped = bytes.data() == buffer.data() && !buffer.empty();
    std::string masked;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> found;
    {
      py::gil_scoped_release release;
      masked = kesmal::MaskText(bytes, options_);
      if (escaped) {
        // The masker's own scan, near misses and all.
        kesmal::Scan(bytes, kesmal::MaskScanOptions(options_), [&](const kesmal::Finding& finding) {
          found.emplace_back(finding.offset, finding.length);
        });
      }
    }
    // Without lone surrogates the str is its UTF-8, and so is the masked text.
    if (!escaped)
      return Steal(
          PyUnicode_DecodeUTF8(masked.data(), static_cast<Py_ssize_t>(masked.size()), "strict"));
    // Each number is rewritten character for character, each in its width,
    // and nothing else is: a change outside the findings would be lost here.
    const auto same = [&](std::size_t from, std::size_t to) {
      return std::string_view(masked).substr(from, to - from) == bytes.substr(from, to - from);
    };
    const auto diverged = [] {
      return std::logic_error("the masker changed what scan did not find");
    };
    if (masked.size() != bytes.size()) throw diverged();
    StrIndexes indexes(text, bytes, true);
    py::list pieces;
    std::size_t done = 0;
    Py_ssize_t at = 0;
    for (const auto& [offset, length] : found) {
      if (offset < done || !same(done, offset)) throw diverged();
      done = offset + length;
      if (same(offset, done)) continue;
      pieces.append(
          Steal(PyUnicode_Substring(text.ptr(), at, static_cast<Py_ssize_t>(indexes.At(offset)))));
      pieces.append(Decoded(std::string_view(masked).substr(offset, length)));
      at = static_cast<Py_ssize_t>(indexes.At(done));
    }
    if (!same(done, bytes.size())) throw diverged();
    pieces.append(Steal(PyUnicode_Substring(text.ptr(), at, PyUnicode_GET_LENGTH(text.ptr()))));
    return Steal(PyUnicode_Join(py::str().ptr(), pieces.ptr()));
  }

  // The arguments it was made with.
  py::tuple State() const {
    py::object key = py::none();
    if (options_.key)
      key = py::bytes(reinterpret_cast<const char*>(options_.key->data()), options_.key->size());
    py::object only = py::none();
    if (only_) only = py::str(*only_);
    return py::make_tuple(key, kesmal::KeepSetText(options_.keep), !options_.key,
                          options_.direction == kesmal::MaskDirection::Reverse, rules_, only,
                          nearMisses_);
  }

 private:
  kesmal::MaskOptions options_;
  std::string rules_;
  std::optional<std::string> only_;
  std::string nearMisses_;
  std::unique_ptr<kesmal::TextMasker> numbers_;  // for Number alone, under the GIL
};

// A Masker made by __new__ alone has no options to mask with: pybind11
// would hand over memory never constructed.
Masker& Initialised(const py::handle& self) {
  if (!py::isinstance<Masker>(self) || !reinterpret_cast<py::detail::instance*>(self.ptr())
                                            ->get_value_and_holder()
                                            .holder_constructed())
    throw py::type_error("a Masker made without its arguments: call Masker(key, ...)");
  return *self.cast<Masker*>();
}

}  // namespace

PYBIND11_MODULE(_kesmal, module) {
  module.doc() = "The rules of kesmal-cli, in-process.";
  py::register_exception<kesmal::RequestError>(module, "RequestError", PyExc_ValueError);
  module.def("check", &Check, py::arg("text"), py::arg("rules") = "classic",
             "The fields of `kesmal-cli check --json --rules RULES` for one line of text, "
             "as a dict.");
  module.def("scan", &Scan, py::arg("text"), py::arg("rules") = "classic",
             py::arg("near_misses") = false, py::arg("implausible") = false,
             py::arg("only") = py::none(),
             "The identity numbers found in the text, as `kesmal-cli scan --json --rules RULES` "
             "finds them: a list of dicts, each the JSON object (path None) with start and end, "
             "its indexes in the str, so that text[start:end] is the finding's text. only "
             "names the jurisdictions to look for (\"tw,hk\" or a list of names).");
  module.def("make", &Make, py::arg("jurisdiction"), py::arg("count") = 1,
             py::arg("seed") = py::none(),
             "New numbers of the jurisdiction (\"tw\", \"hk\", \"cn\", \"cn15\", \"kr\"), as "
             "`kesmal-cli make` makes them, as a list: every option of the command is a "
             "keyword (sex=\"female\", region=\"110105\", length=9, unique=True, "
             "invalid=\"check_code\", birth=..., age=...). A date is a datetime.date or "
             "\"YYYY-MM-DD\"; a range a pair (either end may be None) or the command line's "
             "own text (\"1980-01-01..1989-12-31\", \"20-30\"). The same seed gives the same "
             "numbers as the command line. A request the library refuses raises "
             "RequestError, a ValueError, whose message names the keywords.");
  py::register_exception<kesmal::MaskError>(module, "MaskError", PyExc_ValueError);
  py::class_<Masker>(module, "Masker",
                     "Masks identity numbers as `kesmal-cli mask` does: each number scan finds "
                     "becomes its pseudonym under the key (32 bytes), another valid number of "
                     "the same jurisdiction and kind in the same written form, the same in "
                     "every run and process; or, with redact=True and no key, asterisks. keep "
                     "names the fields each number keeps (\"sex\", \"birth-date\", "
                     "\"birth-year\", \"region\", \"province\"; an iterable or \"region,sex\"), "
                     "reverse=True gives back the numbers of pseudonyms, rules and only are "
                     "those of scan, near_misses (\"mask\", \"keep\" or \"redact\") that of "
                     "mask. An argument it refuses raises ValueError with a message "
                     "like the command line's: MaskError for a key or keep set that cannot "
                     "serve. A Masker pickles, so that worker processes share one; its pickle "
                     "holds the key, and is as secret as a key file.")
      .def(py::init<const py::object&, const py::object&, bool, bool, std::string_view,
                    const py::object&, std::string_view>(),
           py::arg("key"), py::arg("keep") = py::tuple(), py::arg("redact") = false,
           py::arg("reverse") = false, py::arg("rules") = "classic", py::arg("only") = py::none(),
           py::arg("near_misses") = "mask")
      .def(
          "number",
          [](const py::object& self, const py::str& written) {
            return Initialised(self).Number(written);
          },
          py::arg("written"),
          "The masked form of one number as written, in any form scan finds (full width, "
          "Korea's hyphen, Hong Kong's brackets); ValueError for a text that is not exactly "
          "one number that is masked.")
      .def(
          "text",
          [](const py::object& self, const py::str& text) { return Initialised(self).Text(text); },
          py::arg("text"),
          "The text with every number masked and everything else as it was, lone surrogates "
          "and surrogate-escaped bytes included: as `kesmal-cli mask` writes the bytes the "
          "text stands for.")
      // Unpickled by calling the class with its arguments, under every protocol.
      .def("__reduce__", [](const py::object& self) {
        return py::make_tuple(self.get_type(), Initialised(self).State());
      });
  module.def(
      "read_key_file",
      [](const py::object& path) {
        const auto key =
            kesmal::ReadKeyFile(py::module_::import("os").attr("fspath")(path).cast<std::string>());
        return py::bytes(reinterpret_cast<const char*>(key.data()), key.size());
      },
      py::arg("path"),
      "The key in a key file, as `kesmal-cli mask --key-file` reads it: 32 bytes, or 64 "
      "hexadecimal digits; a file its group or others may read raises MaskError.");
  module.def("make_one", &MakeOne, py::arg("jurisdiction"), py::arg("seed"),
             "One new number of the jurisdiction, from the seed.");
  py::class_<kesmal::NumberStream>(module, "NumberStream")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", [](kesmal::NumberStream& stream) {
        auto number = stream.Next();
        if (!number) throw py::stop_iteration();
        return std::move(*number);
      });
  module.def("numbers", &Numbers, py::arg("jurisdiction"), py::arg("count") = 1,
             py::arg("seed") = py::none(),
             "The numbers make would give, with the same keywords, made a block at a time as "
             "they are read: a run of any length stays in flat memory.");
}
