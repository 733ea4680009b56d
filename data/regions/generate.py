#!/usr/bin/env python3
"""Writes data/region_tables.cpp, the mainland region tables, from the lists
in this folder (provinces.tsv, regions.tsv; see SOURCE.md).

    python3 data/regions/generate.py                 # rewrites data/region_tables.cpp
    python3 data/regions/generate.py --output FILE   # writes elsewhere (the build's check)

The lists hold official short names ("长安区", "市辖区"); the table holds the
names as the program shows them: a city's districts carry the city's name
("石家庄市长安区", "石家庄市(市辖区)"), the group rows of the four
municipalities stand in parentheses ("(县)"), and a handful of rows keep the
irregular forms and codes the program has always shown (see the corrections
below). Standard library only.
"""

import argparse
import collections
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT_OUTPUT = HERE.parent / "region_tables.cpp"

PROVINCE_NAME_FIELD = 18
COUNTY_NAME_FIELD = 32
MUNICIPALITIES = {11, 12, 31, 50}

# 北京市 as the program lists it; its district codes are not those of the
# list (通州区 stands at 110121, not 110112), so 110112 names no district.
BEIJING = [
    (110100, "(市辖区)"), (110101, "东城区"), (110102, "西城区"), (110103, "崇文区"),
    (110104, "宣武区"), (110105, "朝阳区"), (110106, "丰台区"), (110107, "石景山区"),
    (110108, "海淀区"), (110109, "门头沟区"), (110111, "房山区"), (110121, "通州区"),
    (110131, "顺义区"), (110141, "昌平区"), (110200, "(县)"), (110221, "昌平县"),
    (110224, "大兴县"), (110226, "平谷县"), (110227, "怀柔县"), (110228, "密云县"),
    (110291, "延庆县"),
]

# 安国市 is stored under 雄县's code, right after it; its own code is unused.
MOVED_ROWS = {130683: (130638, "安国市")}

# Names stored in a form the rules of composition do not give: (code, name the
# rules give, stored name).
IRREGULAR_NAMES = [
    (430801, "张家界市(市辖区)", "张家界市市辖区"),
    (520202, "六盘水市盘县特区", "盘县特区"),
]

# The first row of each of these names is stored with an ideographic space.
SPACED_NAMES = {"祁县": "祁　县", "寿县": "寿　县", "佳县": "佳　县"}

# A county-level city that bears the name of a prefecture-level row is marked
# "(县级)"; two of them are marked in full-width forms.
COUNTY_LEVEL_MARK = "(县级)"
COUNTY_LEVEL_FORMS = {"娄底市": "娄底市（县级）", "通辽市": "通辽市 （县级）"}


class DataError(Exception):
    pass


def read_tsv(path, columns):
    lines = path.read_text(encoding="utf-8").splitlines()
    header = lines[0].split("\t")
    if header[: len(columns)] != columns:
        raise DataError(f"{path.name}: header {header}, expected {columns}")
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        fields = line.split("\t")
        fields += [""] * (len(header) - len(fields))
        code = fields[0]
        if len(code) != 6 or not code.isascii() or not code.isdigit():
            raise DataError(f"{path.name}:{number}: bad code {code!r}")
        rows.append((int(code), *fields[1 : len(columns)]))
    return rows


def gbk_size(text):
    try:
        return len(text.encode("gbk"))
    except UnicodeEncodeError as error:
        raise DataError(f"{text!r} has no GBK form") from error


def is_prefecture_city(code, name):
    return code % 100 == 0 and code // 10000 not in MUNICIPALITIES and name.endswith("市")


def compose_names(rows):
    """rows: (code, short name, parent name) in list order -> [code, shown name]."""
    prefecture = {code: name for code, name, _ in rows if code % 100 == 0}
    composed = []
    for code, name, _ in rows:
        province, kind = code // 10000, code % 100
        city_code = code - kind
        city = prefecture.get(city_code, "")
        if province in MUNICIPALITIES:
            shown = f"({name})" if kind == 0 else name
        elif kind == 0:
            shown = name
        elif kind <= 20 and is_prefecture_city(city_code, city):
            shown = city + ("(市辖区)" if name == "市辖区" else name)
        else:
            shown = name
        composed.append([code, shown])
    return composed


def mark_county_level_cities(rows):
    prefecture_names = {name for code, name in rows if code % 100 == 0}
    for row in rows:
        code, name = row
        kind = code % 100
        if kind == 0 or name not in prefecture_names:
            continue
        if not (kind <= 20 or kind >= 81) or code // 10000 in MUNICIPALITIES:
            raise DataError(f"{code}: {name} bears a prefecture's name but is no city")
        row[1] = COUNTY_LEVEL_FORMS.get(name, name + COUNTY_LEVEL_MARK)
    shown = {name for _, name in rows}
    for form in COUNTY_LEVEL_FORMS.values():
        if form not in shown:
            raise DataError(f"no county-level city to mark as {form}")


def apply_corrections(rows):
    by_code = {}
    for row in rows:
        by_code.setdefault(row[0], row)
    for code, composed, stored in IRREGULAR_NAMES:
        row = by_code.get(code)
        if row is None or row[1] != composed:
            raise DataError(f"{code}: expected {composed}, found {row and row[1]}")
        row[1] = stored
    for plain, spaced in SPACED_NAMES.items():
        first = next((row for row in rows if row[1] == plain), None)
        if first is None:
            raise DataError(f"no row named {plain}")
        first[1] = spaced


