"""korvel against its references, side by side in one run.

Not a test. `bash tools/bench.sh` builds the module in release mode and runs
this; by hand:
    PYTHONPATH=build/release/korvel-py python3 korvel-py/bench/bench.py

Each row times korvel and a reference doing the same work, in interleaved
rounds, and keeps the best time per call of each; the ratio is korvel's time
over the reference's. Only ratios from one run mean anything on a shared
machine. The references are CPython's eval of the equivalent code object
(builtins written as small Python functions), copy.deepcopy, or the "C walk":
a tiny C extension (c_walk.c, compiled here) that does the least any
conversion of the bindings must do.
"""
import argparse
import copy
import importlib.util
import os
import re
import subprocess
import sys
import sysconfig
import timeit

import korvel

HERE = os.path.dirname(os.path.abspath(__file__))


def load_c_walk(build_dir):
    """c_walk.c as a module, compiled into build_dir when it is missing or older."""
    source = os.path.join(HERE, "c_walk.c")
    target = os.path.join(build_dir, "c_walk" + sysconfig.get_config_var("EXT_SUFFIX"))
    if not os.path.exists(target) or os.path.getmtime(target) < os.path.getmtime(source):
        os.makedirs(build_dir, exist_ok=True)
        compiler = sysconfig.get_config_var("CC").split()
        include = sysconfig.get_paths()["include"]
        subprocess.run(
            compiler + ["-shared", "-fPIC", "-O2", "-I", include, source, "-o", target], check=True
        )
    spec = importlib.util.spec_from_file_location("c_walk", target)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


# The builtins as the references call them.
def startsWith(text, prefix):  # noqa: N802 - the builtin's name
    return text.startswith(prefix)


def contains(container, item):
    return item in container


def split(text, separator):
    return text.split(separator)


def join(items, separator):
    return separator.join(items)


def matches(text, pattern):
    return re.search(pattern, text) is not None


BUILTINS = {
    "__builtins__": {},
    "len": len,
    "startsWith": startsWith,
    "contains": contains,
    "split": split,
    "join": join,
    "matches": matches,
}


def document(entries):
    items = [
        {"id": i, "name": f"item {i}", "tags": ["a", "b"], "price": i * 0.5, "active": i % 2 == 0}
        for i in range(entries)
    ]
    return {"items": items, "meta": {"count": entries, "source": "bench"}}


def entries_document(entries):
    """A dict of `entries` members, each a dict with a nested dict and a list."""
    return {
        f"entry{i}": {
            "id": i,
            "name": f"item {i}",
            "tags": ["a", "b"],
            "meta": {"x": i, "y": 0.5, "z": True},
        }
        for i in range(entries)
    }


def keyed_document(keys):
    """{"a": {"b": [0, 1, {"c": 2}]}} and keys - 1 more members of a few values each."""
    doc = {"a": {"b": [0, 1, {"c": 2}]}}
    for i in range(1, keys):
        doc[f"k{i}"] = {"id": i, "name": f"n{i}", "tags": ["x", "y"], "more": {"p": 1.5, "q": None}}
    return doc


def keys_in_order(n, descending):
    order = range(n - 1, -1, -1) if descending else range(n)
    return {f"k{i:06d}": i for i in order}


def deepcopy_replace(doc):
    updated = copy.deepcopy(doc)
    updated["items"][500]["name"] = "new"
    return updated


EMAIL = r"^[a-zA-Z0-9._%+-]+@[a-zA-Z0-9.-]+\.[a-zA-Z]{2,}$"


class Row:
    """One workload: korvel's statement and the reference's, over `names`."""

    def __init__(self, label, goal, korvel_stmt, reference_label, reference_stmt, **names):
        self.label = label
        self.goal = goal
        self.reference_label = reference_label
        self.timers = [
            timeit.Timer(korvel_stmt, globals=names),
            timeit.Timer(reference_stmt, globals=names),
        ]
        self.best = [float("inf"), float("inf")]
        self.number = None

    def calibrate(self, budget):
        # Enough calls to last about `budget` seconds, at least one.
        number, elapsed = self.timers[0].autorange()
        self.number = max(1, int(number * budget / max(elapsed, 1e-9)))

    def measure(self):
        for side, timer in enumerate(self.timers):
            per_call = timer.timeit(self.number) / self.number
            self.best[side] = min(self.best[side], per_call)

    @property
    def ratio(self):
        return self.best[0] / self.best[1]


def eval_row(label, goal, text, python_text, bindings, **extra):
    """korvel's Exp(text).eval against CPython's eval of python_text."""
    return Row(
        label,
        goal,
        "exp.eval(bindings)",
        "CPython eval",
        "eval(code, builtins, bindings)",
        exp=korvel.Exp(text),
        code=compile(python_text, "<bench>", "eval"),
        builtins=BUILTINS,
        bindings=bindings,
        eval=eval,
        **extra,
    )


