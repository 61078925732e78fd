"""The release's third-party notices, written from what notices.sh gathered.

usage: notices.py VERSION LINKS PACKAGES   (run with Debian's /usr/bin/python3)

LINKS: one line per object or archive member a link took,
"TARGET<TAB>PATH<TAB>MEMBER<TAB>PACKAGE<TAB>SOURCE" (MEMBER empty for a plain
object, SOURCE empty without debugging information). PACKAGES:
"PACKAGE<TAB>VERSION<TAB>SOURCE-PACKAGE". The terms come from each package's
/usr/share/doc/PACKAGE/copyright, read by python3-debian's DEP-5 parser.
Output: LF line ends, the same bytes for the same input.
"""

import collections
import hashlib
import io
import os
import re
import sys
import textwrap

from debian import copyright as dep5

from buildinfo import os_release

TARGETS = ("Pacelark.dll", "Pacelark-settings.html")
# The script Emscripten writes around the WebAssembly: its shell, pre- and
# postamble and the library of runtime calls, from its own src/ folder.
RUNTIME_JS = ("src/shell.js", "src/preamble.js", "src/postamble.js", "src/library.js")


def die(message):
    sys.exit(f"notices.py: {message}")


def component(srcpkg, name, version):
    """The part a reader knows by name: (order, title)."""
    if srcpkg == "gcc-mingw-w64":
        return 1, f"libstdc++ and libgcc, the runtime libraries of GCC {version.split('.')[0]}"
    if srcpkg == "mingw-w64":
        if name == "libpthread.a" or name.startswith("libwinpthread"):
            return 3, "winpthreads, the POSIX threads library of mingw-w64"
        return 2, "The mingw-w64 C runtime, with the import libraries of msvcrt and Windows"
    if srcpkg == "emscripten":
        for prefix, order, title in (
                ("libc++abi", 6, "libc++abi, the C++ ABI library of LLVM"),
                ("libc++", 5, "libc++, the C++ standard library of LLVM"),
                ("libcompiler_rt", 7, "compiler-rt, the builtins library of LLVM"),
                ("libdlmalloc", 8, "dlmalloc, the memory allocator")):
            if name.startswith(prefix):
                return order, title + ", as part of Emscripten"
        return 4, "Emscripten's C library: musl with Emscripten's own system code"
    return 9, name


def wrap(text):
    """Our own sentences at 76 columns, later lines indented: read in Notepad too."""
    return textwrap.fill(text, width=76, subsequent_indent="  ",
                         break_long_words=False, break_on_hyphens=False) + "\n"


def lines(text):
    """Lines split at LF alone, as the files write them (a form feed is no line end)."""
    return text[:-1].split("\n") if text.endswith("\n") else text.split("\n")


def indent(text):
    return "".join(("    " + line if line else "") + "\n" for line in lines(text))


def title(text, underline):
    return f"\n{text}\n{underline * len(text)}\n"


def plural(n, word):
    return f"{n} {word}" if n == 1 else f"{n} {word}s"


def release():
    fields = os_release()
    return fields.get("VERSION_ID") or fields.get("VERSION_CODENAME", "")


def field_text(paragraph, key, value=None):
    """A field as the file writes it: "Key: value", or "Key:" and the lines below."""
    value = paragraph[key] if value is None else value
    return f"{key}:{'' if value.startswith(chr(10)) else ' '}{value}\n"


def matches(pattern, name):
    # Matched whole: Debian 12's python3-debian (0.1.49) anchors only the last
    # of a paragraph's patterns at the end, so its find_files_paragraph takes
    # "a/b.c" for "a/b.cpp"; Debian 13's (1.0.1) anchors none and uses fullmatch.
    return dep5.globs_to_re([pattern]).fullmatch(name) is not None


def licence_names(synopsis):
    """"A or B and C with X exception": the names A, B and C."""
    plain = re.sub(r" with \S+ exception", "", synopsis)
    return [n for n in re.split(r" *, *| +or +| +and +", plain) if n]


