"""How the cost of every builtin and of every conversion grows with its input.

Not a test. `bash tools/complexity.sh` builds the module in release mode and
runs this, then the engine's own rows for the two base64 builtins, which no
expression text can call; by hand:
    PYTHONPATH=build/release/korvel-py python3 korvel-py/bench/complexity.py

Each row is one operation on an input of an adversarial shape, made at size n
and at size 10n. The two sizes are timed in interleaved rounds and the best
time per call of each is kept; the growth is the time at 10n over the time at
n. A linear operation grows about 10x and an n log n one a little more; a row
that grows more than 12x is marked as super-linear, a defect. Only the growth
factors mean anything on a shared machine, never the absolute times.

Both allocators would otherwise hand large freed blocks back to the system
after every call once they pass their thresholds (glibc's trim and mmap
thresholds, and the interpreter's small-object arenas), so that the call at
10n pays page faults that the call at n does not: a step that any Python code
building as much data shows (the json.loads and copy.deepcopy rows), not a
growth of the operation. The script therefore runs itself with the glibc
thresholds raised and PYTHONMALLOC=malloc (--system-malloc keeps the
defaults).

With --instructions every row runs under callgrind instead, and the growth is
that of the instructions executed per call: no noise, no memory effects, the
structural count to attribute a marked row by (slow: use it with --filter).

Options: --rounds R (default 7), --filter TEXT (only the rows whose name or
shape holds TEXT), --scale S (multiplies every n, default 1), --instructions,
--system-malloc, --engine PROGRAM (runs the engine's complexity_bench after
the rows, under the same allocator settings, for the two base64 builtins).
"""
import argparse
import copy
import gc
import json
import os
import random
import re
import subprocess
import sys
import time

import korvel

THRESHOLD = 12.0
# Each timing repeats the call until it has taken at least this long.
MIN_TIME = 0.05
# Freed memory stays with the process (see the docstring); 32 MiB is the
# largest mmap threshold glibc takes.
TUNABLES = "glibc.malloc.trim_threshold=4294967296:glibc.malloc.mmap_threshold=33554432"


class Row:
    """One operation: make(n) returns a function of no arguments to time."""

    def __init__(self, name, shape, n, make):
        self.name = name
        self.shape = shape
        self.n = n
        self.make = make


ROWS = []


def row(name, shape, n):
    """Registers the decorated maker as a row."""

    def register(make):
        ROWS.append(Row(name, shape, n, make))
        return make

    return register


def evaluating(text, bindings):
    """A call of Exp(text).eval(bindings), compiled once."""
    exp = korvel.Exp(text)
    return lambda: exp.eval(bindings)


def compiling(text):
    return lambda: korvel.Exp(text)


# Shapes of data.


def keys_in(order, n):
    """n distinct keys of equal length in ascending, descending or random order."""
    keys = [f"k{i:08d}" for i in range(n)]
    if order == "descending":
        keys.reverse()
    elif order == "random":
        random.Random(n).shuffle(keys)
    return keys


def record(i):
    return {"id": i, "name": f"item {i}", "tags": ["a", "b"], "score": i / 4}


def records(n):
    return [record(i) for i in range(n)]


def deep_chain(depth, leaf):
    value = leaf
    for _ in range(depth):
        value = [value]
    return value


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def object_literal(keys):
    return "{" + ", ".join(f"{quoted(key)}: {i}" for i, key in enumerate(keys)) + "}"


# The builtins. Arguments come from the bindings unless the shape is about
# the expression text.


@row("matches", "text of n 'a', pattern 'a*b' (no match)", 20_000)
def _(n):
    return evaluating("matches(t, p)", {"t": "a" * n, "p": "a*b"})


@row("matches", "text of n 'a', pattern '(a|aa)*b'", 5_000)
def _(n):
    return evaluating("matches(t, p)", {"t": "a" * n, "p": "(a|aa)*b"})


@row("matches", "text of n 'ab', pattern '(a|b)*c' case-insensitive", 5_000)
def _(n):
    return evaluating("matches(t, p)", {"t": "ab" * n, "p": "(?i)(a|b)*c"})


@row("matches", "pattern of n literal letters, text 'x'", 2_000)
def _(n):
    return evaluating("matches(t, p)", {"t": "x", "p": "a" * n})


@row("matches", "pattern: alternation of n words, text of 100 'a'", 500)
def _(n):
    words = "|".join(f"w{i}x" for i in range(n))
    return evaluating("matches(t, p)", {"t": "a" * 100, "p": f"({words})"})


