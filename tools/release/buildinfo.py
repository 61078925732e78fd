"""BUILDINFO.txt: what a release was built from, in the style of Debian's .buildinfo.

usage: buildinfo.py VERSION COMMIT EPOCH DIR FILES... -- PACKAGES...
       (run with Debian's /usr/bin/python3)

Writes to standard output the source (version, commit, release date), the
Debian release and architecture that built it, the SHA-256 and size of FILES
(in DIR), and in Installed-Build-Depends every package of PACKAGES with all it
depends on, as installed, each with its exact version: the closure that
Debian's .buildinfo records for a package's build dependencies.
"""

import hashlib
import os
import subprocess
import sys

from debian import deb822

STATUS = "/var/lib/dpkg/status"


def die(message):
    sys.exit(f"buildinfo.py: {message}")


def os_release():
    fields = {}
    with open("/etc/os-release", encoding="utf-8") as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            fields[key] = value.strip('"')
    return fields


def installed():
    """name -> [paragraph] of the packages dpkg has installed (one per architecture)."""
    packages = {}
    with open(STATUS, encoding="utf-8") as f:
        for p in deb822.Packages.iter_paragraphs(f, use_apt_pkg=False):
            if p.get("Status", "").endswith(" installed"):
                packages.setdefault(p["Package"], []).append(p)
    return packages


def closure(roots, packages):
    """The packages of roots and, through Depends and Pre-Depends, all they
    need: of alternatives and virtual packages, those installed."""
    providers = {}
    for name, paragraphs in packages.items():
        for p in paragraphs:
            for group in p.relations["provides"]:
                for rel in group:
                    providers.setdefault(rel["name"], set()).add(name)
    missing = [r for r in roots if r not in packages]
    if missing:
        die("not installed: " + " ".join(missing) + " (make dist installs them)")
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        for p in packages[name]:
            for group in p.relations["pre-depends"] + p.relations["depends"]:
                for rel in group:
                    found = ({rel["name"]} & packages.keys()) or providers.get(rel["name"], set())
                    if found:
                        todo.extend(sorted(found))
                        break
    return sorted(seen)


def entry(name, paragraphs, native):
    out = []
    for p in sorted(paragraphs, key=lambda p: p.get("Architecture", "")):
        arch = p.get("Architecture", "")
        qualified = name if arch in (native, "all") else f"{name}:{arch}"
        out.append(f"{qualified} (= {p['Version']})")
    return out


def checksums(folder, files):
    out = []
    for name in files:
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        out.append(f" {hashlib.sha256(data).hexdigest()} {len(data)} {name}")
    return out


def main(argv):
    if "--" not in argv or len(argv) < 6:
        die("usage: buildinfo.py VERSION COMMIT EPOCH DIR FILES... -- PACKAGES...")
    cut = argv.index("--")
    version, commit, epoch, folder = argv[1:5]
    files, roots = argv[5:cut], argv[cut + 1:]
    release = os_release()
    native = subprocess.run(["dpkg", "--print-architecture"], check=True,
                            capture_output=True, text=True).stdout.strip()
    packages = installed()
    depends = [e for name in closure(roots, packages) for e in entry(name, packages[name], native)]
    lines = [
        "Source: Pacelark",
        f"Version: {version}",
        f"Source-Commit: {commit}",
        f"Source-Date-Epoch: {epoch}",
        f"Build-Origin: {release.get('NAME', 'unknown').split()[0]}",
        f"Build-Release: {release.get('VERSION_ID', '')}",
        f"Build-Suite: {release.get('VERSION_CODENAME', '')}",
        f"Build-Architecture: {native}",
        "Checksums-Sha256:", *checksums(folder, files),
        "Installed-Build-Depends:", *(f" {e}," for e in depends[:-1]), f" {depends[-1]}",
    ]
    sys.stdout.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv)
