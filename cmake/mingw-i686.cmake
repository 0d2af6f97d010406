# The Windows deliverables: 32-bit, run under the 32-bit wine loader.
set(VARD_MINGW_ARCH i686)
set(VARD_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
