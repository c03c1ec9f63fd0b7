import copy
import math
import os
import struct
import subprocess
import sys

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from json_equality import same
from korvel import VarAccess
from raised import error_text


@pytest.mark.parametrize(
    "text",
    ["a", "a.b[2]", "_x1.y", "'a b'.c", '"q"[0]', "a[0] ", "a[ 1 ]\t", "a.'b.c'[00]"],
)
def test_paths_that_parse(text):
    VarAccess(text)


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "error Char at: "),
        ("a ", "error Eof at:  "),
        ("a.", "error Eof at: ."),
        ("a b", "error Eof at:  b"),
        ("a[x]", "error Eof at: [x]"),
        ("1a", "error Digit at: "),
        ("a.2b", "error Digit at: "),
        ("''", "error Char at: ''"),
        ("true", "error Char at: true"),
        # A name comes first: r is one, and the quoted text is left over.
        ("r'x'", "error Eof at: 'x'"),
        # An index that does not fit in 64 bits ends the path before its "[".
        ("a[18446744073709551616]", "error Eof at: [18446744073709551616]"),
    ],
)
def test_paths_that_do_not_parse(text, message):
    assert error_text(lambda: VarAccess(text)) == (ValueError, message)


DATA = {"a": [{"b": 1}], "o": {"k": [10, 20]}, "s": 5}


@pytest.mark.parametrize(
    "path, expected",
    [("a", [{"b": 1}]), ("a[0]", {"b": 1}), ("a[0].b", 1), ("o.k[1]", 20), ("s", 5)],
)
def test_access_walks_every_step_from_the_value(path, expected):
    data = copy.deepcopy(DATA)
    result = VarAccess(path).access(data)
    assert result == expected
    assert data == DATA


def test_access_returns_new_objects():
    data = copy.deepcopy(DATA)
    first, second = VarAccess("a").access(data), VarAccess("a").access(data)
    assert first == second == data["a"]
    assert first is not data["a"] and first is not second
    assert first[0] is not data["a"][0]


@pytest.mark.parametrize(
    "path, message",
    [
        ("x", "Object '<root>' does not contain key 'x'"),
        ("a[3]", "Index out of bounds: Index out of bounds at '<root>' (index: 3, length: 1)"),
        ("a.b", "Object 'a' does not contain key 'b'"),
        ("o.k[2]", "Index out of bounds: Index out of bounds at 'o' (index: 2, length: 2)"),
        ("o.k.z", "Object 'o.k' does not contain key 'z'"),
        ("s[0]", "Type error: Expected array at '<root>', found UInt(5)"),
        ("o[0]", "Type error: Expected array at '<root>', found Object({\"k\": Array([UInt(10), UInt(20)])})"),
        ("a[0].b[0]", "Type error: Expected array at 'a[0]', found UInt(1)"),
    ],
)
def test_access_errors(path, message):
    assert error_text(lambda: VarAccess(path).access(DATA)) == (NameError, message)


def test_access_on_a_value_that_is_no_object():
    assert error_text(lambda: VarAccess("a").access(5)) == (
        NameError,
        "Object '<root>' does not contain key 'a'",
    )


@pytest.mark.parametrize(
    "value, shown",
    [
        (-5, "Int(-5)"),
        (2**64 - 1, "UInt(18446744073709551615)"),
        (True, "Bool(true)"),
        (None, "Null"),
        (1.0, "Float(1.0)"),
        (1e16, "Float(1e16)"),
        (0.0001, "Float(0.0001)"),
        (0.00001, "Float(1e-5)"),
        (-0.0, "Float(-0.0)"),
        (math.nan, "Float(NaN)"),
        (-math.inf, "Float(-inf)"),
        ("it's \"q\"\n\u0301", '''String("it's \\"q\\"\\n\\u{301}")'''),
        ({}, "Object({})"),
        ({"b": 1, "a": "x"}, 'Object({"b": UInt(1), "a": String("x")})'),
    ],
)
def test_the_found_value_in_messages_is_shown_in_debug_form(value, shown):
    assert error_text(lambda: VarAccess("v[0]").access({"v": value})) == (
        NameError,
        f"Type error: Expected array at '<root>', found {shown}",
    )