@row("matches", "pattern: class of n code points, text of 100 'a'", 1_000)
def _(n):
    ranges = "".join(f"\\x{{{0x100 + 2 * i:x}}}" for i in range(n))
    return evaluating("matches(t, p)", {"t": "a" * 100, "p": f"[{ranges}]"})


@row("matches", "pattern: class of n nested one-point classes", 1_000)
def _(n):
    items = "".join(f"[\\x{{{0x100 + 2 * i:x}}}]" for i in reversed(range(n)))
    return evaluating("matches(t, p)", {"t": "a", "p": f"[{items}]"})


@row("len", "text of n two-byte characters", 100_000)
def _(n):
    return evaluating("len(t)", {"t": "é" * n})


@row("len", "array of n records", 2_000)
def _(n):
    return evaluating("len(a)", {"a": records(n)})


@row("len", "object of n keys, descending", 2_000)
def _(n):
    return evaluating("len(o)", {"o": dict.fromkeys(keys_in("descending", n), 1)})


@row("startsWith", "text of n 'a', prefix n-1 'a' then 'b'", 100_000)
def _(n):
    return evaluating("startsWith(t, p)", {"t": "a" * n, "p": "a" * (n - 1) + "b"})


@row("endsWith", "text of n 'a', suffix 'b' then n-1 'a'", 100_000)
def _(n):
    return evaluating("endsWith(t, p)", {"t": "a" * n, "p": "b" + "a" * (n - 1)})


@row("contains", "text of 2n 'a', needle n 'a' then 'b'", 80_000)
def _(n):
    return evaluating("contains(t, p)", {"t": "a" * (2 * n), "p": "a" * n + "b"})


