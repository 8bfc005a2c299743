# Cross toolchain: 32-bit Windows (i686, PE32).
set(KESTO_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
