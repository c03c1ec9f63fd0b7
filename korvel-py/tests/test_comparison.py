"""== and != of Exp and VarAccess compare compiled forms; equal paths hash alike."""
import pytest

from korvel import Exp, VarAccess

EQUAL = [
    (Exp, "a==1", "( a == 1 )"),
    (Exp, "'x'", '"x"'),
    (Exp, "'x'", "r'x'"),
    (Exp, "{'b': 1, 'a': 2}", "{'a': 2, 'b': 1}"),
    (Exp, "f(1,)", "f( 1 )"),
    (Exp, "007", "7"),
    (VarAccess, "a", "'a'"),
    (VarAccess, "a", '"a"'),
    (VarAccess, "a[0]", "a[ 0 ]"),
    (VarAccess, "a[0]", "a[00]"),
    (VarAccess, "a.b", "a.'b'"),
]

UNEQUAL = [
    (Exp, "1", "1.0"),
    (Exp, "a", "a[0]"),
    (Exp, "a < b", "b > a"),
    (Exp, "[1, 2]", "[2, 1]"),
    (VarAccess, "a", "a[0]"),
    (VarAccess, "a[0]", "a[1]"),
    (VarAccess, "a", "A"),
    (VarAccess, "a.b", "a"),
    (VarAccess, "a.b", "b.a"),
]


@pytest.mark.parametrize(
    "cls, a, b, equal", [(*case, True) for case in EQUAL] + [(*case, False) for case in UNEQUAL]
)
def test_equality(cls, a, b, equal):
    assert (cls(a) == cls(b)) == equal
    assert (cls(a) != cls(b)) != equal
    if equal and cls is VarAccess:
        assert hash(cls(a)) == hash(cls(b))


@pytest.mark.parametrize("cls", [Exp, VarAccess])
def test_comparison_with_other_objects_and_orderings(cls):
    compiled = cls("a")
    assert compiled != "a" and not compiled == "a"
    assert compiled.__eq__("a") is NotImplemented
    with pytest.raises(TypeError):
        compiled < cls("b")


def test_expressions_are_unhashable_and_paths_are_dict_keys():
    with pytest.raises(TypeError):
        hash(Exp("a"))
    assert {VarAccess("a[0]"): 1}[VarAccess("a[ 0 ]")] == 1
