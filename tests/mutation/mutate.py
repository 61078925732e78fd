#!/usr/bin/python3
"""Mutation testing of the plug-in against its native tests.

Finds mutation points in the plug-in's sources (host/, config/, control/, hud/)
at run time, applies one at a time to a scratch copy of the tree
(build/mutate/wN/src, never the checkout), rebuilds the unit and heap test
binaries incrementally in a build dir of its own, runs them, and reports every
mutant the tests let through. A mutant they let through is tried once more
against the unit tests built with the sanitizers of `make test`, where a
mutant whose only effect is undefined behaviour (a read one past an array, a
shift by a negative count) fails. `make mutate` runs it; --help lists the
options.

Python from Debian's python3 and no compiler front end: the points come from a
small C++ tokenizer with a few rules for what is a template bracket, a type or a
statement, which fits this code base's style. Where a rule guesses wrong the
mutant fails to compile and is counted apart, never in the kill rate.
"""

import argparse
import fnmatch
import hashlib
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from dataclasses import dataclass

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PLUGIN_DIRS = ["host", "config", "control", "hud"]
SOURCE_SUFFIXES = (".cpp", ".cc", ".cxx", ".h", ".hpp")
TEST_TARGETS = ["plk_unit_tests", "plk_heap_tests"]
# The heap tests replace malloc, which the sanitizer runtimes own: not built there.
SANITIZE = "address,undefined"
SANITIZE_TARGETS = ["plk_unit_tests"]
# A mutant that allocates without bound dies here, not on the machine (the
# sanitizers reserve terabytes of address space, so no prlimit --as).
SANITIZER_ENV = {"ASAN_OPTIONS": "hard_rss_limit_mb=8192"}
EQUIVALENT_FILE = os.path.join("tests", "mutation", "equivalent.txt")
COPY_EXCLUDE = {"build", "dist", ".git"}
TEST_ADDRESS_SPACE = 8 << 30
UNCHANGED_NOTE = "test binaries unchanged"
OPERATOR_KINDS = ["relational", "arithmetic", "bitwise", "logical", "constant", "boolean",
                  "string", "call", "return"]

# --------------------------------------------------------------------------
# Lexing: just enough C++ to tell code from comments, literals and
# preprocessor lines, with byte offsets so a mutant is one splice.

KEYWORDS = set("""
alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t char16_t
char32_t class compl concept const consteval constexpr constinit const_cast continue co_await
co_return co_yield decltype default delete do double dynamic_cast else enum explicit export
extern false float for friend goto if inline int long mutable namespace new noexcept not not_eq
nullptr operator or or_eq private protected public register reinterpret_cast requires return
short signed sizeof static static_assert static_cast struct switch template this thread_local
throw true try typedef typeid typename union unsigned using virtual void volatile wchar_t while
xor xor_eq
""".split())
TYPE_KEYWORDS = set("auto bool char char8_t char16_t char32_t double float int long short "
                    "signed unsigned void wchar_t".split())
DECL_KEYWORDS = set("const constexpr constinit consteval extern inline mutable static "
                    "thread_local typename typedef virtual volatile explicit friend register "
                    "using".split())
CAST_KEYWORDS = {"static_cast", "reinterpret_cast", "const_cast", "dynamic_cast", "template"}
VALUE_KEYWORDS = {"this", "true", "false", "nullptr"}
CONTROL_KEYWORDS = {"if", "for", "while", "switch", "catch"}
# `>>` and `>>=` are not here: `>` is lexed alone and paired up once template
# brackets are known.
PUNCTUATORS = sorted("""
<=> <<= ... ->* :: -> ++ -- << <= >= == != && || += -= *= /= %= &= |= ^= .* ## { } [ ] ( ) ; :
? . + - * / % ^ & | ~ ! = < > , #
""".split(), key=len, reverse=True)

NUMBER_RE = re.compile(r"\.?[0-9](?:[eEpP][+-]|'(?=[0-9A-Za-z])|[0-9A-Za-z_.])*")
IDENT_RE = re.compile(r"[A-Za-z_][A-Za-z_0-9]*")
STRING_RE = re.compile(r'(?:u8|u|U|L)?"(?:[^"\\\n]|\\.)*"')
CHAR_RE = re.compile(r"(?:u8|u|U|L)?'(?:[^'\\\n]|\\.)+'")
# Tried in this order after raw strings: a prefixed literal before the identifier it starts with.
SIMPLE_TOKENS = [("str", STRING_RE), ("chr", CHAR_RE), ("num", NUMBER_RE), ("ident", IDENT_RE)]
RAW_RE = re.compile(r'(?:u8|u|U|L)?R"([^ ()\\\t\v\f\n]{0,16})\(')


@dataclass
class Tok:
    kind: str   # ident, kw, num, str, chr, punct
    text: str
    start: int
    end: int
    match: int = -1          # index of the matching bracket
    tmpl_open: bool = False
    tmpl_close: bool = False
    shift_with_next: bool = False   # this `>` and the next form `>>` / `>>=`
    shift_tail: bool = False


