# Cross-building the Windows executables on Debian with mingw-w64 (package
# g++-mingw-w64-x86-64-posix): the posix thread model, which std::thread and
# the C++ library's mutexes need.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(scenario_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${scenario_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${scenario_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${scenario_mingw_triple}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${scenario_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the executables under Wine.
find_program(SCENARIO_WINE NAMES wine64 wine)
if(SCENARIO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SCENARIO_WINE})
endif()
