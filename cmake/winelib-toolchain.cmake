# Wine's winelib toolchain: Win32 sources compiled into ELF modules that run under Wine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The real drivers, not the *-stable wrappers (those break quoted -D values).
set(CMAKE_C_COMPILER   /usr/lib/wine/winegcc)
set(CMAKE_CXX_COMPILER /usr/lib/wine/wineg++)
set(CMAKE_RC_COMPILER  /usr/lib/wine/wrc)
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> <SOURCE>")
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/winelib-rules.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
