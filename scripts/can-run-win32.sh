#!/bin/bash
# Succeeds when this machine can run the 32-bit wine loader (its kernel runs
# 32-bit programs). Elsewhere the Windows code is tested as its 64-bit build.
[ -x /usr/lib/wine/wineserver32 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
