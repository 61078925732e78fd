#!/bin/bash
# Runs one compile of the web build so that it gives the same object in every
# run and in every folder. clang 14's WebAssembly backend orders the try and
# delegate blocks it adds for unwinding by heap address (it walks a map keyed
# by pointers), so an object follows where the compiler's heap lies. Without
# address-space randomisation that depends only on what the compiler is given
# and finds, and the paths it reads the sources by are part of that, real
# paths included. So the compiler runs with randomisation off, in a mount
# namespace of its own where the source folder is /mnt, with the sources named
# relative to the build folder (so depfiles still name the right files) and
# "." as the compilation folder; an unlimited stack, which moves the heap's
# neighbours, is capped. Where the system allows no namespace (or no
# randomisation off), the compile runs as it can: the object is the same, the
# bytes may differ, and the release check says so.
# usage: em-compile.sh SOURCE_DIR COMMAND ARGS...
src=$1
shift
rel=$(realpath -m --relative-to=. "$src")
args=()
for a in "$@"; do
    a=${a//"$src/"/"$rel/"}
    [[ $a == *"$src" ]] && a=${a%"$src"}$rel
    args+=("$a")
done
args+=(-ffile-compilation-dir=.)
limit=$(ulimit -s)
if [ "$limit" = unlimited ] || [ "$limit" -gt 131072 ]; then ulimit -s 8192 2>/dev/null; fi
norandom=()
setarch "$(uname -m)" -R true 2>/dev/null && norandom=(setarch "$(uname -m)" -R)

here=$(pwd -P) top=$(cd "$src" && pwd -P)
case $here/ in
"$top"/*)
    if unshare -rm mount --bind "$top" /mnt 2>/dev/null; then
        # shellcheck disable=SC2016
        exec unshare -rm bash -c 'mount --bind "$1" /mnt && cd "/mnt$2" && shift 2 && exec "$@"' \
            bash "$top" "${here#"$top"}" "${norandom[@]}" "${args[@]}"
    fi
    ;;
esac
exec "${norandom[@]}" "${args[@]}"
