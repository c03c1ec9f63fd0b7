# Plain data (exact dicts with exact str keys, lists, tuples, exact strs,
# ints, floats, bools and None) is read where it lies; any other data is
# copied first. Both roads must give the same results, raise the same
# exceptions with the same messages, and run the same Python code of the
# objects in the same order.
#
# The copying road is forced by a subclass of the outermost container, which
# the conversion reads exactly as the plain container; data that holds
# anything else anywhere is copied on both calls, and the comparison then
# shows that the check of plain data gave up without running any of its code.
import collections.abc
import math
import sys
import threading

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from json_equality import same
from korvel import Exp, VarAccess

calls = []  # the Python code of the data that ran, in order


class CopiedDict(dict):
    pass


class CopiedList(list):
    pass


def copied(value):
    """The same data, always copied: its outermost container is a subclass."""
    if type(value) is dict:
        return CopiedDict(value)
    if type(value) in (list, tuple):
        return CopiedList(value)
    return value


class IntSub(int):
    pass


class StrSub(str):
    def __hash__(self):
        return 1  # a key equal to a plain str key, in another slot of the dict


class Logged(collections.abc.Mapping):
    """A Mapping that notes every use of its methods."""

    def __init__(self, items):
        self.items = dict(items)

    def keys(self):
        calls.append(("keys", id(self)))
        return list(self.items)

    def __getitem__(self, key):
        calls.append(("getitem", id(self), key))
        return self.items[key]

    def __iter__(self):
        return iter(self.items)

    def __len__(self):
        calls.append(("len", id(self)))
        return len(self.items)


class Indexed:
    def __init__(self, n):
        self.n = n

    def __index__(self):
        calls.append(("index", self.n))
        return self.n


def outcome(call):
    """What call() gives or raises, and the Python code of the data that ran."""
    calls.clear()
    try:
        result = ("result", call())
    except Exception as error:  # RecursionError included
        result = ("raised", type(error), str(error))
    return result, list(calls)


def assert_same_outcome(in_place, copying):
    (first, first_calls), (second, second_calls) = outcome(in_place), outcome(copying)
    if first[0] == second[0] == "result":
        assert same(first[1], second[1])
    else:
        assert first == second
    assert first_calls == second_calls


KEYS = ["a", "b", "k", "\u00e9", "a.b", ""]

plain_leaves = (
    st.none()
    | st.booleans()
    | st.integers(min_value=-3, max_value=3)
    | st.integers(min_value=-(2**63), max_value=2**64 - 1)
    | st.integers()
    | st.floats()
    | st.sampled_from([2**63, 2**64 - 1, 2**64, -(2**63) - 1, 10**300, -0.0, math.nan, math.inf])
    | st.text(max_size=4)
    | st.sampled_from(KEYS)
)

odd_leaves = (
    st.sampled_from([10**400, -(10**400), "\ud800", "a\udfffb", b"ab", {1}, 1j, object()])
    | st.builds(IntSub, st.integers())
    | st.builds(StrSub, st.sampled_from(KEYS))
    | st.builds(Indexed, st.integers(min_value=-3, max_value=3))
)

keys = st.sampled_from(KEYS) | st.text(max_size=3)


def containers(children):
    return (
        st.lists(children, max_size=4)
        | st.lists(children, max_size=3).map(tuple)
        | st.dictionaries(keys, children, max_size=4)
    )


def odd_containers(children):
    return (
        st.dictionaries(keys, children, max_size=3).map(CopiedDict)
        | st.lists(children, max_size=3).map(CopiedList)
        | st.dictionaries(keys, children, max_size=3).map(Logged)
        | st.lists(st.tuples(st.sampled_from(KEYS) | st.builds(StrSub, st.sampled_from(KEYS)), children), max_size=3).map(dict)
        | st.dictionaries(st.sampled_from([1, None, (1,)]), children, min_size=1, max_size=1)
    )


plain = st.recursive(plain_leaves, containers, max_leaves=10)
odd = st.recursive(
    plain_leaves | odd_leaves,
    lambda children: containers(children) | odd_containers(children),
    max_leaves=10,
)
# Mostly plain, so that most calls read in place.
data = st.one_of(*[plain] * 9, odd)

