#!/bin/bash
# The plug-in DLL's import and export tables, exactly: 64-bit, no exports,
# the eight script hook functions by decorated name, and only KERNEL32 and
# msvcrt besides.
set -euo pipefail
dll="$1"
fail() { echo "FAIL: $*"; exit 1; }
for t in llvm-readobj llvm-undname; do
    command -v "$t" >/dev/null || fail "$t not found (Debian package llvm)"
done
# llvm-readobj's COFF listing reads alike from every llvm version Debian has
# (binutils' objdump changed its import columns between releases).
headers=$(llvm-readobj --file-headers "$dll")
tables=$(llvm-readobj --coff-imports --coff-exports "$dll")

grep -q "Machine: IMAGE_FILE_MACHINE_AMD64" <<<"$headers" || fail "not x86-64"
grep -q "Magic: 0x20B" <<<"$headers" || fail "not a PE32+ (64-bit) image"

exports=$(awk '/^Export \{/ {on = 1} on && /^ *Name: ./ {print $2} /^\}/ {on = 0}' <<<"$tables")
[ -z "$exports" ] || fail "exports functions: $exports"

# Each imported DLL's names, one per line.
imports() { awk -v dll="$1" '/^Import \{/ {on = 0} /^ *Name: / {on = $2 == dll} on && /^ *Symbol: / {print $2}' <<<"$tables"; }
dlls=$(awk '/^Import \{/ {getline; print $2}' <<<"$tables" | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll ScriptHookFRTR.dll msvcrt.dll " ] || fail "imports from: $dlls"

# Names imported from the script hook library.
hook=$(imports ScriptHookFRTR.dll | sort)
expected=$(printf '%s\n' \
  '?keyboardHandlerRegister@@YAXP6AXKGEHHHH@Z@Z' \
  '?keyboardHandlerUnregister@@YAXP6AXKGEHHHH@Z@Z' \
  '?nativeCall@@YAPEA_KXZ' \
  '?nativeInit@@YAX_K@Z' \
  '?nativePush64@@YAX_K@Z' \
  '?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z' \
  '?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z' \
  '?scriptWait@@YAXK@Z' | sort)
[ "$hook" = "$expected" ] || fail "script hook imports differ:
$hook"

# The clock is read through the KERNEL32 import.
imports KERNEL32.dll | grep -qx GetTickCount || fail "GetTickCount is not imported from KERNEL32"
imports msvcrt.dll | grep -qx malloc || fail "malloc is not imported from msvcrt"

# Whatever the plug-in can take from the runtime and keep (memory, handles,
# streams, threads, TLS indexes, critical sections) goes through a function
# the load-cycle count hooks, so a hold has no uncounted way out. LoadLibraryW
# comes with rand_s, which the static libstdc++ links for a string function;
# nothing calls it.
hooked=$(sed -n 's/^ *{"\(msvcrt\|KERNEL32\)\.dll", "\([A-Za-z_]*\)".*/\2/p' "$(dirname "$0")/../bench/plugin_holdings.h")
takes=$(imports KERNEL32.dll; imports msvcrt.dll)
takes=$(grep -E 'Alloc|^Create|^Open|^Duplicate|^Initialize|^LoadLibrary|open$|dup$|^_?beginthread|^(malloc|calloc|realloc)$' <<<"$takes" |
    grep -vxF -e LoadLibraryW $(printf -- '-e %s ' $hooked)) || true
[ -z "$takes" ] || fail "takes from the runtime where the load cycles do not count: $(echo $takes)"

# Each decorated name spells the signature the plug-in calls with.
demangled=$(while read -r name; do llvm-undname "$name" </dev/null | sed -n 2p; done <<<"$hook")
want='void __cdecl keyboardHandlerRegister(void (__cdecl *)(unsigned long, unsigned short, unsigned char, int, int, int, int))
void __cdecl keyboardHandlerUnregister(void (__cdecl *)(unsigned long, unsigned short, unsigned char, int, int, int, int))
unsigned __int64 * __cdecl nativeCall(void)
void __cdecl nativeInit(unsigned __int64)
void __cdecl nativePush64(unsigned __int64)
void __cdecl scriptRegister(struct HINSTANCE__*, void (__cdecl *)(void))
void __cdecl scriptUnregister(struct HINSTANCE__*)
void __cdecl scriptWait(unsigned long)'
[ "$demangled" = "$want" ] || fail "signatures differ:
$demangled"
echo "dll tables ok: $(wc -l <<<"$hook") script hook imports, DLLs: $dlls"
