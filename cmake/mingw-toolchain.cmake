# Cross-builds Windows programs with Debian's mingw-w64 toolchain (posix
# threads). VELKA_MINGW_TRIPLET picks the target (x86_64-w64-mingw32 by
# default, i686-w64-mingw32 for 32-bit); VELKA_WINDOWS_DEPS is the prefix the
# dependencies were built into (scripts/windows-deps).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT VELKA_MINGW_TRIPLET)
  set(VELKA_MINGW_TRIPLET x86_64-w64-mingw32)
endif()
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${VELKA_MINGW_TRIPLET}")
set(CMAKE_C_COMPILER   ${VELKA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELKA_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELKA_MINGW_TRIPLET} ${VELKA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Both values reach try_compile projects too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELKA_MINGW_TRIPLET VELKA_WINDOWS_DEPS)
