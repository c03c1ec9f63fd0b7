import gc
import importlib.util
import inspect
import weakref

import pytest

import korvel
from korvel import Exp, VarAccess


def test_module_publishes_exactly_the_two_classes():
    assert korvel.__all__ == ["Exp", "VarAccess"]
    assert korvel.__doc__ == ""
    own = {name for name in vars(korvel) if not name.startswith("__")}
    assert own == {"Exp", "VarAccess"}
    assert korvel.Exp is Exp and korvel.VarAccess is VarAccess


@pytest.mark.parametrize("cls", [Exp, VarAccess])
def test_class_names(cls):
    assert cls.__module__ == "builtins"
    assert cls.__name__ == cls.__qualname__ == cls.__name__
    assert repr(cls) == f"<class 'builtins.{cls.__name__}'>"


def test_signatures_and_docstrings():
    assert str(inspect.signature(Exp)) == "(exp, /)"
    assert str(inspect.signature(VarAccess)) == "(accessor, /)"
    # "$self" makes the receiver positional-only; bindings alone may be a keyword.
    assert str(inspect.signature(Exp.eval)) == "(self, /, bindings)"
    assert str(inspect.signature(Exp("1").eval)) == "(bindings)"
    assert str(inspect.signature(VarAccess.access)) == "(self, value, /)"
    assert str(inspect.signature(VarAccess.replace)) == "(self, value, replacement, /)"
    assert str(inspect.signature(VarAccess.access_from_bindings)) == "(self, bindings, /)"
    for method in (Exp.eval, VarAccess.access, VarAccess.replace, VarAccess.access_from_bindings):
        assert method.__doc__.strip()  # prose follows the signature
    # The class docs carry only the signature.
    assert Exp.__text_signature__ == "(exp, /)"
    assert not Exp.__doc__


@pytest.mark.parametrize("cls", [Exp, VarAccess])
def test_classes_cannot_be_subclassed(cls):
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


def test_instances_have_no_dict_weakref_or_gc_tracking():
    path = VarAccess("a")
    with pytest.raises(AttributeError):
        path.extra = 1
    with pytest.raises(TypeError):
        weakref.ref(path)
    assert not gc.is_tracked(path)


def test_class_objects_accept_attributes():
    VarAccess.note = "x"
    try:
        assert VarAccess("a").note == "x"
    finally:
        del VarAccess.note


def test_exp_is_unhashable_and_var_access_hashable():
    assert Exp.__hash__ is None
    assert isinstance(hash(VarAccess("a")), int)


def load_fresh_module(before_exec=None):
    spec = importlib.util.find_spec("korvel")
    module = importlib.util.module_from_spec(spec)
    if before_exec:
        before_exec(module)
    spec.loader.exec_module(module)
    return module


def test_every_module_object_shares_the_class_objects():
    module = load_fresh_module()
    assert module.Exp is Exp and module.VarAccess is VarAccess
    assert module.__all__ == ["Exp", "VarAccess"]


def test_an_all_that_is_not_a_list_is_refused():
    def set_all(module):
        module.__all__ = ("x",)

    with pytest.raises(TypeError, match=r"^'tuple' object is not an instance of 'list'$"):
        load_fresh_module(set_all)


def test_an_existing_all_list_is_extended():
    module = load_fresh_module(lambda m: setattr(m, "__all__", ["x"]))
    assert module.__all__ == ["x", "Exp", "VarAccess"]
