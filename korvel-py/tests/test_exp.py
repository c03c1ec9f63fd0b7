import copy
import math

import pytest

from korvel import Exp
from raised import error_text


@pytest.mark.parametrize(
    "text", ["a", "a ", " a", "\u00a0a", "a\u00a0", "a \u3000\u2028\u205f", "a == 1\n", "f( 1 )\u2009"]
)
def test_texts_with_blanks_around_them_compile(text):
    Exp(text)


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "error Char at: "),
        ("   ", "error Char at: "),
        ("1 2", "error Eof at: 2"),
        ("a \u00a0 b", "error Eof at: \u00a0 b"),  # the rest as it stood, blanks included
        ("a == ", "error Eof at: == "),
        ("a || ", "error Char at: "),
        ("a == b == c", "error Count at: "),
        ("(a", "error Char at: "),
        ("[1,]", "error Char at: [1,]"),
    ],
)
def test_texts_that_do_not_compile(text, message):
    assert error_text(lambda: Exp(text)) == (ValueError, message)


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: Exp(), "Exp.__new__() missing 1 required positional argument: 'exp'"),
        (lambda: Exp("1", "2"), "Exp.__new__() takes 1 positional arguments but 2 were given"),
        (
            lambda: Exp(exp="1"),
            "Exp.__new__() got some positional-only arguments passed as keyword arguments: 'exp'",
        ),
        (lambda: Exp(None), "argument 'exp': 'None' is not an instance of 'str'"),
        (lambda: Exp(1), "argument 'exp': 'int' object is not an instance of 'str'"),
        (lambda: Exp("1").eval(), "Exp.eval() missing 1 required positional argument: 'bindings'"),
        (lambda: Exp("1").eval({}, {}), "Exp.eval() takes 1 positional arguments but 2 were given"),
        (lambda: Exp("1").eval({}, bindings={}), "Exp.eval() got multiple values for argument 'bindings'"),
        (lambda: Exp("1").eval(binding={}), "Exp.eval() got an unexpected keyword argument 'binding'"),
        (lambda: Exp("1").eval([]), "argument 'bindings': 'list' object is not an instance of 'dict'"),
        (lambda: Exp("1").eval(None), "argument 'bindings': 'None' is not an instance of 'dict'"),
        (lambda: Exp("1").eval({1: 1}), "argument 'bindings': 'int' object is not an instance of 'str'"),
        (lambda: Exp("1").eval({"x": {1}}), "argument 'bindings': Unsupported type for JSON value: set"),
    ],
)
def test_argument_errors(call, message):
    assert error_text(call) == (TypeError, message)


def test_a_str_without_utf8_form_fails_with_the_encoding_error():
    with pytest.raises(UnicodeEncodeError):
        Exp("'\ud800'")


@pytest.mark.parametrize(
    "text, bindings, expected",
    [
        ("1", {}, 1),
        ("-1.5", {}, -1.5),
        ("'s'", {}, "s"),
        ("null", {}, None),
        ("x == 1 && y", {"x": 1, "y": "yes"}, "yes"),
        ("x", {"x": 2**63}, float(2**63)),
        ("x", {"x": 2**64 - 1}, float(2**64)),
        ("x", {"x": -(2**63)}, -(2**63)),
        ("x", {"x": [True, None, "t"]}, [True, None, "t"]),
        ("{'b': x, 'a': [1, 2.5]}", {"x": "v"}, {"a": [1, 2.5], "b": "v"}),
        ("len(x)", {"x": "h\u00e9"}, 2),
    ],
)
def test_eval_results(text, bindings, expected):
    result = Exp(text).eval(bindings)
    assert result == expected
    assert type(result) is type(expected)


def test_results_are_new_objects_with_sorted_keys():
    exp = Exp("x")
    bindings = {"x": {"b": 1, "a": {"d": 2, "c": 3}, "B": 0}}
    before = copy.deepcopy(bindings)
    first, second = exp.eval(bindings), exp.eval(bindings=bindings)
    assert list(first) == ["B", "a", "b"] and list(first["a"]) == ["c", "d"]
    assert first == second and first is not second and first is not bindings["x"]
    assert bindings == before and list(bindings["x"]) == ["b", "a", "B"]
    literal = Exp("[1, {'k': 'v'}]")
    assert literal.eval({}) is not literal.eval({})


def test_nan_and_infinities_come_back():
    result = Exp("x").eval({"x": [math.nan, math.inf]})
    assert math.isnan(result[0]) and result[1] == math.inf


@pytest.mark.parametrize(
    "text, bindings, error, message",
    [
        ("x", {}, NameError, "Variable not found: x"),
        ("x.k", {"x": {}}, NameError, "Object 'x' does not contain key 'k'"),
        ("x[1]", {"x": [0]}, NameError, "Index out of bounds: Index out of bounds at 'x[1]' (index: 1, length: 1)"),
        ("x[0]", {"x": 5}, NameError, "Type error: Expected array at 'x[0]', found UInt(5)"),
        ("nope(1)", {}, NameError, "Undefined function: nope"),
        ("len(1)", {}, TypeError, "Expected a string, array, or object, got: 'int'"),
        ("len()", {}, ValueError, "Expected 1 arguments, got 0"),
        ("len(1, 2)", {}, ValueError, "Expected 1 arguments, got 2"),
        ("1 < 2.5", {}, TypeError, "Cannot compare values of different types: int and float"),
        ("x < 1", {"x": 2**63}, TypeError, "Cannot compare values of different types: float and int"),
        ("[a, b]", {}, NameError, "Variable not found: b"),
    ],
)
def test_evaluation_errors(text, bindings, error, message):
    assert error_text(lambda: Exp(text).eval(bindings)) == (error, message)


def test_failed_calls_raise_the_callees_own_error_type():
    with pytest.raises(TypeError):
        Exp("len(1)").eval({})
    try:
        Exp("x").eval({})
    except Exception as caught:  # engine errors are ordinary exceptions
        assert isinstance(caught, NameError)


def test_an_invalid_pattern_is_a_value_error():
    with pytest.raises(ValueError, match=r"^Invalid regex pattern: "):
        Exp("matches('a', '(')").eval({})


def test_bindings_that_change_while_they_convert():
    class Grower:
        def __index__(self):
            bindings["new"] = 1
            return 0

    bindings = {"g": Grower(), "h": 1}
    assert error_text(lambda: Exp("g").eval(bindings)) == (
        RuntimeError,
        "dictionary changed size during iteration",
    )


def test_deep_expressions_end_in_a_result_or_a_clean_exception():
    result = Exp("[" * 200 + "]" * 200).eval({})
    for _ in range(199):
        (result,) = result
    assert result == []
    with pytest.raises(RecursionError):
        Exp("[" * 100000 + "]" * 100000).eval({})


def test_a_result_nested_more_deeply_than_python_takes_raises_recursion_error():
    inner = 1
    for _ in range(900):
        inner = [inner]
    exp = Exp("[" * 200 + "x" + "]" * 200)  # both within limits, 1,100 levels together
    with pytest.raises(RecursionError):
        exp.eval({"x": inner})
