# The types of the korvel extension module, for type checkers and editors. It is
# installed as the stub-only package korvel-stubs, where type checkers look for
# the stubs of a module that is not a package.

from collections.abc import Mapping, Sequence
from typing import Any, ClassVar, Self, SupportsFloat, SupportsIndex, TypeAlias, final

__all__ = ["Exp", "VarAccess"]

# The data the methods take: None, bools, ints (or anything with __index__),
# floats (or anything with __float__), strs, and sequences and mappings with
# str keys of these.
_JsonInput: TypeAlias = (
    None
    | bool
    | int
    | float
    | str
    | SupportsIndex
    | SupportsFloat
    | Sequence[_JsonInput]
    | Mapping[str, _JsonInput]
)

# The data the methods return; lists and dicts are always new objects.
_Json: TypeAlias = None | bool | int | float | str | list[_Json] | dict[str, _Json]

# Bindings must be a dict; its values are _JsonInput. A dict's value type is
# invariant, so dict[str, _JsonInput] would refuse a dict[str, int].
_Bindings: TypeAlias = dict[str, Any]

@final
class Exp:
    def __new__(cls, exp: str, /) -> Self: ...
    def eval(self, bindings: _Bindings) -> _Json: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: ClassVar[None]  # type: ignore[assignment]

@final
class VarAccess:
    def __new__(cls, accessor: str, /) -> Self: ...
    def access(self, value: _JsonInput, /) -> _Json: ...
    def replace(self, value: _JsonInput, replacement: _JsonInput, /) -> _Json: ...
    def access_from_bindings(self, bindings: _Bindings, /) -> _Json: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    def __hash__(self) -> int: ...
