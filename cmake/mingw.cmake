# Cross-building the Windows program and libraries with Debian's mingw-w64
# compiler (posix threads): 32-bit (TVL_WINDOWS_ARCH=i686, the default) or
# 64-bit (x86_64). TVL_WINDOWS_DEPS names the folder where
# scripts/windows_deps.sh installed the libraries Debian ships no mingw build of.
set(TVL_WINDOWS_ARCH i686 CACHE STRING "i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TVL_WINDOWS_ARCH})
set(triplet ${TVL_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

set(TVL_WINDOWS_DEPS "" CACHE PATH "Folder of the cross-built libraries")
file(GLOB deps_prefixes LIST_DIRECTORIES true "${TVL_WINDOWS_DEPS}/*-*")
set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${deps_prefixes})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only (not the import libraries *.dll.a): the program and its
# DLLs need nothing else installed.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_LIBRARY /usr/${triplet}/lib/libz.a CACHE FILEPATH "")

# The C and C++ runtimes and the thread library linked in, not beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A release carries no debug information (the libraries were built with it).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")
# Tests run under Wine (scripts/wine_run.sh keeps one prefix under the build).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine_run.sh --unix-lines)