def issue_rows(walk):
    # Every builtin of the rule runs: the prefix matches and the roles are empty.
    rule_bindings = {
        "user": {"name": "Ada", "email": "admin@example.org", "roles": [], "tags": ["alpha", "beta"]}
    }
    text = ",".join(f"word{i % 100}" for i in range(1200))[:10240]
    big = {"x": {"y": 1}, "doc": entries_document(10_000)}
    keyed = keyed_document(100)
    thousand = document(1000)
    return [
        eval_row(
            "small rule, 7-value bindings",
            1.0,
            'startsWith(user.email, "admin") && len(user.roles) > 0 || contains(user.tags, "beta")',
            'startsWith(user["email"], "admin") and len(user["roles"]) > 0 '
            'or contains(user["tags"], "beta")',
            rule_bindings,
        ),
        eval_row("`1` with {} (fixed cost of a call)", 1.0, "1", "1", {}),
        eval_row(
            '`{"a": x, "b": [y, z]}`',
            1.5,
            '{"a": x, "b": [y, z]}',
            '{"a": x, "b": [y, z]}',
            {"x": 1, "y": "two", "z": 3.0},
        ),
        eval_row(
            'join(split(s, ","), ";"), 10 KB text',
            1.0,
            'join(split(s, ","), ";")',
            'join(split(s, ","), ";")',
            {"s": text},
        ),
        eval_row(
            "matches(s, <email pattern>), literal pattern",
            1.0,
            # A backslash is written twice in korvel's quoted text.
            "matches(s, '%s')" % EMAIL.replace("\\", "\\\\"),
            f"matches(s, r'{EMAIL}')",
            {"s": "someone.somewhere@example.org"},
        ),
        Row(
            "x.y == 1, 10,000-entry document also bound",
            1.2,
            "exp.eval(bindings)",
            "C walk",
            "walk(bindings)",
            exp=korvel.Exp("x.y == 1"),
            bindings=big,
            walk=walk,
        ),
        Row(
            'VarAccess("a.b[2].c").access, 100-key document',
            1.2,
            "path.access(doc)",
            "C walk",
            "walk(doc)",
            path=korvel.VarAccess("a.b[2].c"),
            doc=keyed,
            walk=walk,
        ),
        Row(
            "len(d), 20,000 keys in descending order",
            1.5,
            "exp.eval(descending)",
            "same, ascending",
            "exp.eval(ascending)",
            exp=korvel.Exp("len(d)"),
            descending={"d": keys_in_order(20_000, descending=True)},
            ascending={"d": keys_in_order(20_000, descending=False)},
        ),
        Row(
            'VarAccess("items[500].name").replace, 1,000 items',
            0.1,
            "path.replace(doc, 'new')",
            "copy.deepcopy + assignment",
            "replace(doc)",
            path=korvel.VarAccess("items[500].name"),
            doc=thousand,
            replace=deepcopy_replace,
        ),
    ]


def scaling_rows(sizes):
    exp = korvel.Exp("len(d)")
    rows = []
    for n in sizes:
        rows.append(
            Row(
                f"{n:,} keys",
                None,
                "exp.eval(descending)",
                "ascending",
                "exp.eval(ascending)",
                exp=exp,
                descending={"d": keys_in_order(n, descending=True)},
                ascending={"d": keys_in_order(n, descending=False)},
            )
        )
    return rows


def run(rows, rounds, budget):
    for row in rows:
        row.calibrate(budget)
    for _ in range(rounds):
        for row in rows:
            row.measure()


def show(seconds):
    if seconds < 1e-6:
        return f"{seconds * 1e9:,.0f} ns"
    if seconds < 1e-3:
        return f"{seconds * 1e6:,.1f} µs"
    return f"{seconds * 1e3:,.1f} ms"


def print_table(rows):
    print("| workload | korvel | reference | ratio | goal |")
    print("|---|---|---|---|---|")
    for row in rows:
        goal = f"≤ {row.goal}×" if row.goal is not None else ""
        print(
            f"| {row.label} | {show(row.best[0])} | {row.reference_label} {show(row.best[1])} "
            f"| {row.ratio:.2f}× | {goal} |"
        )


def print_scaling(rows):
    print("| `len(d)` | ascending | descending | descending / ascending |")
    print("|---|---|---|---|")
    for row in rows:
        print(f"| {row.label} | {show(row.best[1])} | {show(row.best[0])} | {row.ratio:.2f}× |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=7, help="interleaved rounds (best is kept)")
    parser.add_argument("--budget", type=float, default=0.05, help="seconds per measurement")
    parser.add_argument(
        "--build-dir",
        default=os.path.join(HERE, "..", "..", "build", "bench"),
        help="where the C walk is compiled",
    )
    parser.add_argument(
        "--sizes",
        default="2500,5000,10000,20000",
        help="key counts for the scaling of len(d), comma-separated",
    )
    args = parser.parse_args()

    walk = load_c_walk(os.path.abspath(args.build_dir)).walk
    print(f"Python {sys.version.split()[0]}, korvel from {os.path.dirname(korvel.__file__)}")
    print()
    rows = issue_rows(walk)
    run(rows, args.rounds, args.budget)
    print_table(rows)
    print()
    scaling = scaling_rows([int(n) for n in args.sizes.split(",")])
    run(scaling, max(3, args.rounds // 2), args.budget)
    print_scaling(scaling)


if __name__ == "__main__":
    main()
