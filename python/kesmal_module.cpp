// kesmal._kesmal: the command-line companion's check and entry point, for the
// Python package kesmal. A check's dict is built from the same fields, in the
// same order, as its `check --json` object.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/json_lines.h"

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
PyObject* Key(kesmal::cli::Field field) {
  static std::array<PyObject*, kesmal::cli::kFieldCount> keys{};
  PyObject*& object = keys.at(static_cast<std::size_t>(field));
  if (!object) {
    object = Utf8(kesmal::cli::KeyOf(field)).release().ptr();
    PyUnicode_InternInPlace(&object);
  }
  return object;
}

class DictBuilder {
 public:
  using Field = kesmal::cli::Field;
  py::dict root;

  void Input(std::string_view bytes) { Set(Field::Input, Utf8(bytes)); }
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

// As `check --json --rules RULES`, which names the rules in every object.
py::dict Check(const py::str& text, std::string_view rules) {
  if (rules != "classic" && rules != "current")
    throw py::value_error("unknown rules '" + std::string(rules) +
                          "' (expected classic or current)");
  const auto ruleSet = rules == "current" ? kesmal::RuleSet::Current : kesmal::RuleSet::Classic;
  std::string buffer;
  const std::string_view line = LineBytes(text, buffer);
  DictBuilder builder;
  const auto report = kesmal::cli::CheckInput(line, ruleSet);
  kesmal::cli::VisitCheckFields(line, report ? &*report : nullptr, builder, ruleSet);
  return std::move(builder.root);
}

// The command line's exit status, standard output and standard error.
std::tuple<int, std::string, std::string> Run(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  const int status = kesmal::cli::Run(args, in, out, err);
  return {status, std::move(out).str(), std::move(err).str()};
}

}  // namespace

PYBIND11_MODULE(_kesmal, module) {
  module.doc() = "The rules of kesmal-cli, in-process.";
  module.def("check", &Check, py::arg("text"), py::arg("rules") = "classic",
             "The fields of `kesmal-cli check --json --rules RULES` for one line of text, "
             "as a dict.");
  module.def("run", &Run, py::arg("args"),
             "Runs kesmal-cli with the arguments; returns (status, stdout, stderr).");
}
