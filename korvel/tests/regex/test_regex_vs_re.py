"""Compares the engine's regular expressions with Python's re module, and its
bracketed classes with set operations with a model built on Python sets.

Random patterns are drawn from the part of the two languages that means the
same in both: literals, ".", Perl classes, bracketed classes with ranges,
anchors, word boundaries, repetitions, alternation, groups and scoped flags.
Texts are drawn from characters on which Unicode \\d, \\w and \\s agree in both.
The engine answers through the regex_oracle program named by the environment
variable KORVEL_REGEX_ORACLE.
"""

import os
import re
import subprocess

import pytest
from hypothesis import assume, given, settings, strategies as st

ALPHABET = "abcAB1_ -.\n\u00e9\u00c9\u0663"

# Characters that need a backslash in one of the two languages.
ESCAPED = {".": r"\.", "-": r"\-", "\n": r"\n"}


class Oracle:
    def __init__(self, path):
        self.process = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True)

    def is_match(self, pattern, text):
        return self.matches(pattern, [text])[0]

    def matches(self, pattern, texts):
        """One answer per text, asked for all at once."""
        self.process.stdin.write("".join(f"{pattern.encode().hex()} {text.encode().hex()}\n"
                                         for text in texts))
        self.process.stdin.flush()
        answers = [self.process.stdout.readline().strip() for _ in texts]
        for answer in answers:
            if answer.startswith("E "):
                raise AssertionError(f"refused {pattern!r}: {bytes.fromhex(answer[2:]).decode()}")
            assert answer in ("0", "1"), f"bad answer {answer!r}"
        return [answer == "1" for answer in answers]

    def close(self):
        self.process.stdin.close()
        assert self.process.wait() == 0


@pytest.fixture(scope="module")
def oracle():
    path = os.environ.get("KORVEL_REGEX_ORACLE")
    if not path:
        pytest.skip("KORVEL_REGEX_ORACLE is not set")
    engine = Oracle(path)
    yield engine
    engine.close()


def same(text):
    """A pattern piece spelled alike in both languages."""
    return (text, text)


def literal(c):
    return same(ESCAPED.get(c, c))


PERL_CLASSES = [r"\d", r"\w", r"\s", r"\D", r"\W", r"\S"]

ANCHORS = [same(r"\A"), (r"\z", r"\Z"), same("(?m:^)"), same("(?m:$)"), same(r"\b"), same(r"\B")]

RANGE_ENDS = "abcAB1"

class_item = st.one_of(
    st.sampled_from(ALPHABET).map(lambda c: ESCAPED.get(c, c)),
    st.lists(st.sampled_from(RANGE_ENDS), min_size=2, max_size=2).map(
        lambda ends: f"{min(ends)}-{max(ends)}"),
    st.sampled_from(PERL_CLASSES),
)

bracketed = st.tuples(st.booleans(), st.lists(class_item, min_size=1, max_size=4)).map(
    lambda c: same("[" + ("^" if c[0] else "") + "".join(c[1]) + "]"))

leaf = st.one_of(
    st.sampled_from(ALPHABET).map(literal),
    st.just(same(".")),
    st.sampled_from(PERL_CLASSES).map(same),
    st.sampled_from(ANCHORS),
    bracketed,
)

QUANTIFIERS = ["*", "+", "?", "*?", "+?", "??", "{2}", "{1,3}", "{2,}", "{0,2}?"]


def join(parts, separator="", before="", after=""):
    return tuple(before + separator.join(p[i] for p in parts) + after for i in (0, 1))


def extend(children):
    return st.one_of(
        st.lists(children, min_size=2, max_size=4).map(join),
        st.lists(children, min_size=2, max_size=3).map(
            lambda parts: join(parts, "|", "(?:", ")")),
        children.map(lambda part: join([part], before="(", after=")")),
        st.tuples(children, st.sampled_from(QUANTIFIERS)).map(
            lambda c: join([c[0]], before="(?:", after=")" + c[1])),
        st.tuples(st.sampled_from("ims"), children).map(
            lambda c: join([c[1]], before=f"(?{c[0]}:", after=")")),
    )


