# Cross-building the Windows executable with Debian's mingw-w64, for the
# architecture a preset names in FHSWITCH_WINDOWS_ARCH (a row of
# windows-architectures.tsv).
include(${CMAKE_CURRENT_LIST_DIR}/windows-architectures.cmake)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FHSWITCH_WINDOWS_ARCH)
fhswitch_windows_architecture(${FHSWITCH_WINDOWS_ARCH} 1 CMAKE_SYSTEM_PROCESSOR)
set(CMAKE_SYSTEM_NAME Windows)
set(mingw_triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)
set(CMAKE_DLLTOOL ${mingw_triplet}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
