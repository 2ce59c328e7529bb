import datetime
import decimal
from typing import Any, Literal, NoReturn, Union, overload

# The values a member accepts (conversions.h); what members return is typed Any.
_Argument = Union[None, bool, int, float, str, decimal.Decimal, datetime.datetime,
                  datetime.date, Object, Special, Ref]

class Error(Exception):
    """An error raised by the component: its number and description."""
    number: int
    description: str
    def __init__(self, number: int, description: str = ...) -> None: ...

class MemberError(Error, AttributeError):
    """Error 438 for a member name the object's class does not have."""

class Special:
    """The type of the singletons Empty, Null, Nothing and Missing."""
    def __bool__(self) -> Literal[False]: ...

Empty: Special
Null: Special
Nothing: Special
Missing: Special

class Object:
    """A component object, driven by late binding. Each component class has its own
    subclass, whose docstring lists its members."""
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: _Argument) -> None: ...
    def __call__(self, *args: _Argument) -> Any: ...
    def __getitem__(self, key: Any) -> Any: ...
    def __setitem__(self, key: Any, value: _Argument) -> None: ...
    def __eq__(self, other: object) -> bool: ...
    def __ne__(self, other: object) -> bool: ...
    def __hash__(self) -> int: ...

class BoundMember:
    """A member of one object: call it (method or property with arguments), index it to
    read or assign a property."""
    def __call__(self, *args: _Argument) -> Any: ...
    def __getitem__(self, key: Any) -> Any: ...
    def __setitem__(self, key: Any, value: _Argument) -> None: ...
    def __bool__(self) -> NoReturn: ...

class Ref:
    """An argument passed by reference: after a call, `value` holds what the member wrote
    into it."""
    value: Any
    def __init__(self, value: _Argument = ...) -> None: ...

class MemberInfo:
    """A member of a class, as members() lists it."""
    @property
    def name(self) -> str: ...
    @property
    def kinds(self) -> int: ...
    @property
    def min_args(self) -> int: ...
    @property
    def max_args(self) -> int: ...
    @property
    def is_method(self) -> bool: ...
    @property
    def is_get(self) -> bool: ...
    @property
    def is_let(self) -> bool: ...

METHOD: int
PROPERTY_GET: int
PROPERTY_LET: int

def classes() -> list[str]:
    """The creatable class names, in registration order."""

def members(obj: Object) -> list[MemberInfo]:
    """The members of the object's class, in slot order."""

def class_name(obj: Object) -> str:
    """The name of the object's class."""

def invoke(obj: Object, name: str, *args: _Argument,
           kind: Literal["method", "get", "let"] = ...) -> Any:
    """Invokes a member by name: kind 'method', 'get' or 'let' (the last argument is the
    value assigned)."""

def _testing_echo() -> str: ...