patterns = st.recursive(leaf, extend, max_leaves=8)
texts = st.text(alphabet=ALPHABET, max_size=12)


@settings(max_examples=400, deadline=None, database=None)
@given(pattern=patterns, text=texts)
def test_matches_like_python_re(oracle, pattern, text):
    ours, python = pattern
    # Python's \B never matches in the empty text; ours does, as nothing there
    # is a word boundary.
    assume(text or r"\B" not in python)
    expected = re.search(python, text) is not None
    assert oracle.is_match(ours, text) == expected, (ours, python, text)


@pytest.mark.parametrize("ours, python, text", [
    (r"\bfoo\z", r"\bfoo\Z", "a foo"),
    (r"(?i:\u00e9)", r"(?i:\u00e9)", "\u00c9"),
    (r"(?m:^)b", r"(?m:^)b", "a\nb"),
    (r"\w\b", r"\w\b", "\u0663 "),
    (r"[^\W\d]", r"[^\W\d]", "\u0663"),
])
def test_known_cases(oracle, ours, python, text):
    assert oracle.is_match(ours, text) == (re.search(python, text) is not None)


# Bracketed classes with set operations, which Python's re lacks, against a
# model built on Python sets: a union of items binds tighter than "&&", "--"
# and "~~", which apply left to right; under (?i) each bracket and each
# operand is case-folded before it is negated or combined.
CLASS_ALPHABET = "abcxyzABCXYZ"
OPERATORS = {"&&": set.__and__, "--": set.__sub__, "~~": set.__xor__}


def fold(members, case_insensitive):
    return members | {c.swapcase() for c in members} if case_insensitive else members


class_literal = st.sampled_from("abcxyzAX").map(lambda c: (c, lambda ci: {c}))
class_range = st.sampled_from(["a-c", "x-z", "A-C", "b-y"]).map(
    lambda r: (r, lambda ci: {chr(i) for i in range(ord(r[0]), ord(r[2]) + 1)}))


def class_expression(items):
    operand = st.lists(items, max_size=3).map(
        lambda parts: ("".join(p[0] for p in parts),
                       lambda ci: set().union(*(p[1](ci) for p in parts))))

    def combine(first, rest):
        def evaluate(ci):
            result = first[1](ci)
            for operator, operand in rest:
                result = OPERATORS[operator](fold(result, ci), fold(operand[1](ci), ci))
            return result
        return first[0] + "".join(operator + operand[0] for operator, operand in rest), evaluate

    return st.builds(combine, operand, st.lists(
        st.tuples(st.sampled_from(sorted(OPERATORS)), operand), max_size=2))


def bracket(expression):
    def build(negated, inner):
        text, evaluate = inner
        # "[]" would read "]" as a literal; "[&&]" is the empty class.
        text = text or "&&"

        def members(ci):
            folded = fold(evaluate(ci), ci)
            return set(CLASS_ALPHABET) - folded if negated else folded
        return ("[" + ("^" if negated else "") + text + "]", members)
    # A leading "-" is a literal, not the start of "--".
    return st.builds(build, st.booleans(), expression).filter(
        lambda c: not c[0].lstrip("[^").startswith("-"))


nested_classes = st.recursive(
    st.one_of(class_literal, class_range),
    lambda items: st.one_of(items, bracket(class_expression(items))),
    max_leaves=6)


@settings(max_examples=150, deadline=None, database=None)
@given(cls=bracket(class_expression(nested_classes)), case_insensitive=st.booleans())
def test_class_set_operations(oracle, cls, case_insensitive):
    text, members = cls
    pattern = ("(?i)" if case_insensitive else "") + text
    expected = members(case_insensitive) & set(CLASS_ALPHABET)
    answers = oracle.matches(pattern, list(CLASS_ALPHABET))
    assert {c for c, yes in zip(CLASS_ALPHABET, answers) if yes} == expected, pattern
