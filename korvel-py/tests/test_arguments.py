# Argument binding: the TypeErrors of calls that do not fit a callee.
import pytest

from korvel import VarAccess

path = VarAccess("a")


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: VarAccess(), "VarAccess.__new__() missing 1 required positional argument: 'accessor'"),
        (lambda: VarAccess("a", "b"), "VarAccess.__new__() takes 1 positional arguments but 2 were given"),
        (
            lambda: VarAccess(accessor="a"),
            "VarAccess.__new__() got some positional-only arguments passed as keyword arguments: 'accessor'",
        ),
        (lambda: VarAccess("a", x=1), "VarAccess.__new__() got an unexpected keyword argument 'x'"),
        (lambda: path.access(), "VarAccess.access() missing 1 required positional argument: 'value'"),
        (lambda: path.access(1, 2), "VarAccess.access() takes 1 positional arguments but 2 were given"),
        (lambda: path.access(1, 2, 3), "VarAccess.access() takes 1 positional arguments but 3 were given"),
        (
            lambda: path.access(value={}),
            "VarAccess.access() got some positional-only arguments passed as keyword arguments: 'value'",
        ),
        (
            lambda: path.replace(),
            "VarAccess.replace() missing 2 required positional arguments: 'value' and 'replacement'",
        ),
        (
            lambda: path.replace({}),
            "VarAccess.replace() missing 1 required positional argument: 'replacement'",
        ),
        (
            lambda: path.replace(value={}, replacement=1),
            "VarAccess.replace() got some positional-only arguments passed as keyword arguments:"
            " 'value' and 'replacement'",
        ),
        (
            lambda: path.replace({}, 1, other=2),
            "VarAccess.replace() got an unexpected keyword argument 'other'",
        ),
        (
            lambda: path.access_from_bindings(bindings={}),
            "VarAccess.access_from_bindings() got some positional-only arguments passed as keyword"
            " arguments: 'bindings'",
        ),
        # A keyword that no parameter has is reported before the missing ones.
        (lambda: path.access_from_bindings(b={}), "VarAccess.access_from_bindings() got an unexpected keyword argument 'b'"),
        # Too many positional arguments are reported before any keyword.
        (lambda: path.access(1, 2, x=3), "VarAccess.access() takes 1 positional arguments but 2 were given"),
        (lambda: path.access(**{"\udc80": 1}), "VarAccess.access() got an unexpected keyword argument '\udc80'"),
    ],
)
def test_calls_that_do_not_fit(call, message):
    with pytest.raises(TypeError) as raised:
        call()
    assert str(raised.value) == message


class Outer:
    class Inner:
        pass


@pytest.mark.parametrize(
    "argument, message",
    [
        (None, "argument 'accessor': 'None' is not an instance of 'str'"),
        (1, "argument 'accessor': 'int' object is not an instance of 'str'"),
        (b"a", "argument 'accessor': 'bytes' object is not an instance of 'str'"),
        (Outer.Inner(), "argument 'accessor': 'Outer.Inner' object is not an instance of 'str'"),
    ],
)
def test_a_text_parameter_takes_only_str(argument, message):
    with pytest.raises(TypeError) as raised:
        VarAccess(argument)
    assert type(raised.value) is TypeError
    assert str(raised.value) == message


def test_a_str_subclass_is_text():
    class Name(str):
        pass

    assert VarAccess(Name("a.b")) == VarAccess("a.b")


def test_a_str_without_utf8_form_fails_with_the_encoding_error():
    with pytest.raises(UnicodeEncodeError):
        VarAccess("\ud800")