# Paths as text and as steps (name, index).
PATHS = {
    "a": [("a", None)],
    "k": [("k", None)],
    "a[0]": [("a", 0)],
    "a.b": [("a", None), ("b", None)],
    "a[1].k": [("a", 1), ("k", None)],
    "b.a[0]": [("b", None), ("a", 0)],
    "k.k.k": [("k", None)] * 3,
    "'\u00e9'": [("\u00e9", None)],
    "'a.b'[2]": [("a.b", 2)],
}


mostly = st.sampled_from([True] * 5 + [False])


@st.composite
def planted(draw, steps):
    """Data in which `steps` lead to a value, most of the time."""
    value = draw(data)
    for name, index in reversed(steps):
        # An index on something that is no array shows it in the message.
        if index is not None and draw(st.sampled_from([True, True, False])):
            items = draw(st.lists(data, max_size=3))
            items[index:index] = [draw(data) for _ in range(index - len(items))] + [value]
            value = items if draw(st.booleans()) else tuple(items)
        members = draw(st.dictionaries(keys, data, max_size=3))
        if draw(mostly):
            members[name] = value
        value = members
    return value


@st.composite
def path_and_root(draw):
    text = draw(st.sampled_from(list(PATHS)))
    return text, draw(planted(PATHS[text]) if draw(mostly) else data)


# Expressions, with the steps that their reads of x walk.
EXPRESSIONS = {
    "x": [], "y": [], "x.a": [("a", None)], "x[0]": [], "x.a[1].b": [("a", 1), ("b", None)],
    "x.k.a": [("k", None), ("a", None)], "len(x)": [], "string(x)": [], "x == y": [],
    "x != y": [], "[x, y, 1]": [], "{'k': x, 'a': y}": [], "contains(x, y)": [],
    "startsWith(x, y)": [], "endsWith(x, 'a')": [], "split(x, ',')": [], "join(x, y)": [],
    "int(x)": [], "float(x)": [], "bool(x)": [], "x || y": [], "x && y": [], "!x": [],
    "x < y": [], "x >= y": [], "replace(x, 'a', y)": [], "format(x, y)": [],
    "matches(x, 'a')": [], "z": [],
    # Several reads of one binding, between reads of others.
    "[x.k, y, x.k.a, x]": [("k", None), ("a", None)], "[x.a, z, x.a]": [("a", None)],
}


@st.composite
def expression_and_bindings(draw):
    text = draw(st.sampled_from(list(EXPRESSIONS)))
    return text, {"x": draw(planted(EXPRESSIONS[text])), "y": draw(data)}


examples = settings(max_examples=300)


@examples
@given(expression_and_bindings())
def test_eval(case):
    text, bindings = case
    exp = Exp(text)
    assert_same_outcome(lambda: exp.eval(bindings), lambda: exp.eval(CopiedDict(bindings)))


# Values read whole, each a different way through the reading of plain data:
# scalars at the edges of the int ranges, arrays of scalars, arrays that hold
# something read only by the general conversion after some scalars.
WHOLE_VALUES = [
    "", "\u00e9\U0001f600", 2**63 - 1, -(2**63), 2**63, 2**64, -(2**63) - 1, -0.0, True, None,
    [], ("a", 1, 2.5, False, None), ["a", 2**64], ["a", [1, [2]]], [1, {"k": (2,)}],
]


@pytest.mark.parametrize("value", WHOLE_VALUES, ids=repr)
@pytest.mark.parametrize("text", ["x", "[x, x]", "len(x)", "x == x"])
def test_eval_whole_values(text, value):
    exp = Exp(text)
    assert_same_outcome(
        lambda: exp.eval({"x": value}), lambda: exp.eval(CopiedDict({"x": value}))
    )


@examples
@given(path_and_root())
def test_access(case):
    text, value = case
    path = VarAccess(text)
    assert_same_outcome(lambda: path.access(value), lambda: path.access(copied(value)))


