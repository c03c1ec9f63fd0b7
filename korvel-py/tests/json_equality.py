"""Equality of JSON-like data that also compares the types of every part."""
import math


def same(a, b):
    """Equal, and of the same types all the way down (a NaN equals a NaN)."""
    if type(a) is not type(b):
        return False
    if isinstance(a, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, dict):
        return list(a) == list(b) and all(same(a[k], b[k]) for k in a)
    if isinstance(a, float) and math.isnan(a):
        return math.isnan(b)
    return a == b