def test_access_from_bindings_starts_at_a_binding():
    bindings = copy.deepcopy(DATA)
    assert VarAccess("a[0].b").access_from_bindings(bindings) == 1
    assert VarAccess("a").access_from_bindings(bindings) == [{"b": 1}]
    assert bindings == DATA


@pytest.mark.parametrize(
    "path, message",
    [
        ("z", "Variable not found: z"),
        ("A", "Variable not found: A"),
        ("a[1]", "Index out of bounds: Index out of bounds at 'a[1]' (index: 1, length: 1)"),
        ("a[1].b", "Index out of bounds: Index out of bounds at 'a[1]' (index: 1, length: 1)"),
        ("s[0]", "Type error: Expected array at 's[0]', found UInt(5)"),
        ("s.b", "Object 's' does not contain key 'b'"),
        ("o.k[2]", "Index out of bounds: Index out of bounds at 'o' (index: 2, length: 2)"),
    ],
)
def test_access_from_bindings_errors(path, message):
    assert error_text(lambda: VarAccess(path).access_from_bindings(DATA)) == (NameError, message)


def test_results_keep_the_callers_key_order_and_large_ints():
    value = {"b": 1, "a": 2**63, "B": 2**64 - 1}
    for result in (VarAccess("v").access({"v": value}), VarAccess("v").access_from_bindings({"v": value})):
        assert list(result) == ["b", "a", "B"]
        assert result == value and all(type(v) is int for v in result.values())


class Unreadable:
    pass


@pytest.mark.parametrize(
    "bindings, message",
    [
        ([], "argument 'bindings': 'list' object is not an instance of 'dict'"),
        (None, "argument 'bindings': 'None' is not an instance of 'dict'"),
        ({1: 2}, "argument 'bindings': 'int' object is not an instance of 'str'"),
        ({"x": {1}}, "argument 'bindings': Unsupported type for JSON value: set"),
        ({"x": [Unreadable()]}, "argument 'bindings': Unsupported type for JSON value: Unreadable"),
    ],
)
def test_bindings_errors(bindings, message):
    assert error_text(lambda: VarAccess("x").access_from_bindings(bindings)) == (TypeError, message)


def test_bindings_must_be_a_dict_not_any_mapping():
    import types

    proxy = types.MappingProxyType({"x": 1})
    assert error_text(lambda: VarAccess("x").access_from_bindings(proxy)) == (
        TypeError,
        "argument 'bindings': 'mappingproxy' object is not an instance of 'dict'",
    )


def test_a_dict_subclass_is_read_through_its_own_entries():
    class Sneaky(dict):
        def keys(self):
            return ["y"]

        def items(self):
            return [("y", 2)]

        def __iter__(self):
            return iter(["y"])

        def __getitem__(self, key):
            return 2

    assert VarAccess("x").access_from_bindings(Sneaky(x=1)) == 1


class Mutator:
    """Converts as an int after running `change` once."""

    def __init__(self, change):
        self.change = change

    def __index__(self):
        if self.change:
            change, self.change = self.change, None
            change()
        return 0


def test_bindings_changed_in_size_while_they_are_read():
    bindings = {}
    bindings["a"] = Mutator(lambda: bindings.update(new=1))
    bindings["b"] = 1
    assert error_text(lambda: VarAccess("a").access_from_bindings(bindings)) == (
        RuntimeError,
        "dictionary changed size during iteration",
    )


def test_bindings_whose_keys_changed_while_they_are_read():
    bindings = {}

    def swap():
        del bindings["a"]
        bindings["b"] = 1

    bindings["a"] = Mutator(swap)
    assert error_text(lambda: VarAccess("a").access_from_bindings(bindings)) == (
        RuntimeError,
        "dictionary keys changed during iteration",
    )


def test_replace_returns_an_updated_copy():
    value = {"a": 1, "b": [1, {"c": 2}], "d": None}
    before = copy.deepcopy(value)
    assert VarAccess("a").replace(value, "x") == {"a": "x", "b": [1, {"c": 2}], "d": None}
    result = VarAccess("b[1].c").replace(value, [True])
    assert result == {"a": 1, "b": [1, {"c": [True]}], "d": None}
    assert list(result) == ["a", "b", "d"]  # the replaced member keeps its position
    assert list(VarAccess("b").replace({"b": 1, "a": 2}, 3)) == ["b", "a"]
    assert value == before


