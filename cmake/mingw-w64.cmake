# Cross-building the Windows executable with Debian's mingw-w64. Included by
# the toolchain file of each architecture, which sets CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(mingw_triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)
set(CMAKE_DLLTOOL ${mingw_triplet}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