def lex(src):
    toks = []
    i, n = 0, len(src)
    line_start = True
    while i < n:
        c = src[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "\\" and src.startswith("\n", i + 1):
            i += 2
            continue
        if src.startswith("//", i):
            j = src.find("\n", i)
            i = n if j < 0 else j
            continue
        if src.startswith("/*", i):
            j = src.find("*/", i + 2)
            i = n if j < 0 else j + 2
            continue
        if c == "#" and line_start:
            # A preprocessor line, continuations included.
            j = i
            while True:
                k = src.find("\n", j)
                if k < 0:
                    j = n
                    break
                if src[k - 1] == "\\" or (src[k - 1] == "\r" and src[k - 2] == "\\"):
                    j = k + 1
                    continue
                j = k
                break
            i = j
            continue
        line_start = False
        m = RAW_RE.match(src, i)
        if m:
            close = ")" + m.group(1) + '"'
            j = src.find(close, m.end())
            j = n if j < 0 else j + len(close)
            toks.append(Tok("str", src[i:j], i, j))
            i = j
            continue
        kind = next((k for k, regex in SIMPLE_TOKENS if (m := regex.match(src, i))), None)
        if kind:
            word = m.group(0)
            toks.append(Tok("kw" if kind == "ident" and word in KEYWORDS else kind, word, i, m.end()))
            i = m.end()
            continue
        for p in PUNCTUATORS:
            if src.startswith(p, i):
                toks.append(Tok("punct", p, i, i + len(p)))
                i += len(p)
                break
        else:
            toks.append(Tok("punct", c, i, i + 1))
            i += 1
    return toks


# --------------------------------------------------------------------------
# Mutation points.

@dataclass
class Mutant:
    file: str          # relative to the repository, with forward slashes
    start: int
    end: int
    replacement: str
    kind: str
    original: str      # as shown: the replaced text, blanks squeezed
    mutated: str
    line: int = 0
    column: int = 0
    context: str = ""  # the original source line, blanks squeezed
    context_at: int = 0  # where the mutation starts in `context`
    window: str = ""     # two lines either side and the line, squeezed, for matching
    window_at: int = 0
    mid: int = 0
    status: str = "pending"
    unchanged: bool = False      # the test binaries came out byte for byte as before
    sanitized: bool = False      # killed only in the sanitizer build
    seconds: float = 0.0
    detail: str = ""
    equivalent_reason: str = ""

    def location(self):
        return f"{self.file}:{self.line}:{self.column}"

    def describe(self):
        return (f"{self.location()}: {self.kind} `{self.original}` -> `{self.mutated}`"
                f" in `{self.context}`")


def squeeze(text):
    return " ".join(text.split())


def is_float_literal(text):
    low = text.lower()
    if low.startswith("0x"):
        return "." in low or "p" in low
    return "." in low or "e" in low


def int_parts(text):
    """(value, base, digits, suffix, prefix) of an integer literal, or None."""
    m = re.fullmatch(r"(0[xX])([0-9A-Fa-f']+)([uUlLzZ]*)", text)
    if m:
        return int(m.group(2).replace("'", ""), 16), 16, m.group(2), m.group(3), m.group(1)
    m = re.fullmatch(r"(0[bB])([01']+)([uUlLzZ]*)", text)
    if m:
        return int(m.group(2).replace("'", ""), 2), 2, m.group(2), m.group(3), m.group(1)
    m = re.fullmatch(r"([0-9][0-9']*)([uUlLzZ]*)", text)
    if m:
        digits = m.group(1).replace("'", "")
        if len(digits) > 1 and digits.startswith("0"):
            return int(digits, 8), 8, m.group(1), m.group(2), "0"
        return int(digits), 10, m.group(1), m.group(2), ""
    return None


def format_int(value, base, digits, suffix, prefix):
    if base == 16:
        body = format(value, "X" if digits.upper() == digits else "x").zfill(
            len(digits.replace("'", "")))
    elif base == 2:
        body = format(value, "b")
    elif base == 8:
        body = format(value, "o")
    else:
        body = str(value)
    return prefix + body + suffix


def float_parts(text):
    m = re.fullmatch(r"(.*?)([fFlL]?)", text)
    body, suffix = m.group(1), m.group(2)
    body = body.replace("'", "")
    try:
        value = float.fromhex(body) if body.lower().startswith("0x") else float(body)
    except ValueError:
        return None
    return value, suffix


def format_float(value, suffix):
    text = "%.9g" % value
    if not any(ch in text for ch in ".eE") and "n" not in text:
        text += ".0"
    return text + suffix


def string_mutation(text):
    """The literal with its first letter or digit outside escapes moved on by one."""
    q = text.index('"')
    if text[q - 1:q] == "R":
        return None  # raw strings are left alone
    i = q + 1
    while i < len(text) - 1:
        ch = text[i]
        if ch == "\\":
            i += 2
            continue
        if ch.isascii() and ch.isalnum():
            if ch.isdigit():
                new = str((int(ch) + 1) % 10)
            elif ch in "zZ":
                new = "a" if ch == "z" else "A"
            else:
                new = chr(ord(ch) + 1)
            return text[:i] + new + text[i + 1:]
        i += 1
    return None


class Analyzer:
    def __init__(self, rel, src):
        self.rel = rel
        self.src = src
        self.toks = lex(src)
        self.skip = [False] * len(self.toks)
        self.in_template = [False] * len(self.toks)
        self.brace_kind = {}     # index of `{` -> namespace, class, enum, function, lambda, block, init
        self.brace_return = {}   # index of a function's `{` -> its return type tokens
        self.enclosing = [-1] * len(self.toks)  # innermost open bracket before each token
        self._match_brackets()
        self._find_templates()
        self._pair_shifts()
        self._classify_braces()
        self._mark_skips()

    # -- structure ----------------------------------------------------------

    def _match_brackets(self):
        stack = []
        pairs = {")": "(", "]": "[", "}": "{"}
        for i, t in enumerate(self.toks):
            self.enclosing[i] = stack[-1] if stack else -1
            if t.kind != "punct":
                continue
            if t.text in "([{":
                stack.append(i)
            elif t.text in pairs:
                # Tolerate imbalance: unwind to the nearest opener of the right kind.
                while stack and self.toks[stack[-1]].text != pairs[t.text]:
                    stack.pop()
                if stack:
                    j = stack.pop()
                    t.match = j
                    self.toks[j].match = i
                self.enclosing[i] = stack[-1] if stack else -1

    def _template_close(self, i):
        """Index of the `>` closing a template argument list opened at i, or -1."""
        toks = self.toks
        prev = toks[i - 1] if i > 0 else None
        if prev is None:
            return -1
        after_template_kw = prev.text == "template"
        if not (prev.kind == "ident" or prev.text in CAST_KEYWORDS or prev.tmpl_close):
            return -1
        depth = 1
        j = i + 1
        while j < len(toks):
            t = toks[j]
            if t.text == "<":
                if toks[j - 1].kind == "ident" or toks[j - 1].text in CAST_KEYWORDS:
                    depth += 1
                elif not after_template_kw:
                    return -1
            elif t.text == ">":
                depth -= 1
                if depth == 0:
                    return j
            elif t.text in ("(", "["):
                if t.match < 0:
                    return -1
                j = t.match
            elif t.text in (";", "{", "}", ")", "]"):
                return -1
            elif not after_template_kw:
                if t.kind == "punct" and t.text not in ("::", ",", "*", "&", "..."):
                    return -1
            j += 1
        return -1

    def _find_templates(self):
        toks = self.toks
        for i, t in enumerate(toks):
            if t.text != "<" or t.tmpl_open or self.in_template[i]:
                continue
            j = self._template_close(i)
            if j < 0:
                continue
            t.tmpl_open = True
            toks[j].tmpl_close = True
            t.match = j
            toks[j].match = i
            for k in range(i + 1, j):
                self.in_template[k] = True
                if toks[k].text == "<" and not toks[k].tmpl_open:
                    # Nested lists are marked when the outer one is found.
                    kk = self._template_close(k)
                    if 0 < kk < j:
                        toks[k].tmpl_open = True
                        toks[kk].tmpl_close = True
                        toks[k].match = kk
                        toks[kk].match = k

    def _pair_shifts(self):
        toks = self.toks
        for i in range(len(toks) - 1):
            a, b = toks[i], toks[i + 1]
            if (a.text == ">" and not a.tmpl_close and not a.shift_tail and a.end == b.start
                    and b.text in (">", ">=") and not b.tmpl_close):
                a.shift_with_next = True
                b.shift_tail = True

    def _head_start(self, i):
        """First token of the declaration or statement that ends at index i (exclusive)."""
        toks = self.toks
        j = i - 1
        while j >= 0:
            t = toks[j]
            if t.text in (";", "{", "}") and not (t.text == "}" and self._is_init_brace(t.match)):
                return j + 1
            if t.text in (")", "]") and t.match >= 0:
                j = t.match - 1
                continue
            if t.tmpl_close and t.match >= 0:
                j = t.match - 1
                continue
            j -= 1
        return 0

    def _is_init_brace(self, i):
        return self.brace_kind.get(i) == "init"

    def _classify_braces(self):
        toks = self.toks
        for i, t in enumerate(toks):
            if t.text != "{":
                continue
            prev = toks[i - 1] if i > 0 else None
            head_from = self._head_start(i)
            head = toks[head_from:i]
            words = [h.text for h in head]
            kind = "block"
            if prev is None:
                kind = "block"
            elif prev.text in ("=", ",", "(", "[", "{", "return", "?", ":") and not (
                    prev.text == ":" and self._is_label_colon(i - 1)):
                kind = "init"
                if prev.text == ":" and self._is_ctor_init(i - 1):
                    kind = "block"
            elif prev.kind in ("ident",) or prev.tmpl_close:
                # `T name{...}`, `T{...}`, or a class/enum/namespace head.
                kind = "init"
                stripped = [w for w in words if w not in ("template",)]
                for key in ("enum", "namespace", "class", "struct", "union"):
                    if key in stripped and "=" not in stripped and "(" not in stripped:
                        kind = {"enum": "enum", "namespace": "namespace"}.get(key, "class")
                        break
            elif prev.text == "namespace" or (prev.kind == "str" and words[:1] == ["extern"]):
                kind = "namespace"
            elif prev.text in ("else", "do", "try"):
                kind = "block"
            elif prev.text == "]":
                kind = "lambda"
            elif prev.text == ")" or prev.text in ("const", "noexcept", "override", "final",
                                                   "mutable") or (prev.kind in ("ident", "kw")
                                                                  and "->" in words):
                j = i - 1
                while j >= 0 and toks[j].text != ")":
                    j -= 1
                opener = toks[j].match if j >= 0 else -1
                before = toks[opener - 1] if opener > 0 else None
                if before is None:
                    kind = "block"
                elif before.text in CONTROL_KEYWORDS or before.text == "constexpr":
                    kind = "block"
                elif before.text == "]" or before.text == "mutable":
                    kind = "lambda"
                elif before.kind == "ident" or before.tmpl_close or (
                        before.kind == "punct" and toks[opener - 2].text == "operator"):
                    kind = "function"
                    # Return type: the head up to the declarator's qualified name.
                    k = opener - 1
                    while k > head_from and toks[k - 1].text in ("::", "~"):
                        k -= 2 if toks[k - 1].text == "::" else 1
                    ret = [x.text for x in toks[head_from:k]]
                    if "template" in ret and ">" in ret:
                        ret = ret[len(ret) - ret[::-1].index(">"):]
                    self.brace_return[i] = ret
                else:
                    kind = "block"
            self.brace_kind[i] = kind

    def _is_label_colon(self, i):
        toks = self.toks
        start = self._head_start(i)
        first = toks[start].text if start < len(toks) else ""
        return first in ("case", "default", "public", "private", "protected")

    def _is_ctor_init(self, i):
        return self.toks[i - 1].text == ")"

    def _mark_skips(self):
        toks = self.toks
        n = len(toks)
        for i, t in enumerate(toks):
            if self.in_template[i] or t.tmpl_open or t.tmpl_close:
                self.skip[i] = True
            if t.text in ("static_assert", "alignas", "alignof", "decltype", "sizeof", "noexcept",
                          "asm", "__asm__", "__attribute__", "_Pragma", "__declspec",
                          "typeid") and i + 1 < n and toks[i + 1].text == "(" and toks[i + 1].match > 0:
                for k in range(i, toks[i + 1].match + 1):
                    self.skip[k] = True
            if t.text == "[" and i + 1 < n and toks[i + 1].text == "[" and t.match > 0:
                for k in range(i, t.match + 1):   # [[attributes]]
                    self.skip[k] = True
            if t.text == "extern" and i + 1 < n and toks[i + 1].kind == "str":
                self.skip[i + 1] = True
            if t.text == "operator":
                for k in range(i, min(i + 3, n)):
                    if toks[k].text == "(" and k > i + 1:
                        break
                    self.skip[k] = True
            if t.text == "{" and self.brace_kind.get(i) == "enum" and t.match > 0:
                for k in range(i, t.match + 1):
                    self.skip[k] = True

    # -- token roles ----------------------------------------------------------

    def operand_end(self, j):
        if j < 0:
            return False
        t = self.toks[j]
        if t.kind in ("ident", "num", "str", "chr"):
            return True
        if t.kind == "kw":
            return t.text in VALUE_KEYWORDS
        if t.text in (")", "]"):
            return True
        if t.text == "}":
            return t.match >= 0 and self.brace_kind.get(t.match) == "init"
        if t.text in ("++", "--"):
            return self.operand_end(j - 1)
        return t.tmpl_close

    def chain_start(self, j):
        """Start of the (qualified or member) name ending at j; and whether it is a member access."""
        toks = self.toks
        member = False
        while j > 0:
            p = toks[j - 1]
            if p.text == "::":
                if j >= 2 and toks[j - 2].tmpl_close and toks[j - 2].match > 0:
                    j = toks[j - 2].match - 1
                elif j >= 2 and toks[j - 2].kind == "ident":
                    j -= 2
                else:
                    j -= 1
                    break
            elif p.text in (".", "->"):
                member = True
                q = j - 2
                if q >= 0 and toks[q].text in (")", "]") and toks[q].match >= 0:
                    q = toks[q].match - 1
                    if q >= 0 and toks[q].kind == "ident":
                        j = q
                        continue
                    break
                if q >= 0 and toks[q].kind in ("ident", "kw"):
                    j = q
                else:
                    break
            else:
                break
        return j, member

    def typeish(self, j):
        if j < 0:
            return False
        t = self.toks[j]
        return ((t.kind == "ident") or (t.kind == "kw" and t.text in TYPE_KEYWORDS)
                or t.text in ("*", "&", "&&", "~") or t.tmpl_close)

    def declares(self, j):
        """Whether token j can end the type of a declaration (`T`, `T*`, `T&`, `X<T>`)."""
        t = self.toks[j]
        if t.text in ("*", "&"):
            return not self.is_binary(j)
        if t.kind == "ident":
            return j == 0 or self.toks[j - 1].text not in (".", "->")
        return (t.kind == "kw" and t.text in TYPE_KEYWORDS) or t.tmpl_close

    def is_binary(self, i):
        """Whether `*`, `&` or `&&` at i is a binary operator rather than part of a type."""
        toks = self.toks
        op = toks[i].text
        p = toks[i - 1] if i > 0 else None
        nx = toks[i + 1] if i + 1 < len(toks) else None
        if p is None or not self.operand_end(i - 1):
            return False
        if p.tmpl_close:
            return op == "&&"
        if p.kind in ("num", "str", "chr") or p.text in (")", "]", "}"):
            return True
        if nx is not None and (nx.kind in ("num", "str", "chr") or nx.text in ("(", "!", "-", "~")):
            return True
        if nx is not None and nx.text in (")", ",", ">", ";", "=", "...", "&", "*"):
            return False
        start, member = self.chain_start(i - 1)
        if member:
            return True
        b = toks[start - 1] if start > 0 else None
        if b is None:
            return False
        if b.text in (";", "{", "}") or b.tmpl_close or b.kind == "ident":
            return False
        if b.kind == "kw" and (b.text in DECL_KEYWORDS or b.text in TYPE_KEYWORDS):
            return False
        if b.text == ":":
            return self._ternary_before(start - 1)
        if b.text in ("(", ","):
            o = self.enclosing[i]
            if o < 0 or toks[o].text != "(":
                return o >= 0 and self.brace_kind.get(o) == "init"
            q = toks[o - 1] if o > 0 else None
            if q is None:
                return True
            if q.text == "for":
                return False
            if q.kind == "ident" or q.tmpl_close:
                name_start, _ = self.chain_start(o - 1) if q.kind == "ident" else (o - 1, False)
                return not self.typeish(name_start - 1)
            return True
        return True

    def _ternary_before(self, i):
        toks = self.toks
        depth = 0
        j = i - 1
        while j >= 0:
            t = toks[j].text
            if t in (")", "]", "}"):
                depth += 1
            elif t in ("(", "[", "{"):
                if depth == 0:
                    return False
                depth -= 1
            elif depth == 0 and t == ";":
                return False
            elif depth == 0 and t == "?":
                return True
            j -= 1
        return False

    def in_code_block(self, i):
        """Whether token i sits directly in a function body or a block within one."""
        o = self.enclosing[i]
        return o >= 0 and self.toks[o].text == "{" and self.brace_kind.get(o) in (
            "function", "lambda", "block")

    def enclosing_function(self, i):
        o = self.enclosing[i]
        while o >= 0:
            if self.toks[o].text == "{" and self.brace_kind.get(o) in ("function", "lambda"):
                return o
            o = self.enclosing[o]
        return -1

    def statement_start(self, i):
        toks = self.toks
        if not self.in_code_block(i):
            return False
        p = toks[i - 1] if i > 0 else None
        if p is None:
            return False
        if p.text in (";", "{", "}", "else", "do"):
            return p.text != "}" or self.brace_kind.get(p.match) != "init"
        if p.text == ")" and p.match > 0:
            before = toks[p.match - 1].text
            if before == "constexpr" and p.match > 1:
                before = toks[p.match - 2].text
            return before in ("if", "for", "while", "switch")
        if p.text == ":":
            return self._is_label_colon(i - 1)
        return False

    def call_statement_end(self, i):
        """If a statement that is only a call starts at i, the index of its `)`; else -1."""
        toks = self.toks
        t = toks[i]
        if not (t.kind == "ident" or t.text == "this" or t.text == "::"):
            return -1
        j = i
        saw_call = False
        last_close = -1
        while j < len(toks):
            t = toks[j]
            if t.kind == "ident" or t.text == "this":
                j += 1
                if j < len(toks) and toks[j].tmpl_open:
                    j = toks[j].match + 1
                if j < len(toks) and toks[j].kind in ("ident", "kw"):
                    return -1      # `Type name`: a declaration
                continue
            if t.text in ("::", ".", "->"):
                j += 1
                continue
            if t.text == "(" and t.match > j:
                saw_call = True
                last_close = t.match
                j = t.match + 1
                continue
            if t.text == ";":
                return last_close if saw_call and last_close == j - 1 else -1
            return -1
        return -1

    # -- generation ------------------------------------------------------------

    def mutants(self):
        out = []
        toks = self.toks
        src = self.src

        def add(tok_from, tok_to, replacement, kind, shown_original=None, shown_mutated=None):
            start = toks[tok_from].start
            end = toks[tok_to].end
            original = src[start:end]
            out.append(Mutant(self.rel, start, end, replacement, kind,
                              squeeze(shown_original if shown_original is not None else original),
                              squeeze(shown_mutated if shown_mutated is not None else replacement)))

        relational = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"],
                      "==": ["!="], "!=": ["=="]}
        arithmetic = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["/"],
                      "+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="], "%=": ["/="],
                      "++": ["--"], "--": ["++"]}
        bitwise = {"&": ["|"], "|": ["&"], "^": ["|"], "<<": [">>"],
                   "&=": ["|="], "|=": ["&="], "^=": ["|="], "<<=": [">>="]}

        for i, t in enumerate(toks):
            if self.skip[i]:
                continue
            text = t.text
            prev_op = toks[i - 1].text if i > 0 else ""
            if prev_op == "operator":
                continue
            if t.kind == "punct":
                if t.shift_tail:
                    continue
                if t.shift_with_next:
                    nxt = toks[i + 1].text
                    merged = ">>" if nxt == ">" else ">>="
                    repl = "<<" if merged == ">>" else "<<="
                    if self.operand_end(i - 1):
                        add(i, i + 1, repl, "bitwise")
                    continue
                if text in relational:
                    if text in ("<", ">") and (t.tmpl_open or t.tmpl_close):
                        continue
                    if not self.operand_end(i - 1):
                        continue
                    for r in relational[text]:
                        add(i, i, r, "relational")
                elif text in ("&&", "||"):
                    if text == "&&" and not self.is_binary(i):
                        continue
                    if not self.operand_end(i - 1):
                        continue
                    add(i, i, "||" if text == "&&" else "&&", "logical")
                elif text == "!":
                    add(i, i, "", "logical", "!", "")
                elif text in ("++", "--"):
                    add(i, i, arithmetic[text][0], "arithmetic")
                elif text in ("+", "-"):
                    if self.operand_end(i - 1):
                        add(i, i, arithmetic[text][0], "arithmetic")
                    elif text == "-" and i + 1 < len(toks) and toks[i + 1].kind == "num":
                        add(i, i, "", "arithmetic", "-", "")
                elif text in ("*", "&"):
                    if self.is_binary(i):
                        table = arithmetic if text == "*" else bitwise
                        add(i, i, table[text][0], "arithmetic" if text == "*" else "bitwise")
                elif text in ("/", "%") or text in ("+=", "-=", "*=", "/=", "%="):
                    if self.operand_end(i - 1):
                        add(i, i, arithmetic[text][0], "arithmetic")
                elif text in bitwise:
                    if self.operand_end(i - 1):
                        add(i, i, bitwise[text][0], "bitwise")
            elif t.kind == "num":
                self._constant_mutants(i, add)
            elif t.kind == "kw" and text in ("true", "false"):
                add(i, i, "false" if text == "true" else "true", "boolean")
            elif t.kind == "ident" and text in ("TRUE", "FALSE"):
                add(i, i, "FALSE" if text == "TRUE" else "TRUE", "boolean")
            elif t.kind == "str":
                m = string_mutation(text)
                if m is not None:
                    add(i, i, m, "string")
            if t.kind in ("ident", "kw", "punct") and not self.skip[i] and self.statement_start(i):
                close = self.call_statement_end(i)
                if close > 0 and not any(self.skip[i:close + 1]):
                    span = src[t.start:toks[close].end]
                    add(i, close, "\n" * span.count("\n"), "call", span, "")
            if t.kind == "kw" and text == "return":
                self._return_mutants(i, add)
        return out

    def _constant_mutants(self, i, add):
        toks = self.toks
        t = toks[i]
        # `T name[N]`: an array bound in a declaration.
        if (i >= 3 and toks[i - 1].text == "[" and toks[i - 1].match == i + 1
                and toks[i - 2].kind == "ident" and self.declares(i - 3)):
            return
        # `= 0;` of a pure virtual function.
        if (toks[i - 1].text == "=" and i >= 2 and toks[i - 2].text in (")", "const", "override")
                and i + 1 < len(toks) and toks[i + 1].text == ";"):
            return
        if is_float_literal(t.text):
            parts = float_parts(t.text)
            if parts is None:
                return
            value, suffix = parts
            seen = {t.text}
            for new in (value + 1.0, value * 1.01):
                text = format_float(new, suffix)
                if text not in seen and new != value:
                    seen.add(text)
                    add(i, i, text, "constant")
            return
        parts = int_parts(t.text)
        if parts is None:
            return
        value, base, digits, suffix, prefix = parts
        if base == 16:
            candidates = [value ^ 1]      # one bit, and by one
        elif value == 0:
            candidates = [1]
        else:
            candidates = [value + 1, value - 1]
        for new in candidates:
            add(i, i, format_int(new, base, digits, suffix, prefix), "constant")

    def _return_mutants(self, i, add):
        toks = self.toks
        f = self.enclosing_function(i)
        if f < 0 or self.brace_kind.get(f) != "function":
            return
        ret = self.brace_return.get(f, [])
        types = [w for w in ret if w not in DECL_KEYWORDS and w not in ("[[", "]]")]
        if not types or types[-1] != "bool":
            return
        j = i + 1
        while j < len(toks) and toks[j].text != ";":
            if toks[j].text in ("(", "[", "{") and toks[j].match > j:
                j = toks[j].match
            j += 1
        if j >= len(toks) or j == i + 1:
            return
        expr = toks[i + 1:j]
        if len(expr) == 1 and expr[0].text in ("true", "false"):
            return
        for lit in ("true", "false"):
            add(i + 1, j - 1, lit, "return")


