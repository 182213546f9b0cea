#!/usr/bin/env bash
# Compares the C functions that the shared library exports with the names the
# public headers declare with VMLIB_EXPORT. C++ symbols (type information of
# CException) and the linker's own markers are not exports of the interface.
set -euo pipefail
lib=$1
include_dir=$2

declared=$(grep -h -o -E '^VMLIB_EXPORT[^(]*\b[A-Za-z_][A-Za-z0-9_]*[[:space:]]*\(' "$include_dir"/*.h \
  | sed -E 's/[[:space:]]*\($//; s/.*[^A-Za-z0-9_]//' | sort -u)
exported=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -v -E '^(_Z|_init$|_fini$|_edata$|_end$|__bss_start$)' | sort -u)

missing=$(comm -23 <(echo "$declared") <(echo "$exported"))
extra=$(comm -13 <(echo "$declared") <(echo "$exported"))
status=0
if [[ -n "$missing" ]]; then echo "declared but not exported:"; echo "$missing"; status=1; fi
if [[ -n "$extra" ]]; then echo "exported but not declared:"; echo "$extra"; status=1; fi
[[ $status -eq 0 ]] && echo "$(echo "$declared" | wc -l) exports match the headers"
exit $status