class Dep5:
    """One machine-readable copyright file and the licences its stanzas name."""

    def __init__(self, path, text):
        self.path = path
        self.copyright = dep5.Copyright(io.StringIO(text), strict=False)
        self.needed = set()

    def stanzas(self, wants):
        """The stanzas whose Files patterns last match a source file linked (a
        member without debugging information is matched by "*" only), with the
        patterns that matched, verbatim but for the patterns."""
        files = list(self.copyright.all_files_paragraphs())
        count = collections.Counter()
        used = collections.defaultdict(list)
        for want in wants:
            hit = None
            for i, paragraph in enumerate(files):
                hits = [g for g in paragraph.files if matches(g, want)]
                if hits:
                    hit = (i, hits[0])
            if hit is None:
                die(f"no stanza of {self.path} covers {want or 'a file without debugging information'}")
            count[hit[0]] += 1
            if hit[1] not in used[hit[0]]:
                used[hit[0]].append(hit[1])
            # A stanza that names the file itself covers it too, though a later one matches.
            for i in range(hit[0]):
                if want in files[i].files and want not in used[i]:
                    count[i] += 1
                    used[i].append(want)
        out = []
        for i, paragraph in enumerate(files):
            if count[i]:
                out.append(self.stanza(paragraph, count[i], used[i]))
        return "".join(out)

    def stanza(self, paragraph, count, used):
        word = "object or file" if count == 1 else "objects or files"
        out = [f"\nFor {count} {word} linked in:\n\n"]
        for key in paragraph:
            if key.lower() == "files":
                patterns = [g for g in paragraph.files if g in used]
                out.append(indent("Files: " + "\n       ".join(patterns) + "\n"))
            else:
                out.append(indent(field_text(paragraph, key)))
        synopsis = paragraph.license.synopsis.strip()
        for name in licence_names(synopsis):
            if not (paragraph.license.text and name == synopsis):
                self.needed.add(name.lower())
        return "".join(out)

    def licences(self, shown):
        """The stand-alone licence paragraphs named; a licence Debian keeps in
        common-licenses with its text, once."""
        out = []
        for paragraph in self.copyright.all_license_paragraphs():
            if paragraph.license.synopsis.strip().lower() not in self.needed:
                continue
            out.append("\n" + indent("".join(field_text(paragraph, k) for k in paragraph)))
            ref = paragraph["Reference"].strip() if "Reference" in paragraph else ""
            if not paragraph.license.text and ref.startswith("/usr/share/common-licenses/") \
                    and ref not in shown:
                shown.add(ref)
                with open(ref, encoding="utf-8") as f:
                    out.append(f"\n    Text of {ref}:\n\n" + indent(f.read()))
        return "".join(out)


def gcc_terms(text):
    """The statement on GCC, the list of runtime libraries under the exception,
    and the exception up to its second section; None if the file has none."""
    out, statement, exception, blank = [], False, 0, 0
    for line in lines(text):
        if line.startswith("GCC is Copyright"):
            statement = True
        if line.startswith("The libbacktrace library"):
            statement = False
        if line.startswith("GCC RUNTIME LIBRARY EXCEPTION"):
            exception = 1
        if exception == 1 and line.startswith("2. No Weakening"):
            exception = 2
        if exception == 2 and not line.strip():
            blank += 1
            if blank == 2:
                exception = 0
        if statement or exception:
            out.append("    " + line if line else "")
    return "".join(line + "\n" for line in out) if out else None


def upstream_notices(srcpkg, wants):
    """The upstream notices beside the sources, where Debian installs them."""
    found = set()
    for want in wants:
        folder = os.path.dirname(want)
        while folder:
            for name in ("COPYRIGHT", "LICENSE", "LICENSE.TXT", "LICENSE.txt", "COPYING"):
                path = f"/usr/share/{srcpkg}/{folder}/{name}"
                if os.path.isfile(path):
                    found.add(path)
            folder = os.path.dirname(folder)
    out = []
    for path in sorted(found):
        with open(path, encoding="utf-8") as f:
            out.append(f"\nThe upstream notice, {path}:\n\n" + indent(f.read()))
    return "".join(out)