def line_info(src, offset):
    """Line, column, the line with blanks squeezed, and the offset's place in it."""
    line = src.count("\n", 0, offset) + 1
    begin = src.rfind("\n", 0, offset) + 1
    end = src.find("\n", offset)
    end = len(src) if end < 0 else end
    raw = src[begin:end]
    col = offset - begin
    lead = len(raw) - len(raw.lstrip())
    squeezed_before = squeeze(raw[:col])
    at = len(squeezed_before) + (1 if squeezed_before and raw[col - 1:col].isspace() else 0)
    if col <= lead:
        at = 0
    return line, col + 1, squeeze(raw), at


def plugin_files(root, dirs):
    files = []
    for d in dirs:
        base = os.path.join(root, d)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    files.append(os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/"))
    return files


WIN32_IF_RE = re.compile(r"#\s*(ifdef\s+_WIN32\b|if\s+defined\s*\(?\s*_WIN32\b(?!.*(&&|\|\|)))")
NOT_WIN32_IF_RE = re.compile(r"#\s*(ifndef\s+_WIN32\b|if\s+!\s*defined\s*\(?\s*_WIN32\b(?!.*(&&|\|\|)))")


def windows_only_lines(src):
    """Line numbers only the Windows build compiles: the _WIN32 branch of an
    `#ifdef _WIN32` (or of `#ifndef _WIN32 ... #else`); the *_win32.cpp files,
    which only it builds, are skipped whole. The native tests cannot reach
    them; the tests under Wine do."""
    stack, only = [], set()
    for number, line in enumerate(src.split("\n"), 1):
        text = line.strip()
        if text.startswith("#"):
            directive = re.sub(r"^#\s*", "", text)
            if WIN32_IF_RE.match(text):
                stack.append("win")
            elif NOT_WIN32_IF_RE.match(text):
                stack.append("native")
            elif directive.startswith("if"):
                stack.append("other")
            elif directive.startswith("else") and stack:
                stack[-1] = {"win": "native", "native": "win"}.get(stack[-1], "other")
            elif directive.startswith("elif") and stack:
                stack[-1] = "other"
            elif directive.startswith("endif") and stack:
                stack.pop()
            continue
        if "win" in stack:
            only.add(number)
    return only


def generate(root, files):
    all_mutants = []
    sources = {}
    windows_only = 0
    for rel in files:
        with open(os.path.join(root, rel), encoding="utf-8", errors="surrogateescape") as fh:
            src = fh.read()
        sources[rel] = src
        seen = set()
        # A *_win32.cpp file is built by the Windows build alone.
        skipped_lines = (set(range(1, src.count("\n") + 2)) if rel.endswith("_win32.cpp")
                         else windows_only_lines(src))
        for m in Analyzer(rel, src).mutants():
            key = (m.start, m.end, m.replacement)
            if key in seen:
                continue
            seen.add(key)
            m.line, m.column, m.context, m.context_at = line_info(src, m.start)
            if m.line in skipped_lines:
                windows_only += 1
                continue
            lines = src.split("\n")
            before = squeeze(" ".join(lines[max(0, m.line - 3):m.line - 1]))
            after = squeeze(" ".join(lines[m.line:m.line + 2]))
            m.window = " ".join(x for x in (before, m.context, after) if x)
            m.window_at = (len(before) + 1 if before else 0) + m.context_at
            all_mutants.append(m)
    all_mutants.sort(key=lambda m: (m.file, m.start, m.end, m.replacement))
    for k, m in enumerate(all_mutants):
        m.mid = k + 1
    return all_mutants, sources, windows_only


# --------------------------------------------------------------------------
# Known-equivalent mutants.

EQUIV_RE = re.compile(r"^(\S+): `(.*?)` -> `(.*?)` in `(.*)` -- (.+)$")


@dataclass
class Equivalent:
    file: str
    original: str
    mutated: str
    context: str
    reason: str
    lineno: int
    matches: int = 0


def load_equivalents(path):
    entries = []
    if not os.path.exists(path):
        return entries
    with open(path, encoding="utf-8") as fh:
        for lineno, raw in enumerate(fh, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            m = EQUIV_RE.match(line)
            if not m:
                sys.exit(f"{path}:{lineno}: expected FILE: `ORIGINAL` -> `MUTATED` in `CONTEXT` -- REASON")
            entries.append(Equivalent(m.group(1), squeeze(m.group(2)), squeeze(m.group(3)),
                                      squeeze(m.group(4)), m.group(5).strip(), lineno))
    return entries


def covers(context, line, at):
    """Whether `context` occurs in `line` over position `at`."""
    k = line.find(context)
    while k >= 0:
        if k <= at < k + max(len(context), 1):
            return True
        k = line.find(context, k + 1)
    return False


def mark_equivalents(mutants, entries):
    for m in mutants:
        for e in entries:
            if (e.file == m.file and e.original == m.original and e.mutated == m.mutated
                    and covers(e.context, m.window, m.window_at)):
                m.equivalent_reason = e.reason
                e.matches += 1
                break


# --------------------------------------------------------------------------
# Scratch trees and builds.

def sync_tree(src_root, dst_root):
    """Makes dst_root a copy of src_root (without build output), touching only files that differ."""
    wanted = set()
    for dirpath, dirnames, filenames in os.walk(src_root):
        rel_dir = os.path.relpath(dirpath, src_root)
        if rel_dir == ".":
            dirnames[:] = [d for d in dirnames if d not in COPY_EXCLUDE]
        dirnames[:] = [d for d in dirnames if not d.startswith(".")]
        for name in filenames:
            rel = os.path.normpath(os.path.join(rel_dir, name))
            wanted.add(rel)
            s = os.path.join(src_root, rel)
            d = os.path.join(dst_root, rel)
            with open(s, "rb") as fh:
                data = fh.read()
            try:
                with open(d, "rb") as fh:
                    if fh.read() == data:
                        continue
            except OSError:
                pass
            os.makedirs(os.path.dirname(d), exist_ok=True)
            write_file(d, data)
            shutil.copymode(s, d)
    for dirpath, dirnames, filenames in os.walk(dst_root, topdown=False):
        for name in filenames:
            rel = os.path.normpath(os.path.relpath(os.path.join(dirpath, name), dst_root))
            if rel not in wanted:
                os.remove(os.path.join(dirpath, name))
        if dirpath != dst_root and not os.listdir(dirpath):
            os.rmdir(dirpath)


def write_file(path, data):
    """Replaces the file's content, its time stamp always moving forward."""
    try:
        before = os.stat(path).st_mtime_ns
    except OSError:
        before = 0
    with open(path, "wb") as fh:
        fh.write(data)
    after = os.stat(path).st_mtime_ns
    if after <= before:
        os.utime(path, ns=(before + 1_000_000, before + 1_000_000))


def file_digest(path):
    h = hashlib.sha1()
    with open(path, "rb") as fh:
        for chunk in iter(lambda: fh.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


class Stopped(Exception):
    pass


class Worker:
    def __init__(self, index, args, sources):
        self.index = index
        self.args = args
        self.sources = sources
        self.dir = os.path.join(args.work_dir, f"w{index}")
        self.src = os.path.join(self.dir, "src")
        self.build = os.path.join(self.dir, "build")
        self.binaries = []
        self.baseline = {}
        self.san_build = os.path.join(self.dir, "build-sanitize")
        self.san_binaries = []
        self.san_baseline = {}
        self.proc = None
        self.lock = threading.Lock()
        self.stopping = False
        self.dirty = set()   # files currently mutated in the scratch tree

    def run(self, cmd, timeout, cwd=None, env=None):
        """(exit status or None on timeout, output)."""
        with self.lock:
            if self.stopping:
                raise Stopped()
            self.proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                         start_new_session=True,
                                         env=dict(os.environ, **env) if env else None)
        try:
            out, _ = self.proc.communicate(timeout=timeout)
            return self.proc.returncode, out.decode("utf-8", "replace")
        except subprocess.TimeoutExpired:
            self.kill()
            out, _ = self.proc.communicate()
            return None, out.decode("utf-8", "replace")
        finally:
            with self.lock:
                self.proc = None

    def kill(self):
        p = self.proc
        if p is not None and p.poll() is None:
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def stop(self):
        with self.lock:
            self.stopping = True
            self.kill()

    def configure(self, build, options, stamp_text):
        # Configured once per flag set; no debug information, so a change that
        # compiles to the same code leaves the binaries byte for byte alike.
        flags = f"-O{self.args.opt} {self.args.extra_flags}".strip()
        stamp = os.path.join(build, "mutate-flags.txt")
        try:
            with open(stamp, encoding="utf-8") as fh:
                configured = fh.read()
        except OSError:
            configured = None
        if configured != flags + stamp_text:
            cmd = ["cmake", "-S", self.src, "-B", build, "-G", "Ninja",
                   "-DCMAKE_BUILD_TYPE=", f"-DCMAKE_CXX_FLAGS={flags}", f"-DCMAKE_C_FLAGS={flags}",
                   "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST"] + options
            status, out = self.run(cmd, 600)
            if status != 0:
                raise RuntimeError(f"configuring {build} failed:\n{out}")
            with open(stamp, "w", encoding="utf-8") as fh:
                fh.write(flags + stamp_text)

    def prepare(self):
        os.makedirs(self.dir, exist_ok=True)
        sync_tree(ROOT, self.src)
        self.configure(self.build, [], "")
        self.binaries, self.baseline = self.build_baseline(self.build, self.args.targets)
        if self.args.sanitize:
            self.configure(self.san_build, [f"-DPLK_SANITIZE={self.args.sanitize}"],
                           f" -fsanitize={self.args.sanitize}")
            self.san_binaries, self.san_baseline = self.build_baseline(self.san_build,
                                                                       self.args.sanitize_targets)

    def build_baseline(self, build, targets):
        status, out = self.build_tests(build, targets)
        if status != 0:
            raise RuntimeError(f"building the unmutated tests in {build} failed:\n{out}")
        binaries = []
        for target in targets:
            path = find_binary(build, target)
            if path is None:
                raise RuntimeError(f"no {target} in {build}")
            binaries.append(path)
        return binaries, {b: file_digest(b) for b in binaries}

    def build_tests(self, build, targets):
        cmd = ["ninja", "-C", build, "-j", str(self.args.build_jobs)] + targets
        return self.run(cmd, self.args.build_timeout)

    def run_tests(self, binaries, timeouts, killers, sanitized=False):
        """None when every test passes, else (how, detail).

        Tests that killed recent mutants run first, as a filtered run of
        their own; then the rest. Every test runs unless one fails.
        """
        for binary in binaries:
            name = os.path.basename(binary) + (" (sanitized)" if sanitized else "")
            recent = killers.recent(name)
            runs = [["--gtest_filter=" + ":".join(recent)], ["--gtest_filter=-" + ":".join(recent)]] \
                if recent else [[]]
            for extra in runs:
                if sanitized:
                    cmd, env = [binary, "--gtest_fail_fast"] + extra, SANITIZER_ENV
                else:
                    # A mutant that allocates without bound fails here, not on the machine.
                    cmd, env = ["prlimit", f"--as={TEST_ADDRESS_SPACE}", binary, "--gtest_fail_fast"] + extra, None
                started = time.monotonic()
                status, out = self.run(cmd, timeouts[binary], cwd=os.path.dirname(binary), env=env)
                elapsed = time.monotonic() - started
                if status == 0:
                    continue
                failed = re.findall(r"^\[  FAILED  \] (\S+)", out, re.M)
                running = unfinished_test(out)
                test = failed[0] if failed else running
                if test:
                    killers.note(name, test)
                where = f"{name}: {test}" if test else name
                if status is None:
                    return "timeout", f"{where}: no result after {elapsed:.0f}s"
                if failed:
                    return "killed", where
                if status < 0:
                    return "killed", f"{where}: {signal.Signals(-status).name}"
                return "killed", f"{where}: exit status {status}"
        return None

    def restore(self, rel):
        path = os.path.join(self.src, rel)
        with open(path, "rb") as fh:
            current = fh.read()
        original = self.sources[rel].encode("utf-8", "surrogateescape")
        if current != original:
            write_file(path, original)
        self.dirty.discard(rel)

    def try_mutant(self, m, timeouts, killers):
        src = self.sources[m.file]
        mutated = src[:m.start] + m.replacement + src[m.end:]
        for rel in list(self.dirty):
            if rel != m.file:
                self.restore(rel)
        self.dirty.add(m.file)
        write_file(os.path.join(self.src, m.file), mutated.encode("utf-8", "surrogateescape"))
        status, out = self.build_tests(self.build, self.args.targets)
        if status != 0:
            m.status = "uncompiled"
            errors = [ln for ln in out.splitlines() if "error" in ln]
            m.detail = errors[0].strip() if errors else ("build timed out" if status is None else "build failed")
            return
        if all(file_digest(b) == self.baseline[b] for b in self.binaries):
            # Nothing to run: the tests cannot see this change, either because
            # it compiles to the same code or because no test binary links it.
            m.status = "survived"
            m.unchanged = True
            m.detail = UNCHANGED_NOTE
        else:
            verdict = self.run_tests(self.binaries, timeouts, killers)
            if verdict is not None:
                m.status, m.detail = verdict
                return
            m.status = "survived"
        if self.args.sanitize:
            self.try_sanitized(m, timeouts, killers)

    def try_sanitized(self, m, timeouts, killers):
        """A survivor once more, in the sanitizer build; killed there counts as killed."""
        status, out = self.build_tests(self.san_build, self.args.sanitize_targets)
        if status != 0:
            m.detail = "the sanitizer build failed" + (": " + m.detail if m.detail else "")
            return
        if all(file_digest(b) == self.san_baseline[b] for b in self.san_binaries):
            return
        verdict = self.run_tests(self.san_binaries, timeouts, killers, sanitized=True)
        if verdict is not None:
            m.status, detail = verdict
            m.detail = "sanitizers: " + detail
            m.unchanged = False
            m.sanitized = True

    def finish(self):
        for rel in list(self.dirty):
            self.restore(rel)


def unfinished_test(output):
    """The test that was running when the output ended, if any."""
    last = None
    for line in output.splitlines():
        if line.startswith("[ RUN      ] "):
            last = line[13:].strip()
        elif line.startswith(("[       OK ] ", "[  FAILED  ] ", "[  SKIPPED ] ")):
            last = None
    return last


class Killers:
    """Tests that killed mutants lately, most recent first, per test binary."""

    def __init__(self, keep=4):
        self.keep = keep
        self.lists = {}
        self.lock = threading.Lock()

    def recent(self, binary):
        with self.lock:
            return list(self.lists.get(binary, []))

    def note(self, binary, test):
        with self.lock:
            lst = self.lists.setdefault(binary, [])
            if test in lst:
                lst.remove(test)
            lst.insert(0, test)
            del lst[self.keep:]


def find_binary(build, target):
    for dirpath, dirnames, filenames in os.walk(build):
        dirnames[:] = [d for d in dirnames if d != "CMakeFiles"]
        if target in filenames:
            path = os.path.join(dirpath, target)
            if os.access(path, os.X_OK):
                return path
    return None


# --------------------------------------------------------------------------
# Reporting.

def fmt_duration(seconds):
    seconds = int(round(seconds))
    h, rest = divmod(seconds, 3600)
    m, s = divmod(rest, 60)
    return f"{h}h{m:02d}m{s:02d}s" if h else f"{m}m{s:02d}s"


def summary_lines(mutants, wall, stopped_reason):
    ran = [m for m in mutants if m.status != "pending"]
    count = lambda *states: sum(1 for m in ran if m.status in states)
    generated = len(mutants)
    uncompiled = count("uncompiled")
    compiled = len(ran) - uncompiled
    timed_out = count("timeout")
    killed = count("killed", "timeout")
    sanitized = sum(1 for m in ran if m.sanitized and m.status in ("killed", "timeout"))
    equivalent = count("equivalent")
    survived = count("survived")
    unchanged = sum(1 for m in ran if m.status == "survived" and m.unchanged)
    denominator = compiled - equivalent
    rate = (100.0 * killed / denominator) if denominator else 0.0
    lines = ["", "Summary"]
    lines.append(f"  mutants generated      {generated}")
    if len(ran) != generated:
        lines.append(f"  not run                {generated - len(ran)}  ({stopped_reason})")
    lines.append(f"  compiled               {compiled}  ({uncompiled} did not compile: not in the rate)")
    lines.append(f"  killed                 {killed}  (timed-out mutants included; "
                 f"{sanitized} only under the sanitizers)")
    lines.append(f"  survived               {survived}  (of which {unchanged} left the test binaries unchanged)")
    lines.append(f"  equivalent             {equivalent}  (listed in {EQUIVALENT_FILE})")
    lines.append(f"  timed out              {timed_out}  (hung past the timeout: counted as killed)")
    lines.append(f"  kill rate              {killed} / ({compiled} - {equivalent}) = {rate:.1f}%")
    lines.append(f"  wall time              {fmt_duration(wall)}")
    return lines


def report_lines(mutants, entries, whole_run, wall, stopped_reason, header):
    lines = list(header)
    survivors = [m for m in mutants if m.status == "survived"]
    lines.append("")
    lines.append(f"Survivors ({len(survivors)}):")
    for m in survivors:
        lines.append("  " + m.describe() + (f"  [{UNCHANGED_NOTE}]" if m.unchanged else ""))
    equivalents = [m for m in mutants if m.status == "equivalent"]
    if equivalents:
        lines.append("")
        lines.append(f"Equivalent ({len(equivalents)}):")
        for m in equivalents:
            lines.append(f"  {m.describe()} -- {m.equivalent_reason}")
    wrong = [m for m in mutants if m.equivalent_reason and m.status in ("killed", "timeout")]
    if wrong:
        lines.append("")
        lines.append(f"Listed as equivalent but killed ({len(wrong)}): fix {EQUIVALENT_FILE}")
        for m in wrong:
            lines.append(f"  {m.describe()} -- {m.detail}")
    stale = [e for e in entries if e.matches == 0]
    if stale and whole_run:
        lines.append("")
        lines.append(f"Entries of {EQUIVALENT_FILE} that match no mutant ({len(stale)}):")
        for e in stale:
            lines.append(f"  line {e.lineno}: {e.file}: `{e.original}` -> `{e.mutated}` in `{e.context}`")
    lines.extend(summary_lines(mutants, wall, stopped_reason))
    return lines


# --------------------------------------------------------------------------

def source_version():
    """The checkout's commit, marked when it has local changes; or "unknown"."""
    try:
        rev = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True,
                             text=True, timeout=30).stdout.strip()
        dirty = subprocess.run(["git", "-C", ROOT, "status", "--porcelain", "--"] + PLUGIN_DIRS,
                               capture_output=True, text=True, timeout=30).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return "unknown"
    if not rev:
        return "unknown"
    return f"commit {rev}" + (" with local changes" if dirty else "")


def select_files(all_files, patterns):
    if not patterns:
        return all_files
    chosen = []
    for f in all_files:
        for p in patterns:
            p = p.strip().rstrip("/")
            if not p:
                continue
            if f == p or fnmatch.fnmatch(f, p) or f.startswith(p + "/"):
                chosen.append(f)
                break
    return chosen


def parse_args(argv):
    cpu = os.cpu_count() or 1
    ap = argparse.ArgumentParser(
        description="Mutation testing of the plug-in's sources against the native unit and heap tests.")
    ap.add_argument("--files", default="",
                    help="files to mutate: paths, directories or globs relative to the repository, "
                         "separated by spaces or commas (default: every source under "
                         + ", ".join(PLUGIN_DIRS) + ")")
    ap.add_argument("--targets", default=",".join(TEST_TARGETS),
                    help="GoogleTest executables to build and run, in this order, comma-separated "
                         "(default: %(default)s)")
    ap.add_argument("--ops", default="", help="operator kinds to apply, comma-separated: "
                    + ",".join(OPERATOR_KINDS) + " (default: all)")
    ap.add_argument("--jobs", type=int, default=1,
                    help="mutants tried at once, each in its own scratch tree (default 1)")
    ap.add_argument("--build-jobs", type=int, default=0,
                    help="ninja -j per scratch build (default: cores / jobs, at least 1)")
    ap.add_argument("--sample", default="",
                    help="try only a random sample: a count or a percentage such as 10%%")
    ap.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    ap.add_argument("--minutes", type=float, default=0,
                    help="stop starting mutants after this many minutes; the rest are reported as not run")
    ap.add_argument("--timeout", type=float, default=0,
                    help="seconds per test binary before a mutant counts as hung (default: five times "
                         "the unmutated run, at least 15)")
    ap.add_argument("--build-timeout", type=float, default=900, help="seconds per rebuild (default 900)")
    ap.add_argument("--opt", default="1", help="optimisation level of the scratch build (default 1)")
    ap.add_argument("--sanitize", default=SANITIZE,
                    help="sanitizers of the build in which survivors are tried again, as PLK_SANITIZE of "
                         "`make test`'s asan build (default: %(default)s; none: no second try)")
    ap.add_argument("--sanitize-targets", default=",".join(SANITIZE_TARGETS),
                    help="test executables of that build, comma-separated (default: %(default)s)")
    ap.add_argument("--extra-flags", default="",
                    help="more compiler flags for the scratch build, e.g. -D_GLIBCXX_ASSERTIONS "
                         "(a changed flag set rebuilds the scratch trees once)")
    ap.add_argument("--work-dir", default=os.path.join(ROOT, "build", "mutate"),
                    help="scratch trees, builds and reports (default build/mutate)")
    ap.add_argument("--report", default="", help="also write the report to this file")
    ap.add_argument("--list", action="store_true", help="list the mutants and exit without building")
    ap.add_argument("-v", "--verbose", action="store_true", help="one line per mutant as it is tried")
    args = ap.parse_args(argv)
    args.work_dir = os.path.abspath(args.work_dir)
    args.targets = [t for t in re.split(r"[\s,]+", args.targets) if t]
    if not args.targets:
        ap.error("--targets names no test executable")
    args.sanitize = "" if args.sanitize.strip() in ("", "none") else args.sanitize.strip()
    args.sanitize_targets = [t for t in re.split(r"[\s,]+", args.sanitize_targets) if t]
    if args.sanitize and not args.sanitize_targets:
        ap.error("--sanitize-targets names no test executable")
    if args.jobs < 1:
        ap.error("--jobs must be at least 1")
    if args.build_jobs < 1:
        args.build_jobs = max(1, cpu // args.jobs)
    return args


def main(argv):
    args = parse_args(argv)
    started = time.monotonic()
    patterns = [p for p in re.split(r"[\s,]+", args.files.strip()) if p]
    files = select_files(plugin_files(ROOT, PLUGIN_DIRS), patterns)
    if not files:
        sys.exit(f"no source matches --files {args.files!r}")
    mutants, sources, windows_only = generate(ROOT, files)
    if windows_only:
        print(f"mutate: {windows_only} mutation points in Windows-only code left to the tests under Wine")
    if args.ops:
        kinds = set(re.split(r"[\s,]+", args.ops.strip()))
        unknown = kinds - set(OPERATOR_KINDS)
        if unknown:
            sys.exit(f"unknown operator kinds: {', '.join(sorted(unknown))}")
        mutants = [m for m in mutants if m.kind in kinds]
    entries = load_equivalents(os.path.join(ROOT, EQUIVALENT_FILE))
    mark_equivalents(mutants, entries)

    chosen = mutants
    if args.sample:
        rng = random.Random(args.seed)
        if args.sample.endswith("%"):
            k = round(len(mutants) * float(args.sample[:-1]) / 100.0)
        else:
            k = int(args.sample)
        chosen = sorted(rng.sample(mutants, min(max(k, 0), len(mutants))), key=lambda m: m.mid)

    if args.list:
        for m in chosen:
            mark = f"  [listed equivalent: {m.equivalent_reason}]" if m.equivalent_reason else ""
            print(f"{m.mid:5d} {m.describe()}{mark}")
        print(f"{len(chosen)} mutants in {len(files)} files, "
              f"{sum(1 for m in chosen if m.equivalent_reason)} listed as equivalent")
        for e in entries:
            if e.matches != 1 and not (args.files or args.ops):
                print(f"{EQUIVALENT_FILE}:{e.lineno}: matches {e.matches} mutants")
        return 0

    print(f"mutate: {len(chosen)} mutants in {len(files)} files; {args.jobs} job(s), "
          f"ninja -j{args.build_jobs}, -O{args.opt}; scratch trees under "
          f"{os.path.relpath(args.work_dir, ROOT)}", flush=True)

    workers = [Worker(k, args, sources) for k in range(args.jobs)]
    stop_reason = ""
    interrupted = threading.Event()

    # Unmutated builds first: they must pass, and they time the tests.
    try:
        for w in workers:
            w.prepare()
        w0 = workers[0]
        timeouts = {}
        for b, env in [(b, None) for b in w0.binaries] + [(b, SANITIZER_ENV) for b in w0.san_binaries]:
            t0 = time.monotonic()
            status, out = w0.run([b, "--gtest_brief=1"], 600, cwd=os.path.dirname(b), env=env)
            elapsed = time.monotonic() - t0
            what = os.path.relpath(b, w0.dir)
            if status != 0:
                sys.exit(f"the unmutated {what} fails; fix that first:\n{out[-3000:]}")
            timeouts[what] = args.timeout or max(15.0, 5 * elapsed)
    except KeyboardInterrupt:
        for w in workers:
            w.stop()
        print("interrupted before the first mutant; the checkout was never modified")
        return 130
    print("mutate: unmutated tests pass; timeouts " + ", ".join(
        f"{k} {v:.0f}s" for k, v in timeouts.items()), flush=True)

    # One queue of files, costliest first (headers rebuild many objects).
    groups = {}
    for m in chosen:
        groups.setdefault(m.file, []).append(m)
    order = sorted(groups, key=lambda f: (not f.endswith((".h", ".hpp")), -len(groups[f]), f))
    queue = list(order)
    qlock = threading.Lock()
    out_lock = threading.Lock()
    deadline = started + args.minutes * 60 if args.minutes else None
    done = [0]
    total = len(chosen)
    killers = Killers()

    def emit(text):
        with out_lock:
            print(text, flush=True)

    def work(w):
        per_binary = {b: timeouts[os.path.relpath(b, w.dir)] for b in w.binaries + w.san_binaries}
        try:
            while not interrupted.is_set():
                with qlock:
                    if not queue:
                        return
                    rel = queue.pop(0)
                t_file = time.monotonic()
                for m in groups[rel]:
                    if interrupted.is_set():
                        return
                    if deadline and time.monotonic() > deadline:
                        return
                    t_mutant = time.monotonic()
                    w.try_mutant(m, per_binary, killers)
                    m.seconds = time.monotonic() - t_mutant
                    if interrupted.is_set():
                        m.status, m.detail = "pending", ""
                        return
                    if m.equivalent_reason and m.status == "survived":
                        m.status = "equivalent"
                    with qlock:
                        done[0] += 1
                        n_done = done[0]
                    if args.verbose or m.status == "survived":
                        tag = {"survived": "SURVIVED"}.get(m.status, m.status)
                        extra = f"  ({m.detail})" if m.detail and args.verbose else ""
                        emit(f"[{n_done:4d}/{total}] {tag:10s} {m.describe()}{extra}")
                ms = groups[rel]
                c = lambda *s: sum(1 for x in ms if x.status in s)
                emit(f"-- {rel}: {len(ms)} mutants, {c('killed', 'timeout')} killed, "
                     f"{c('survived')} survived, {c('equivalent')} equivalent, "
                     f"{c('uncompiled')} did not compile ({fmt_duration(time.monotonic() - t_file)})")
        except Stopped:
            return
        finally:
            w.finish()

    threads = [threading.Thread(target=work, args=(w,), daemon=True) for w in workers]
    for t in threads:
        t.start()
    try:
        while any(t.is_alive() for t in threads):
            for t in threads:
                t.join(timeout=0.5)
    except KeyboardInterrupt:
        interrupted.set()
        for w in workers:
            w.stop()
        for t in threads:
            t.join()
        stop_reason = "interrupted"
    for m in chosen:
        if m.status == "pending" and not stop_reason:
            stop_reason = "time limit reached"

    wall = time.monotonic() - started
    scope = "all plug-in sources" if not args.files else f"files: {args.files}"
    if args.sample:
        scope += f"; sample {args.sample} (seed {args.seed})"
    if args.ops:
        scope += f"; operators: {args.ops}"
    header = [f"Mutation run of {scope} at {source_version()}, {time.strftime('%Y-%m-%d %H:%M')}",
              f"Tests: {', '.join(args.targets)} (-O{args.opt} scratch build); {args.jobs} job(s)"]
    if args.sanitize:
        header.append(f"Survivors tried again: {', '.join(args.sanitize_targets)} "
                      f"with -fsanitize={args.sanitize}")
    whole_run = not (args.files or args.sample or args.ops or stop_reason)
    lines = report_lines(chosen, entries, whole_run, wall, stop_reason, header)
    text = "\n".join(lines) + "\n"
    os.makedirs(args.work_dir, exist_ok=True)
    with open(os.path.join(args.work_dir, "report.txt"), "w", encoding="utf-8") as fh:
        fh.write(text)
    with open(os.path.join(args.work_dir, "results.tsv"), "w", encoding="utf-8") as fh:
        fh.write("id\tstatus\tseconds\tfile\tline\tcolumn\tkind\toriginal\tmutated\tdetail\n")
        for m in chosen:
            fh.write(f"{m.mid}\t{m.status}\t{m.seconds:.1f}\t{m.file}\t{m.line}\t{m.column}\t{m.kind}\t"
                     f"{m.original}\t{m.mutated}\t{m.detail or m.equivalent_reason}\n")
    if args.report:
        with open(args.report, "w", encoding="utf-8") as fh:
            fh.write(text)
    sys.stdout.write(text)
    return 130 if stop_reason == "interrupted" else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