def build_counties(region_rows):
    rows = [row for row in region_rows if row[0] // 10000 != 11]
    for old_code, (new_code, name) in MOVED_ROWS.items():
        found = [row for row in rows if row[0] == old_code]
        if len(found) != 1 or found[0][1] != name:
            raise DataError(f"{old_code}: expected one row {name}")
        found[0] = (new_code, name, found[0][2])
        rows = [row for row in rows if row[0] != old_code]
        after = max(i for i, row in enumerate(rows) if row[0] == new_code)
        rows.insert(after + 1, found[0])
    counties = [[code, name] for code, name in BEIJING] + compose_names(rows)
    # Stable: the two rows of a shared code keep their order.
    counties.sort(key=lambda row: row[0])
    mark_county_level_cities(counties)
    apply_corrections(counties)
    return counties


def build_provinces(province_rows, counties):
    provinces = []
    next_row = 0
    for code, name in province_rows:
        if code % 10000 != 0:
            raise DataError(f"{code}: a province code ends in 0000")
        two = code // 10000
        rows = [i for i, (row_code, _) in enumerate(counties) if row_code // 10000 == two]
        if not rows or rows != list(range(rows[0], rows[-1] + 1)) or rows[0] != next_row:
            raise DataError(f"{name}: rows not one block following the previous one")
        provinces.append((two, name, rows[0], rows[-1]))
        next_row = rows[-1] + 1
    if next_row != len(counties):
        raise DataError("rows of no listed province")
    return provinces


def verify(provinces, counties):
    codes = [code for code, _ in counties]
    if codes != sorted(codes):
        raise DataError("rows out of order")
    shared = sorted(code for code, count in collections.Counter(codes).items() if count > 1)
    if shared != sorted(new for new, _ in MOVED_ROWS.values()):
        raise DataError(f"codes held by more than one row: {shared}")
    if len({code for code, *_ in provinces}) != len(provinces):
        raise DataError("a province code occurs twice")
    for label, field, names in (
        ("province", PROVINCE_NAME_FIELD, [name for _, name, *_ in provinces]),
        ("row", COUNTY_NAME_FIELD, [name for _, name in counties]),
    ):
        for name in names:
            size = gbk_size(name)
            if size == 0:
                raise DataError(f"an empty {label} name")
            if size + 1 > field:
                raise DataError(f"{label} name {name} needs {size} + 1 bytes, field has {field}")


def cpp_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def render(provinces, counties):
    out = [
        "// Generated by data/regions/generate.py from data/regions/provinces.tsv and",
        "// data/regions/regions.tsv (county-level codes of the end of the 1990s, CC0; see",
        "// data/regions/SOURCE.md). Do not edit: change the script or its inputs and run",
        "//   python3 data/regions/generate.py",
        "// The names are written in UTF-8 and stored as GBK (-fexec-charset=GBK).",
        "// clang-format off",
        '#include "data/regions.h"',
        '#include "data/region_invariants.h"',
        "",
        "namespace kesmal {",
        "",
        f"static_assert(kCountyRowCount == {len(counties)}, "
        '"kCountyRowCount in data/regions.h must be the generated row count");',
        "",
        "constexpr std::array<ProvinceRecord, 31> ProvinceTable{{",
    ]
    for code, name, first, last in provinces:
        out.append(f"    {{{code}, {cpp_string(name)}, {first}, {last}}},")
    out += ["}};", "", "constexpr std::array<CountyRecord, kCountyRowCount> CountyTable{{"]
    for code, name in counties:
        out.append(f"    {{{code // 10000}, {code % 10000}, {cpp_string(name)}}},")
    out += [
        "}};",
        "",
        "static_assert(region_invariants::ProvinceCodesAreUnique(ProvinceTable));",
        "static_assert(region_invariants::BlocksCoverTheRowsInOrder(ProvinceTable, CountyTable));",
        "static_assert(region_invariants::RowsAreOrderedByCode(CountyTable));",
        "static_assert(region_invariants::OnlySharedCodeIs(CountyTable, "
        f"{next(iter(MOVED_ROWS.values()))[0]}));",
        "static_assert(region_invariants::NamesAreFilledAndTerminated(ProvinceTable));",
        "static_assert(region_invariants::NamesAreFilledAndTerminated(CountyTable));",
        "",
        "}  // namespace kesmal",
        "// clang-format on",
        "",
    ]
    return "\n".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=DEFAULT_OUTPUT)
    args = parser.parse_args()
    try:
        province_rows = read_tsv(HERE / "provinces.tsv", ["code", "name"])
        region_rows = read_tsv(HERE / "regions.tsv", ["code", "name", "parent_name"])
        counties = build_counties(region_rows)
        provinces = build_provinces(province_rows, counties)
        if len(provinces) != 31:
            raise DataError(f"{len(provinces)} provinces, expected 31")
        verify(provinces, counties)
    except DataError as error:
        print(f"generate.py: {error}", file=sys.stderr)
        return 1
    args.output.write_bytes(render(provinces, counties).encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
