"""Nesting bounded by memory, not by the call stack: deep expressions and deep
data, on a thread whose stack is small."""

import os
import subprocess
import sys
import textwrap
import threading

import pytest

from korvel import Exp, VarAccess

# A thread stack as small as a platform or threading.stack_size may give one:
# far too small for a call per level of the inputs below, but enough for the
# interpreter's own frames. Instrumented builds take several times the stack
# per frame.
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
SMALL_STACK = (8 if SANITIZED else 1) * 256 * 1024

# How deeply the expressions below nest: a million levels, or a tenth of that
# in instrumented builds, which are slower by far and still have far too
# small a stack for a call per level.
DEEP = 100_000 if SANITIZED else 1_000_000


def on_a_small_stack(call):
    """What call() returns, or the exception it raises, run on a new thread
    with a small stack."""
    outcome = []

    def run():
        try:
            outcome.append(("result", call()))
        except Exception as error:  # RecursionError included
            outcome.append(("raised", error))

    old_size = threading.stack_size()
    threading.stack_size(SMALL_STACK)
    try:
        thread = threading.Thread(target=run)
        thread.start()
        thread.join()
    finally:
        threading.stack_size(old_size)
    return outcome[0]


def result_of(call):
    kind, value = on_a_small_stack(call)
    if kind == "raised":
        raise value
    return value


def nest(depth, leaf=1):
    value = leaf
    for _ in range(depth):
        value = [value]
    return value


def depth_of(value):
    """How many lists, each the only item of the one around it, hold value."""
    depth = 0
    while isinstance(value, list):
        depth += 1
        if not value:
            break
        (value,) = value
    return depth


def test_a_generated_rule_of_two_hundred_operands():
    # v0 && (v1 || (v2 && ... (v198 && v199)...)), as a query builder writes it.
    text = "".join(f"v{i} {'&&' if i % 2 == 0 else '||'} (" for i in range(198))
    text += "v198 && v199" + ")" * 198
    bindings = {f"v{i}": i % 2 == 0 for i in range(200)}
    bindings["v199"] = True
    exp = result_of(lambda: Exp(text))
    # Each "&&" goes on at a true operand and each "||" at a false one, so
    # every operand is read, and the last one decides.
    assert result_of(lambda: exp.eval(bindings)) is True
    assert result_of(lambda: exp.eval({**bindings, "v199": False})) is False
    assert result_of(lambda: exp.eval({**bindings, "v0": False})) is False


@pytest.mark.parametrize(
    "open, inner, close, depth, expected",
    [
        ("(", "1", ")", DEEP, 1),
        ("!(", "true", ")", DEEP, True),
        ("(", "a == b", ")", DEEP // 10, False),
        ("a < b && (", "a", ")", DEEP // 10, 1),
        ("bool(", "0", ")", DEEP // 10, False),
    ],
    ids=["parentheses", "not", "comparison", "and", "calls"],
)
def test_deep_expressions_with_shallow_results_evaluate(open, inner, close, depth, expected):
    text = open * depth + inner + close * depth
    assert on_a_small_stack(lambda: Exp(text).eval({"a": 1, "b": 2})) == ("result", expected)


@pytest.mark.parametrize(
    "open, inner, close",
    [("[", "", "]"), ('{"a": ', "1", "}")],
    ids=["arrays", "objects"],
)
def test_deep_literals_parse_compare_and_raise_recursion_error(open, inner, close):
    text = open * DEEP + inner + close * DEEP
    exp = result_of(lambda: Exp(text))
    assert result_of(lambda: exp == Exp(text)) is True
    # The result is too deep for Python data.
    kind, error = on_a_small_stack(lambda: exp.eval({}))
    assert kind == "raised" and isinstance(error, RecursionError)


def test_results_nest_up_to_the_data_rule():
    old_limit = sys.getrecursionlimit()
    sys.setrecursionlimit(100000)  # the data rule, not the interpreter's limit, stops here
    try:
        deepest = result_of(lambda: Exp("[" * 1000 + "]" * 1000).eval({}))
        assert depth_of(deepest) == 1000
        kind, error = on_a_small_stack(lambda: Exp("[" * 1001 + "]" * 1001).eval({}))
        assert kind == "raised" and isinstance(error, RecursionError)
    finally:
        sys.setrecursionlimit(old_limit)


@pytest.mark.parametrize(
    "open, kind",
    [("(", "Char"), ("[", "Char"), ("!(", "Char"), ('{"a": ', "Char"), ("f(", "Eof")],
    ids=["parentheses", "arrays", "not", "objects", "calls"],
)
def test_deep_unclosed_openings_fail_cleanly(open, kind):
    outcome, error = on_a_small_stack(lambda: Exp(open * DEEP))
    assert outcome == "raised" and isinstance(error, ValueError)
    assert str(error).startswith(f"error {kind} at: ")


def test_deep_bound_data_goes_through_every_road():
    deepest = nest(999)  # with the dict around it, 1,000 levels
    too_deep = nest(1001)
    old_limit = sys.getrecursionlimit()
    sys.setrecursionlimit(100000)  # the data rule, not the interpreter's limit, stops here
    try:
        roads = [
            lambda value: Exp("v").eval({"v": value}),
            lambda value: VarAccess("v").access({"v": value}),
            lambda value: VarAccess("v").access_from_bindings({"v": value}),
            lambda value: VarAccess("v").replace({"v": 0}, value)["v"],
        ]
        for road in roads:
            assert depth_of(result_of(lambda: road(deepest))) == 999
            kind, error = on_a_small_stack(lambda: road(too_deep))
            assert kind == "raised" and isinstance(error, RecursionError)
        text = result_of(lambda: Exp("string(v)").eval({"v": deepest}))
        assert text == "[" * 999 + "1" + "]" * 999
    finally:
        sys.setrecursionlimit(old_limit)


def test_deep_expressions_compare_and_release_on_a_small_stack():
    deep = "a || (" * 100000 + "b" + ")" * 100000
    assert result_of(lambda: Exp(deep) == Exp(deep)) is True
    assert result_of(lambda: Exp(deep) == Exp(deep[:-100001] + "c" + ")" * 100000)) is False


# Memory, not the stack, is the limit: a process whose address space is
# capped a little above what it uses gets a MemoryError from a parse that
# needs more, and goes on working.
EXHAUSTED_MEMORY = textwrap.dedent("""
    import resource
    from korvel import Exp

    texts = ["[" * 4_000_000, "a&&" * 4_000_000 + "a"]
    with open("/proc/self/status") as status:
        used = next(int(line.split()[1]) for line in status if line.startswith("VmSize:"))
    limit = used * 1024 + 128 * 1024 * 1024
    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    for text in texts:
        try:
            Exp(text)
        except MemoryError:
            print("MemoryError")
    print(Exp("[1, [2]]").eval({}))
""")


@pytest.mark.skipif(SANITIZED, reason="the sanitizers reserve more address space than the cap")
def test_a_parse_that_exhausts_memory_raises_memory_error():
    run = subprocess.run(
        [sys.executable, "-c", EXHAUSTED_MEMORY], capture_output=True, text=True, timeout=300
    )
    assert (run.returncode, run.stdout.split("\n")) == (0, ["MemoryError", "MemoryError", "[1, [2]]", ""])
