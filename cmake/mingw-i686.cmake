set(MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# This kernel runs no 32-bit code: the i686 build runs in a 32-bit guest
# under whole-system emulation (scripts/test-i686).