class Notices:
    def __init__(self, links, packages):
        self.links = links          # [(target, path, member, package, source)]
        self.packages = packages    # package -> (version, source package)
        self.dep5 = {}              # copyright path -> Dep5
        self.written = set()        # (component, copyright digest)

    def components(self, target):
        """(order, title) -> [(path, package)], in the order the notices give them."""
        parts = collections.defaultdict(set)
        for tgt, path, _, package, _ in self.links:
            if tgt == target:
                version, srcpkg = self.packages[package]
                parts[component(srcpkg, os.path.basename(path), version)].add((path, package))
        if target == "Pacelark-settings.html":
            parts[(4.5, "Emscripten's JavaScript runtime")].add(("-", "emscripten"))
        return {key: sorted(parts[key]) for key in sorted(parts)}

    def linked(self, target, rows):
        """The "Linked in" list, and the source file of each member taken."""
        names, wants = [], []
        for path, _ in rows:
            if path == "-":
                names.append("the script around the WebAssembly, written from Emscripten's src/ folder")
                wants.extend(RUNTIME_JS)
                continue
            taken = [link for link in self.links if link[0] == target and link[1] == path]
            members = sum(1 for link in taken if link[2])
            base = os.path.basename(path)
            names.append(f"{base} ({plural(members, 'member')})" if members else base)
            wants.extend(link[4] for link in taken)
        return names, wants

    def terms(self, name, package, wants):
        copyright_path = f"/usr/share/doc/{package}/copyright"
        try:
            with open(copyright_path, encoding="utf-8") as f:
                text = f.read()
        except OSError:
            die(f"{copyright_path} is missing")
        # Packages of one source often share one copyright file: terms once.
        digest = hashlib.sha256(text.encode()).hexdigest()
        if (name, digest) in self.written:
            return ""
        self.written.add((name, digest))
        try:
            terms = self.dep5.setdefault(copyright_path, Dep5(copyright_path, text))
        except dep5.NotMachineReadableError:
            terms = None
        if terms is not None:
            return ("\n" + wrap(f"Terms, from {copyright_path} (machine-readable): the stanzas that cover "
                         "the source files linked in, with the patterns of their Files field that "
                         "match them.")
                    + terms.stanzas(wants) + upstream_notices(self.packages[package][1], wants))
        part = gcc_terms(text)
        if part is not None:
            return "\n" + wrap(f"Terms, from {copyright_path} (not machine-readable): its statement on "
                        "GCC and on the runtime libraries under the GCC Runtime Library Exception, "
                        "and the exception. The GNU General Public License, version 3, is at "
                        "https://www.gnu.org/licenses/gpl-3.0.txt.") + "\n" + part
        return "\n" + wrap(f"Terms, from {copyright_path} (not machine-readable), whole:") + "\n" + indent(text)

    def write(self, version):
        heading = f"Pacelark {version}: third-party notices"
        out = [f"{heading}\n{'=' * len(heading)}\n\n", textwrap.fill(
            "Pacelark.dll and Pacelark-settings.html contain code of other projects, linked in "
            "when they were built. For each file, this names every such component, the "
            f"Debian {release()} package and version it was built from, what of it was linked "
            "in, and the terms it comes under, in the words of Debian's copyright file of that "
            "package (/usr/share/doc/PACKAGE/copyright): the parts of it that cover the source "
            "files linked in. The licence texts that those parts name follow at the end.", 76) + "\n"]
        for target in TARGETS:
            out.append(title(target, "="))
            for (_, name), rows in self.components(target).items():
                out.append(title(name, "-"))
                packages = sorted({package for _, package in rows})
                out.append(wrap("Debian package: " + ", ".join(
                    f"{p} {self.packages[p][0]}" for p in packages)))
                names, wants = self.linked(target, rows)
                out.append(wrap("Linked in: " + ", ".join(names)))
                out.extend(self.terms(name, p, wants) for p in packages)
        out.append(title("Licence texts named above", "="))
        shown = set()
        for path in sorted(self.dep5):
            out.append(f"\nFrom {path}:\n" + self.dep5[path].licences(shown))
        return "".join(out)


def read_table(path, width):
    with open(path, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    for row in rows:
        if len(row) != width:
            die(f"{path}: a line without {width} fields: {row}")
    return rows


def main(argv):
    if len(argv) != 4:
        die("usage: notices.py VERSION LINKS PACKAGES")
    links = sorted(tuple(row) for row in read_table(argv[2], 5))
    packages = {row[0]: (row[1], row[2]) for row in read_table(argv[3], 3)}
    if not links:
        die(f"{argv[2]} names nothing linked in")
    sys.stdout.write(Notices(links, packages).write(argv[1]))


if __name__ == "__main__":
    main(sys.argv)
