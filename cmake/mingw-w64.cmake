# Cross-builds the Windows program on Debian with MinGW-w64 (POSIX threads,
# which std::thread needs). scripts/windows.sh passes the Qt and SQLite built
# for Windows in CMAKE_PREFIX_PATH; the host's lrelease makes the translations
# and Wine runs the test programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${HX_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HX_MINGW})
# Programs run here; libraries, headers and packages are the target's, found in
# the root path or in CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
find_program(HX_WINE NAMES wine wine64)
if(HX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${HX_WINE})
endif()
