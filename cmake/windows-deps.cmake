# The libraries of a Windows build. fmt, CLI11 and nlohmann-json are used as
# headers alone, so the Debian packages' headers serve the cross build too;
# only their folders are offered to the cross compiler, never the build
# machine's whole include folder, whose C library headers would shadow
# mingw's. GoogleTest is built from the sources Debian ships with it.
set(scenario_host_headers ${CMAKE_BINARY_DIR}/host_headers)
file(MAKE_DIRECTORY ${scenario_host_headers})
foreach(header IN ITEMS fmt/format.h CLI/CLI.hpp nlohmann/json.hpp)
  get_filename_component(folder_name ${header} DIRECTORY)
  find_path(scenario_host_${folder_name} ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT scenario_host_${folder_name})
    message(FATAL_ERROR "${header} not found on the build machine: run scripts/install-deps.sh")
  endif()
  file(CREATE_LINK ${scenario_host_${folder_name}}/${folder_name} ${scenario_host_headers}/${folder_name} SYMBOLIC)
endforeach()

add_library(fmt::fmt-header-only INTERFACE IMPORTED)
target_include_directories(fmt::fmt-header-only SYSTEM INTERFACE ${scenario_host_headers})
target_compile_definitions(fmt::fmt-header-only INTERFACE FMT_HEADER_ONLY=1)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${scenario_host_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${scenario_host_headers})

# Nothing but Windows itself is needed where the executables run; a release
# carries no symbols.
add_link_options(-static $<$<CONFIG:Release,MinSizeRel>:-s>)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601)

if(SCENARIO_BUILD_TESTS)
  set(SCENARIO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian: googletest)")
  if(NOT EXISTS ${SCENARIO_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's sources are not in ${SCENARIO_GTEST_SOURCE}: install googletest")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  # Its own warnings are not ours to fix.
  add_subdirectory(${SCENARIO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
