#!/bin/bash
# Runs one compile of the web build so that it gives the same object in every
# run, in every folder and with any Emscripten cache. clang 14's WebAssembly
# backend orders the try and delegate blocks it adds for unwinding by heap
# address (it walks a map keyed by pointers), so an object follows where the
# compiler's heap lies. Without address-space randomisation that depends only
# on what the compiler is given, and every path is part of that. So the
# compiler sees the same paths everywhere: the source folder relative to the
# working folder (the build folder, so depfiles still name the right files),
# the cache (and its sysroot) through a link beside it, "." as the compilation
# folder; and an unlimited stack, which moves the heap's neighbours, is capped.
# usage: em-compile.sh SOURCE_DIR CACHE_DIR COMMAND ARGS...
src=$1 cache=$2
shift 2
rel=$(realpath -m --relative-to=. "$src")
args=()
for a in "$@"; do
    a=${a//"$src/"/"$rel/"}
    [[ $a == *"$src" ]] && a=${a%"$src"}$rel
    args+=("$a")
done
args+=(-ffile-compilation-dir=.)
[ "$(readlink .em-cache)" = "$cache" ] || ln -sfn "$cache" .em-cache 2>/dev/null || [ -e .em-cache ]
export EM_CACHE=.em-cache
limit=$(ulimit -s)
if [ "$limit" = unlimited ] || [ "$limit" -gt 131072 ]; then ulimit -s 8192 2>/dev/null; fi
# Where the system refuses to turn randomisation off, the build still works;
# the release check then reports the differing page.
if setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R "${args[@]}"
fi
exec "${args[@]}"
