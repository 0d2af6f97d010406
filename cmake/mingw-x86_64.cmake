# The same Windows code built for 64 bits, so that it can be tested under
# wine on machines whose kernel cannot run 32-bit programs (and with it the
# 32-bit wine loader).
set(VARD_MINGW_ARCH x86_64)
set(VARD_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
