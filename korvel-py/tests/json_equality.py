"""Equality of JSON-like data that also compares the types of every part."""
import math


def same(a, b):
    """Equal, and of the same types all the way down (a NaN equals a NaN).

    Walks with a stack of its own, so that data of any depth compares."""
    pending = [(a, b)]
    while pending:
        a, b = pending.pop()
        if type(a) is not type(b):
            return False
        if isinstance(a, list):
            if len(a) != len(b):
                return False
            pending.extend(zip(a, b))
        elif isinstance(a, dict):
            if list(a) != list(b):
                return False
            pending.extend((a[k], b[k]) for k in a)
        elif isinstance(a, float) and math.isnan(a):
            if not math.isnan(b):
                return False
        elif a != b:
            return False
    return True
