# Python data into the binding's JSON values and back, seen through
# VarAccess, which returns converted data as it is (no evaluation).
import collections.abc
import decimal
import fractions
import math
import sys

import pytest

from json_equality import same
from korvel import VarAccess

X = VarAccess("x")


def convert(value):
    """The value after a trip through the conversion, nested one level."""
    return X.access({"x": value})




@pytest.mark.parametrize(
    "value, expected",
    [
        (None, None),
        (True, True),
        (False, False),
        (0, 0),
        (1, 1),
        (-1, -1),
        (2**63 - 1, 2**63 - 1),
        (2**63, 2**63),
        (2**64 - 1, 2**64 - 1),
        (2**64, float(2**64)),
        (-(2**63), -(2**63)),
        (-(2**63) - 1, float(-(2**63) - 1)),
        (10**300, float(10**300)),
        (1.5, 1.5),
        (-0.0, -0.0),
        (math.inf, math.inf),
        (math.nan, math.nan),
        ("", ""),
        ("h\u00e9\U0001f600\x00", "h\u00e9\U0001f600\x00"),
        ([], []),
        ({}, {}),
        ((1, "a"), [1, "a"]),
        (range(3), [0, 1, 2]),
        (b"ab", [97, 98]),
        (bytearray(b"\x00"), [0]),
        (decimal.Decimal("1.5"), 1.5),
        (fractions.Fraction(1, 4), 0.25),
        ({"b": 1, "a": [None, {"c": True}]}, {"b": 1, "a": [None, {"c": True}]}),
    ],
)
def test_conversion_rules(value, expected):
    assert same(convert(value), expected)


def test_int_and_float_subclasses_and_str_subclasses():
    class I(int):
        pass

    class F(float):
        pass

    class S(str):
        pass

    assert same(convert(I(5)), 5)
    assert same(convert(I(-5)), -5)
    assert same(convert(F(0.5)), 0.5)
    assert same(convert(S("s")), "s")


def test_an_index_method_makes_an_integer():
    calls = []

    class Index:
        def __init__(self, n):
            self.n = n

        def __index__(self):
            calls.append(self.n)
            return self.n

    assert same(convert(Index(7)), 7)
    assert calls == [7]
    calls.clear()
    # Tried once as unsigned and once as signed.
    assert same(convert(Index(-7)), -7)
    assert calls == [-7, -7]


def numpy_like_bool_type(name, truth):
    namespace = {"__module__": "numpy"}
    if truth is not None:
        namespace["__bool__"] = truth
    return type(name, (), namespace)


@pytest.mark.parametrize("name", ["bool_", "bool"])
def test_numpy_bools_by_module_and_type_name(name):
    cls = numpy_like_bool_type(name, lambda self: self.value)
    false, true = cls(), cls()
    false.value, true.value = False, True
    assert same(convert(false), False)
    assert same(convert(true), True)


def test_a_numpy_bool_without_a_working_truth_slot_is_no_bool():
    def fail(self):
        raise ValueError("no truth")

    for truth in (None, fail):
        cls = numpy_like_bool_type("bool_", truth)
        with pytest.raises(TypeError, match="^argument 'value': Unsupported type for JSON value: bool_$"):
            X.access(cls())


def test_same_names_outside_numpy_are_no_bools():
    cls = type("bool_", (), {"__module__": "other", "__bool__": lambda self: True})
    with pytest.raises(TypeError, match="Unsupported type for JSON value: bool_"):
        convert(cls())


@pytest.mark.parametrize(
    "value, type_name",
    [({1}, "set"), (1j, "complex"), (object(), "object"), (10**400, "int"), ([[frozenset()]], "frozenset")],
)
def test_unsupported_values(value, type_name):
    with pytest.raises(TypeError) as raised:
        X.access(value)
    assert str(raised.value) == f"argument 'value': Unsupported type for JSON value: {type_name}"
    with pytest.raises(TypeError) as raised:
        X.replace({"x": 1}, value)
    assert str(raised.value) == f"argument 'replacement': Unsupported type for JSON value: {type_name}"


def test_a_str_without_utf8_form_fails_with_the_encoding_error():
    with pytest.raises(UnicodeEncodeError):
        convert(["ok", "\udc80"])


class Seq(collections.abc.Sequence):
    def __init__(self, items, length=None):
        self.items = items
        self.length = length

    def __getitem__(self, i):
        return self.items[i]

    def __len__(self):
        if isinstance(self.length, Exception):
            raise self.length
        return len(self.items) if self.length is None else self.length


def test_sequences_are_read_by_iteration():
    assert same(convert(Seq([1, "a"])), [1, "a"])
    # The reported length only sizes a reservation.
    assert same(convert(Seq([1, 2, 3], length=1)), [1, 2, 3])
    assert same(convert(Seq([1], length=2**62)), [1])
    assert same(convert(Seq([1], length=ValueError("no length"))), [1])

    class Reversed(list):
        def __iter__(self):
            return reversed(self[:])

    assert same(convert(Reversed([1, 2])), [2, 1])


def test_a_list_changed_while_it_converts():
    class Shrinker:
        def __index__(self):
            del items[1:]
            return 0

    items = [Shrinker(), 1, 2]
    assert same(convert(items), [0])


def test_the_first_failing_item_ends_the_conversion_unchanged():
    class Failing:
        def __iter__(self):
            yield 1
            raise KeyError("from iteration")

    collections.abc.Sequence.register(Failing)
    with pytest.raises(KeyError, match="from iteration"):
        convert(Failing())


