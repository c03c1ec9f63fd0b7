"""Timings of the module's hot paths, printed per call.

Not a test: run it against a built module, for example
    PYTHONPATH=build/main/korvel-py /usr/bin/python3 korvel-py/bench/bench.py
"""
import copy
import sys
import timeit

import korvel


def per_call(statement, **names):
    timer = timeit.Timer(statement, globals=names)
    number, _ = timer.autorange()
    return min(timer.repeat(repeat=5, number=number)) / number


def report(label, seconds):
    if seconds < 1e-6:
        print(f"{label:<52} {seconds * 1e9:9.0f} ns")
    else:
        print(f"{label:<52} {seconds * 1e6:9.2f} us")


def bench_eval():
    rule = korvel.Exp("user.age >= 18 && user.country == 'NL' && !banned")
    bindings = {"user": {"age": 30, "country": "NL"}, "banned": False}
    report("Exp.eval: small rule, small dict", per_call("rule.eval(bindings)", rule=rule, bindings=bindings))
    report("Exp.eval: a == 1 on {'a': 1}", per_call("exp.eval(b)", exp=korvel.Exp("a == 1"), b={"a": 1}))
    report("Exp.eval: literal 1 on {}", per_call("exp.eval(b)", exp=korvel.Exp("1"), b={}))


def document(entries):
    items = [
        {"id": i, "name": f"item {i}", "tags": ["a", "b"], "price": i * 0.5, "active": i % 2 == 0}
        for i in range(entries)
    ]
    return {"items": items, "meta": {"count": entries, "source": "bench"}}


def deepcopy_access(doc):
    return copy.deepcopy(doc)["items"][500]["name"]


def deepcopy_replace(doc):
    updated = copy.deepcopy(doc)
    updated["items"][500]["name"] = "new"
    return updated


def bench_var_access():
    doc = document(1000)
    path = korvel.VarAccess("items[500].name")
    report("VarAccess.access: 1,000-entry document", per_call("path.access(doc)", path=path, doc=doc))
    report("  copy.deepcopy and subscripting", per_call("f(doc)", f=deepcopy_access, doc=doc))
    report("VarAccess.replace: 1,000-entry document", per_call("path.replace(doc, 'new')", path=path, doc=doc))
    report("  copy.deepcopy and item assignment", per_call("f(doc)", f=deepcopy_replace, doc=doc))
    small = korvel.VarAccess("a.b[1]")
    report("VarAccess.access: small dict", per_call("p.access(v)", p=small, v={"a": {"b": [1, 2]}}))
    report("hash(VarAccess)", per_call("hash(path)", path=path))


if __name__ == "__main__":
    print(f"Python {sys.version.split()[0]}")
    if hasattr(korvel.Exp, "eval"):
        bench_eval()
    bench_var_access()