@pytest.mark.parametrize(
    "path, value, message",
    [
        ("a.c", {"a": {"b": 1}}, "Object 'a' does not contain key 'c'"),
        ("a", 5, "Object '<root>' does not contain key 'a'"),
        ("a.b.c", {"a": {"b": [1]}}, "Object 'a.b' does not contain key 'c'"),
        ("a[0]", {"a": {"b": 1}}, "Type error: Expected array at '<root>'"),
        ("a.b[0]", {"a": {"b": 1}}, "Type error: Expected array at 'a'"),
        ("a[2]", {"a": [1, 2]}, "Index out of bounds: Index out of bounds at '<root>' (index: 2, length: 2)"),
        ("x[0].y[5]", {"x": [{"y": []}]}, "Index out of bounds: Index out of bounds at 'x[0]' (index: 5, length: 0)"),
    ],
)
def test_replace_never_inserts(path, value, message):
    before = copy.deepcopy(value)
    assert error_text(lambda: VarAccess(path).replace(value, 0)) == (NameError, message)
    assert value == before


def byte_stream(steps):
    out = struct.pack("<Q", len(steps))
    for name, index in steps:
        out += name.encode() + b"\xff"
        out += struct.pack("<Q", 0) if index is None else struct.pack("<QQ", 1, index)
    return out


def test_worked_byte_streams():
    assert byte_stream([("a", None)]).hex() == "0100000000000000" "61" "ff" "0000000000000000"
    assert len(byte_stream([("a", 0)])) == 26


PATHS = {
    "a": [("a", None)],
    "a[0]": [("a", 0)],
    "a.b[2].c": [("a", None), ("b", 2), ("c", None)],
    "'h\u00e9 \U0001f600'[18446744073709551615]": [("h\u00e9 \U0001f600", 2**64 - 1)],
}


def test_the_hash_is_siphash13_with_key_zero_in_every_process():
    # CPython hashes bytes with SipHash-1-3, keyed with zeros under PYTHONHASHSEED=0.
    streams = [byte_stream(steps) for steps in PATHS.values()]
    script = "import sys; print(' '.join(str(hash(bytes.fromhex(h))) for h in sys.argv[1:]))"
    env = dict(os.environ, PYTHONHASHSEED="0")
    check = subprocess.run(
        [sys.executable, "-c", "import sys; print(sys.hash_info.algorithm)"],
        env=env, capture_output=True, text=True, check=True,
    )
    assert check.stdout.strip() == "siphash13"
    reference = subprocess.run(
        [sys.executable, "-c", script, *(s.hex() for s in streams)],
        env=env, capture_output=True, text=True, check=True,
    ).stdout.split()
    assert [hash(VarAccess(text)) for text in PATHS] == [int(h) for h in reference]

    # Another process with another hash seed gives the same hashes.
    ours = subprocess.run(
        [sys.executable, "-c",
         "import sys, korvel; print(' '.join(str(hash(korvel.VarAccess(t))) for t in sys.argv[1:]))",
         *PATHS],
        env=dict(os.environ, PYTHONHASHSEED="12345"), capture_output=True, text=True, check=True,
    ).stdout.split()
    assert ours == reference


json_like = st.recursive(
    st.none() | st.booleans() | st.integers(min_value=-(2**63), max_value=2**64 - 1)
    | st.floats(allow_nan=False) | st.text(),
    lambda children: st.lists(children, max_size=4) | st.dictionaries(st.text(), children, max_size=4),
    max_leaves=20,
)


@settings(max_examples=200)
@given(json_like, json_like)
def test_json_like_data_round_trips(value, replacement):
    assert same(VarAccess("x").access_from_bindings({"x": value}), value)
    assert same(VarAccess("x").access({"x": value}), value)
    assert same(VarAccess("x").replace({"x": value, "y": 1}, replacement), {"x": replacement, "y": 1})