@examples
@given(path_and_root())
def test_access_from_bindings(case):
    text, bindings = case
    if type(bindings) is not dict:
        bindings = {"a": bindings}
    path = VarAccess(text)
    assert_same_outcome(
        lambda: path.access_from_bindings(bindings),
        lambda: path.access_from_bindings(CopiedDict(bindings)),
    )


@examples
@given(path_and_root(), data)
def test_replace(case, replacement):
    text, value = case
    path = VarAccess(text)
    assert_same_outcome(
        lambda: path.replace(value, replacement),
        lambda: path.replace(copied(value), replacement),
    )
    assert_same_outcome(
        lambda: path.replace(value, replacement),
        lambda: path.replace(value, copied(replacement)),
    )


def nest(depth, leaf=1):
    value = leaf
    for _ in range(depth):
        value = [value]
    return value


@pytest.mark.parametrize("depth", [998, 999, 1000, 1001])
@pytest.mark.parametrize("limit", [None, 100000])
def test_both_roads_stop_at_the_same_depth(depth, limit):
    old = sys.getrecursionlimit()
    if limit is not None:
        sys.setrecursionlimit(limit)
    try:
        value = nest(depth)
        bindings = {"x": value}
        exp, path = Exp("[x]"), VarAccess("x")
        assert_same_outcome(lambda: exp.eval(bindings), lambda: exp.eval(CopiedDict(bindings)))
        assert_same_outcome(lambda: path.access(bindings), lambda: path.access(copied(bindings)))
        assert_same_outcome(
            lambda: path.access_from_bindings(bindings),
            lambda: path.access_from_bindings(CopiedDict(bindings)),
        )
        assert_same_outcome(
            lambda: path.replace({"x": 0}, value), lambda: path.replace({"x": 0}, copied(value))
        )
    finally:
        sys.setrecursionlimit(old)


def test_results_are_new_lists_dicts_and_floats():
    nan = math.nan
    value = {"a": [1, {"b": (nan, "s")}]}
    for result in (
        VarAccess("a").access(value),
        VarAccess("a").access_from_bindings(value),
        VarAccess("a[0]").replace(value, 1)["a"],
    ):
        assert result is not value["a"] and result[1] is not value["a"][1]
        # A float shared with the data would make the NaN equal to itself.
        assert result != [1, {"b": [nan, "s"]}]


def on_a_small_stack(call):
    """What call() returns or raises on a thread with a 256 KiB stack, with
    the interpreter's recursion limit lifted so that the nesting rule is what
    stops the conversions."""
    outcomes = []
    old_limit, old_size = sys.getrecursionlimit(), threading.stack_size()
    sys.setrecursionlimit(100000)
    threading.stack_size(256 * 1024)
    try:
        thread = threading.Thread(target=lambda: outcomes.append(outcome(call)[0]))
        thread.start()
        thread.join()
    finally:
        threading.stack_size(old_size)
        sys.setrecursionlimit(old_limit)
    return outcomes[0]


@pytest.mark.parametrize("copy", [lambda value: value, copied])
def test_deep_data_needs_no_deep_call_stack(copy):
    value = nest(999)  # with the dict around it, as deep as data may be
    path = VarAccess("x")
    calls = [
        (lambda: Exp("x").eval(copy({"x": value})), value),
        (lambda: Exp("string(x)").eval(copy({"x": value})), "[" * 999 + "1" + "]" * 999),
        (lambda: path.access(copy({"x": value})), value),
        (lambda: path.access_from_bindings(copy({"x": value})), value),
        (lambda: path.replace(copy({"x": 0}), value), {"x": value}),
    ]
    for call, expected in calls:
        result = on_a_small_stack(call)
        assert result[0] == "result" and same(result[1], expected), result[:2]
    # One level more than data may have.
    for call in (
        lambda: Exp("[x]").eval(copy({"x": [value]})),
        lambda: path.replace(copy({"x": 0}), [value]),
        lambda: path.access(copy({"x": [value]})),
    ):
        assert on_a_small_stack(call)[:2] == ("raised", RecursionError)