def test_a_raising_instance_check_is_reported_and_counts_as_no(monkeypatch):
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", lambda info: reported.append(info.exc_value))

    class Opaque:
        @property
        def __class__(self):
            raise LookupError("no class")

    with pytest.raises(TypeError, match="Unsupported type for JSON value: Opaque"):
        convert(Opaque())
    assert [type(e) for e in reported] == [LookupError, LookupError]  # Sequence, then Mapping


class Map(collections.abc.Mapping):
    def __init__(self, keys, values):
        self.key_list = keys
        self.values = values

    def keys(self):
        return self.key_list

    def __getitem__(self, key):
        return self.values[key]

    def __iter__(self):
        return iter(self.key_list)

    def __len__(self):
        return len(self.key_list)


def test_mappings_are_read_through_their_key_list():
    assert same(convert(Map(["b", "a"], {"a": 1, "b": 2})), {"b": 2, "a": 1})


def test_a_key_listed_twice_keeps_its_first_position_and_the_last_value():
    class Counting(Map):
        reads = 0

        def __getitem__(self, key):
            self.reads += 1
            return self.reads

    assert same(convert(Counting(["k", "j", "k"], None)), {"k": 3, "j": 2})


def test_a_key_list_that_shrinks_while_values_convert():
    class Popper:
        def __index__(self):
            keys.pop()
            return 0

    keys = ["a", "b", "c"]
    assert same(convert(Map(keys, {"a": Popper(), "b": 1, "c": 2})), {"a": 0, "b": 1})


def test_dict_subclasses_are_mappings_read_through_keys():
    class Keyed(dict):
        def keys(self):
            return ["b"]

    assert same(convert(Keyed(a=1, b=2)), {"b": 2})


@pytest.mark.parametrize(
    "key, message",
    [
        (1, "'int' object is not an instance of 'str'"),
        (None, "'None' is not an instance of 'str'"),
        ((1,), "'tuple' object is not an instance of 'str'"),
    ],
)
def test_mapping_keys_must_be_str(key, message):
    with pytest.raises(TypeError) as raised:
        X.access({key: 1})
    assert str(raised.value) == f"argument 'value': {message}"
    with pytest.raises(TypeError) as raised:
        X.access({"x": [{key: 1}]})
    assert str(raised.value) == f"argument 'value': {message}"


def test_failures_other_than_type_errors_pass_unchanged():
    with pytest.raises(KeyError) as raised:
        convert(Map(["a"], {}))
    assert raised.value.args == ("a",)
    with pytest.raises(UnicodeEncodeError):
        X.access({"\udc80": 1})


class Raising(Map):
    def __init__(self, error):
        super().__init__(["a"], {})
        self.error = error

    def __getitem__(self, key):
        raise self.error


def test_only_exact_type_errors_are_wrapped_and_the_cause_is_kept():
    class Special(TypeError):
        pass

    with pytest.raises(Special, match="^special$"):
        X.access(Raising(Special("special")))

    cause = ValueError("why")
    plain = TypeError("plain")
    plain.__cause__ = cause
    with pytest.raises(TypeError) as raised:
        X.access(Raising(plain))
    assert type(raised.value) is TypeError
    assert str(raised.value) == "argument 'value': plain"
    assert raised.value.__cause__ is cause


def nest(depth, leaf=1):
    value = leaf
    for _ in range(depth):
        value = [value]
    return value


def test_deep_data_converts_up_to_the_nesting_limit():
    old = sys.getrecursionlimit()
    sys.setrecursionlimit(max(old, 20000))
    try:
        assert convert(nest(900)) == nest(900)
        with pytest.raises(RecursionError):
            convert(nest(1000))  # 1001 levels with the dict around it
    finally:
        sys.setrecursionlimit(old)


@pytest.mark.parametrize("depth", [2000, 100000])
def test_data_nested_too_deeply_raises_recursion_error(depth):
    with pytest.raises(RecursionError):
        convert(nest(depth))


def test_data_that_contains_itself_raises_recursion_error():
    cycle = []
    cycle.append(cycle)
    with pytest.raises(RecursionError):
        convert(cycle)
    loop = {}
    loop["x"] = loop
    with pytest.raises(RecursionError):
        X.access(loop)


def test_a_result_nested_too_deeply_for_python_raises_recursion_error():
    # Each part is within the limit; the replaced whole is not.
    def chain(depth, leaf):
        for _ in range(depth):
            leaf = {"a": leaf}
        return leaf

    path = VarAccess("x" + ".a" * 600)
    value = {"x": chain(600, 0)}
    assert path.replace(value, 5) == {"x": chain(600, 5)}
    with pytest.raises(RecursionError):
        path.replace(value, nest(600))


def test_large_objects_keep_their_order_and_find_every_key():
    keys = [f"k{i}" for i in range(100)]
    value = {key: i for i, key in enumerate(reversed(keys))}
    assert list(convert(value)) == list(value)
    for key in keys:
        assert VarAccess(f"x.{key}").access({"x": value}) == value[key]
    with pytest.raises(NameError, match="^Object 'x' does not contain key 'k100'$"):
        VarAccess("x.k100").access({"x": value})

    class Counting(Map):
        reads = 0

        def __getitem__(self, key):
            self.reads += 1
            return self.reads

    # A repeated key past the first few entries.
    expected = {key: i + 1 for i, key in enumerate(keys[:20])}
    expected["k15"] = 21
    assert same(convert(Counting(keys[:20] + ["k15"], None)), expected)
