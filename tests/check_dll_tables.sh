#!/bin/bash
# The plug-in DLL's import and export tables, exactly: 64-bit, no exports,
# the eight script hook functions by decorated name, and only KERNEL32 and
# msvcrt besides.
set -euo pipefail
dll="$1"
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
fail() { echo "FAIL: $*"; exit 1; }

grep -q "^Magic.*020b" <<<"$dump" || fail "not a PE32+ (64-bit) image"
grep -q "file format pei-x86-64" <<<"$dump" || fail "not x86-64"

if grep -q "^The Export Tables" <<<"$dump"; then
    exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -c '\[' || true)
    [ "$exports" -le 1 ] || fail "exports functions: $(sed -n '/Ordinal\/Name Pointer/,/^$/p' <<<"$dump")"
fi

dlls=$(grep "DLL Name:" <<<"$dump" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll ScriptHookFRTR.dll msvcrt.dll " ] || fail "imports from: $dlls"

# Names imported from the script hook library.
hook=$(awk '/DLL Name: ScriptHookFRTR.dll/{on=1;next} /DLL Name:/{on=0} /^$/{on=0} on && $1 ~ /^[0-9a-f]+$/ && NF >= 3 {print $3}' <<<"$dump" | sort)
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
kernel=$(awk '/DLL Name: KERNEL32.dll/{on=1;next} /DLL Name:/{on=0} /^$/{on=0} on && $1 ~ /^[0-9a-f]+$/ && NF >= 3 {print $3}' <<<"$dump")
grep -qx GetTickCount <<<"$kernel" || fail "GetTickCount is not imported from KERNEL32"
crt=$(awk '/DLL Name: msvcrt.dll/{on=1;next} /DLL Name:/{on=0} /^$/{on=0} on && $1 ~ /^[0-9a-f]+$/ && NF >= 3 {print $3}' <<<"$dump")
grep -qx malloc <<<"$crt" || fail "malloc is not imported from msvcrt"

# Each decorated name spells the signature the plug-in calls with.
if command -v llvm-undname >/dev/null; then
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
fi
echo "dll tables ok: $(wc -l <<<"$hook") script hook imports, DLLs: $dlls"