@row("contains", "text of n 'ab', needle 'ab'*(n/2) then 'c'", 40_000)
def _(n):
    return evaluating("contains(t, p)", {"t": "ab" * n, "p": "ab" * (n // 2) + "c"})


@row("contains", "array of n records, item absent (last field differs)", 2_000)
def _(n):
    item = dict(record(0), score=-1)
    return evaluating("contains(a, x)", {"a": records(n), "x": item})


@row("contains", "object of n random keys, key absent", 2_000)
def _(n):
    return evaluating("contains(o, k)", {"o": dict.fromkeys(keys_in("random", n), 1), "k": "x"})


@row("bool", "array of n records", 2_000)
def _(n):
    return evaluating("bool(a)", {"a": records(n)})


@row("string", "text of n quotes and backslashes", 50_000)
def _(n):
    return evaluating("string(t)", {"t": '"\\' * n})


@row("string", "array of n records", 2_000)
def _(n):
    return evaluating("string(a)", {"a": records(n)})


@row("string", "array of n texts needing escapes", 5_000)
def _(n):
    return evaluating("string(a)", {"a": ['say "hi"\n\t\\'] * n})


@row("string", "object of n keys, random", 2_000)
def _(n):
    return evaluating("string(o)", {"o": dict.fromkeys(keys_in("random", n), "v")})


@row("string", "n chains 900 deep", 5)
def _(n):
    return evaluating("string(a)", {"a": [deep_chain(900, i) for i in range(n)]})


@row("int", "text of n leading zeros then '1'", 100_000)
def _(n):
    return evaluating("int(t)", {"t": "0" * n + "1"})


@row("float", "text of n digits", 50_000)
def _(n):
    return evaluating("float(t)", {"t": "1" * n})


@row("float", "text '0.' then n zeros then '1e{n}'", 50_000)
def _(n):
    return evaluating("float(t)", {"t": "0." + "0" * n + f"1e{n}"})


@row("float", "text of n digits after '.', near a rounding tie", 50_000)
def _(n):
    # 2^-1075 written out: halfway between zero and the smallest double.
    return evaluating("float(t)", {"t": "2.4703282292062327208828439643411068618252" + "0" * n})


@row("float", "text '1' then n zeros then 'e-{n}'", 50_000)
def _(n):
    return evaluating("float(t)", {"t": "1" + "0" * n + f"e-{n}"})


@row("replace", "text of 2n 'a', from n 'a' then 'b'", 80_000)
def _(n):
    return evaluating("replace(t, f, r)", {"t": "a" * (2 * n), "f": "a" * n + "b", "r": "x"})


@row("replace", "text of n 'ab', every 'a' to 'xyz'", 50_000)
def _(n):
    return evaluating("replace(t, f, r)", {"t": "ab" * n, "f": "a", "r": "xyz"})


@row("replace", "text of n characters, empty from", 50_000)
def _(n):
    return evaluating("replace(t, f, r)", {"t": "é" * n, "f": "", "r": "-"})


@row("replace", "text of n 'aab', from 'aab' overlapping near-matches", 50_000)
def _(n):
    return evaluating("replace(t, f, r)", {"t": "aab" * n, "f": "aaba", "r": ""})


@row("format", "template of n '{0}'", 20_000)
def _(n):
    return evaluating("format(t, x)", {"t": "{0}" * n, "x": "value"})


@row("format", "template of n '{i}', n values", 10_000)
def _(n):
    template = "".join(f"{{{i}}}" for i in range(n))
    values = ", ".join(f"v[{i}]" for i in range(n))
    return evaluating(f"format(t, {values})", {"t": template, "v": list(range(n))})


@row("format", "template of n '{1' (near-matches)", 20_000)
def _(n):
    return evaluating("format(t, x)", {"t": "{1" * n, "x": 0})


@row("format", "template '{' then n digits (no closing brace)", 50_000)
def _(n):
    return evaluating("format(t, x)", {"t": "{" + "1" * n, "x": 0})


@row("format", "template of n '{{0}}' escapes", 20_000)
def _(n):
    return evaluating("format(t, x)", {"t": "{{0}}" * n, "x": 0})


@row("format", "template '{' n zeros '}' (long index)", 50_000)
def _(n):
    return evaluating("format(t, x)", {"t": "{" + "0" * n + "}", "x": 0})


@row("join", "array of n texts", 20_000)
def _(n):
    return evaluating("join(a, s)", {"a": ["word"] * n, "s": ", "})


@row("join", "array of n records", 2_000)
def _(n):
    return evaluating("join(a, s)", {"a": records(n), "s": ";"})


@row("join", "array of n empty texts, long separator", 20_000)
def _(n):
    return evaluating("join(a, s)", {"a": [""] * n, "s": "-" * 100})


@row("split", "text of 2n 'a', separator n 'a' then 'b'", 80_000)
def _(n):
    return evaluating("split(t, s)", {"t": "a" * (2 * n), "s": "a" * n + "b"})


@row("split", "text of n 'a,' (n pieces)", 20_000)
def _(n):
    return evaluating("split(t, s)", {"t": "a," * n, "s": ","})


@row("split", "text of n characters, empty separator", 20_000)
def _(n):
    return evaluating("split(t, s)", {"t": "é" * n, "s": ""})


# The linear search on the case that the old one took seconds on: a text of
# 800,000 "a" (8,000,000 at 10n) and a needle of half as many "a" and a "b".
SEARCH_TEXT = 800_000


def search_case(n):
    return {"t": "a" * n, "p": "a" * (n // 2) + "b", "r": "x"}


@row("contains", "800,000 'a', needle 400,000 'a' then 'b'", SEARCH_TEXT)
def _(n):
    return evaluating("contains(t, p)", search_case(n))


@row("split", "800,000 'a', separator 400,000 'a' then 'b'", SEARCH_TEXT)
def _(n):
    return evaluating("split(t, p)", search_case(n))


@row("replace", "800,000 'a', from 400,000 'a' then 'b'", SEARCH_TEXT)
def _(n):
    return evaluating("replace(t, p, r)", search_case(n))


@row("python in", "800,000 'a', needle 400,000 'a' then 'b'", SEARCH_TEXT)
def _(n):
    case = search_case(n)
    return lambda: case["p"] in case["t"]


@row("python split", "800,000 'a', separator 400,000 'a' then 'b'", SEARCH_TEXT)
def _(n):
    case = search_case(n)
    return lambda: case["t"].split(case["p"])


@row("python replace", "800,000 'a', from 400,000 'a' then 'b'", SEARCH_TEXT)
def _(n):
    case = search_case(n)
    return lambda: case["t"].replace(case["p"], case["r"])


# The evaluator's own operations.


@row("||", "chain of n false operands, parse", 2_000)
def _(n):
    return compiling(" || ".join(["false"] * n))


@row("||", "chain of n false operands, eval", 2_000)
def _(n):
    return evaluating(" || ".join(["false"] * n), {})


@row("&&", "chain of n variables, all true, eval", 2_000)
def _(n):
    return evaluating(" && ".join(["x"] * n), {"x": 1})


@row("==", "arrays of n records, last differs", 2_000)
def _(n):
    other = records(n)
    other[-1] = dict(other[-1], score=-1)
    return evaluating("a == b", {"a": records(n), "b": other})


@row("==", "objects of n keys, descending against random", 2_000)
def _(n):
    a = dict.fromkeys(keys_in("descending", n), 1)
    b = dict.fromkeys(keys_in("random", n), 1)
    return evaluating("a == b", {"a": a, "b": b})


@row("==", "n chains 900 deep", 5)
def _(n):
    return evaluating("a == b", {"a": [deep_chain(900, i) for i in range(n)],
                                 "b": [deep_chain(900, i) for i in range(n)]})


@row("[...]", "array literal of n integers, parse", 5_000)
def _(n):
    return compiling("[" + ", ".join(str(i) for i in range(n)) + "]")


@row("[...]", "array literal of n integers, eval", 5_000)
def _(n):
    return evaluating("[" + ", ".join(str(i) for i in range(n)) + "]", {})


for order in ("ascending", "descending", "random"):

    @row("{...}", f"object literal of n keys, {order}, parse", 2_000)
    def _(n, order=order):
        return compiling(object_literal(keys_in(order, n)))

    @row("{...}", f"object literal of n keys, {order}, eval", 2_000)
    def _(n, order=order):
        return evaluating(object_literal(keys_in(order, n)), {})


@row("{...}", "object literal of one key n times, eval", 2_000)
def _(n):
    return evaluating(object_literal(["k"] * n), {})


@row("{...}", "object literal of n/10 keys 10 times each, random, eval", 2_000)
def _(n):
    keys = keys_in("random", n // 10) * 10
    random.Random(n).shuffle(keys)
    return evaluating(object_literal(keys), {})


# Bound data in and out.


for order in ("ascending", "descending", "random"):

    @row("eval", f"dict of n keys, {order}, returned", 2_000)
    def _(n, order=order):
        return evaluating("o", {"o": dict.fromkeys(keys_in(order, n), 1)})

    @row("eval", f"dict of n keys, {order}, one member read", 2_000)
    def _(n, order=order):
        keys = keys_in(order, n)
        return evaluating(f"o.{keys[0]}", {"o": dict.fromkeys(keys, 1)})

    @row("eval", f"n bindings, {order}, one read", 2_000)
    def _(n, order=order):
        return evaluating("k00000000", dict.fromkeys(keys_in(order, n), 1))


@row("eval", "array of n records, returned", 2_000)
def _(n):
    return evaluating("a", {"a": records(n)})


@row("python json.loads", "array of n records", 2_000)
def _(n):
    text = json.dumps(records(n))
    return lambda: json.loads(text)


@row("python copy.deepcopy", "array of n records", 2_000)
def _(n):
    data = records(n)
    return lambda: copy.deepcopy(data)


@row("eval", "array of n records inside an array literal", 2_000)
def _(n):
    return evaluating("[a, a]", {"a": records(n)})


@row("eval", "n chains 900 deep, returned", 5)
def _(n):
    return evaluating("a", {"a": [deep_chain(900, i) for i in range(n)]})


@row("access", "array of n records, whole value", 2_000)
def _(n):
    path = korvel.VarAccess("a")
    data = {"a": records(n)}
    return lambda: path.access(data)


@row("access", "dict of n keys, random, one member", 2_000)
def _(n):
    keys = keys_in("random", n)
    path = korvel.VarAccess(keys[-1])
    data = dict.fromkeys(keys, 1)
    return lambda: path.access(data)


@row("access", "n chains 900 deep, last leaf", 5)
def _(n):
    path = korvel.VarAccess("a[%d]" % (n - 1))
    data = {"a": [deep_chain(900, i) for i in range(n)]}
    return lambda: path.access(data)


@row("VarAccess", "path of n quoted segments, parse", 2_000)
def _(n):
    text = ".".join(f'"s {i}"[{i}]' for i in range(n))
    return lambda: korvel.VarAccess(text)


@row("access", "path of n segments, missing at the last", 100)
def _(n):
    names = [f"k{i}" for i in range(n)]
    data = {}
    for name in reversed(names[:-1]):
        data = {name: data}
    path = korvel.VarAccess(".".join(names))

    def access():
        try:
            path.access(data)
        except NameError:
            pass

    return access


@row("access_from_bindings", "n bindings, random, one read", 2_000)
def _(n):
    keys = keys_in("random", n)
    path = korvel.VarAccess(keys[0])
    bindings = dict.fromkeys(keys, 1)
    return lambda: path.access_from_bindings(bindings)


@row("access_from_bindings", "array of n records, one record", 2_000)
def _(n):
    path = korvel.VarAccess("a[%d]" % (n // 2))
    bindings = {"a": records(n)}
    return lambda: path.access_from_bindings(bindings)


@row("replace (path)", "array of n records, one field", 2_000)
def _(n):
    path = korvel.VarAccess("a[%d].name" % (n // 2))
    data = {"a": records(n)}
    return lambda: path.replace(data, "new")


@row("replace (path)", "dict of n keys, random, one member", 2_000)
def _(n):
    keys = keys_in("random", n)
    path = korvel.VarAccess(keys[0])
    data = dict.fromkeys(keys, 1)
    return lambda: path.replace(data, [1, 2])


@row("replace (path)", "n chains 900 deep, one leaf", 5)
def _(n):
    path = korvel.VarAccess("a[0]")
    data = {"a": [deep_chain(900, i) for i in range(n)]}
    return lambda: path.replace(data, 0)


def time_per_call(function, number):
    start = time.perf_counter()
    for _ in range(number):
        function()
    return (time.perf_counter() - start) / number


def calibrate(function):
    """How many calls make one timing of at least MIN_TIME."""
    number = 1
    while True:
        if time_per_call(function, number) * number >= MIN_TIME:
            return number
        number *= 2


def times(row, n, rounds):
    """The best time per call at n and at 10n, from interleaved rounds."""
    functions = [row.make(n), row.make(10 * n)]
    numbers = [calibrate(function) for function in functions]
    best = [float("inf"), float("inf")]
    for _ in range(rounds):
        for i, function in enumerate(functions):
            best[i] = min(best[i], time_per_call(function, numbers[i]))
    return best


def run_calls(index, n, calls):
    """The --calls mode: make one row at size n and call it `calls` times."""
    function = ROWS[index].make(n)
    for _ in range(calls):
        function()


def instructions_of_run(index, n, calls):
    command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
               sys.executable, os.path.abspath(__file__), "--calls", str(index), str(n), str(calls)]
    run = subprocess.run(command, capture_output=True, text=True, check=True)
    return int(re.search(r"Collected : (\d+)", run.stderr).group(1))


def instructions(row, n):
    """Instructions per call at n and at 10n: runs with two calls less runs
    with none, so that making the input does not count."""
    index = ROWS.index(row)
    counts = []
    for size in (n, 10 * n):
        counts.append((instructions_of_run(index, size, 2) - instructions_of_run(index, size, 0)) / 2)
    return counts


def format_time(seconds):
    for unit, factor in (("s", 1), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= factor:
            return f"{seconds / factor:7.2f} {unit}"
    return f"{seconds / 1e-9:7.0f} ns"


def format_count(count):
    return f"{count / 1e6:8.2f} M"


def with_tunables():
    """Runs this script again with the allocator's thresholds raised."""
    environment = dict(os.environ, GLIBC_TUNABLES=TUNABLES, PYTHONMALLOC="malloc")
    os.execve(sys.executable, [sys.executable, os.path.abspath(__file__)] + sys.argv[1:],
              environment)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--filter", default="")
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--instructions", action="store_true")
    parser.add_argument("--system-malloc", action="store_true")
    parser.add_argument("--engine")
    parser.add_argument("--calls", nargs=3, type=int, help=argparse.SUPPRESS)
    args = parser.parse_args()
    sys.setrecursionlimit(10_000)
    gc.disable()
    if args.calls:
        run_calls(*args.calls)
        return
    if not args.system_malloc and not args.instructions and os.environ.get("GLIBC_TUNABLES") != TUNABLES:
        with_tunables()

    unit = "instructions" if args.instructions else "time"
    print(f"{'operation':<22} {'shape':<58} {'n':>8} {unit + ' at n':>12} {'at 10n':>11} growth")
    worst = 0.0
    for row in ROWS:
        if args.filter not in row.name and args.filter not in row.shape:
            continue
        n = max(1, int(row.n * args.scale))
        if args.instructions:
            small, large = instructions(row, n)
            shown = format_count(small), format_count(large)
        else:
            gc.collect()
            small, large = times(row, n, args.rounds)
            shown = format_time(small), format_time(large)
        growth = large / small
        worst = max(worst, growth)
        mark = "  SUPER-LINEAR" if growth > THRESHOLD else ""
        print(f"{row.name:<22} {row.shape:<58} {n:>8} {shown[0]:>12} {shown[1]:>11}"
              f" {growth:6.1f}x{mark}", flush=True)
    if worst:
        print(f"worst growth: {worst:.1f}x (threshold {THRESHOLD:.0f}x)", flush=True)
    if args.engine and not args.instructions:
        subprocess.run([args.engine, str(args.rounds)], check=True)


if __name__ == "__main__":
    main()
