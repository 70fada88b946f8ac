# Native build: the packaging tool, the post-link tool, unit tests, e2e test
# registration, and (on request) fuzzers and benchmarks.

option(SANITIZE "build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(BUILD_FUZZERS "build the libFuzzer targets (needs clang)" OFF)
option(BUILD_BENCH "build the benchmarks" OFF)

add_compile_options(-O2 -g)

# The sanitizers, for whatever links the core: the unit tests and the
# post-link tool.  The scrpack that ships is built without them.
add_library(sanitizers INTERFACE)
if(SANITIZE)
  target_compile_options(sanitizers INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(sanitizers INTERFACE -fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)

# The portable core, with the POSIX stand-ins for the kernel's file calls.
add_library(core STATIC ${CORE_SOURCES} package/native/platform_posix.cpp)
target_include_directories(core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(core PUBLIC sanitizers)

# The packaging tool: everything under scrpack/ but commands/main.cpp (and
# the Windows side of its system layer) is a library that the tests use too.
file(GLOB_RECURSE SCRPACK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/scrpack/*.cpp)
list(REMOVE_ITEM SCRPACK_SOURCES ${CMAKE_SOURCE_DIR}/scrpack/commands/main.cpp)
list(FILTER SCRPACK_SOURCES EXCLUDE REGEX "_windows\\.cpp$")
add_library(scrpack_lib STATIC ${SCRPACK_SOURCES})
target_link_libraries(scrpack_lib PUBLIC core Threads::Threads)

# scrpack itself: the one program that the end-to-end tests run and that
# `cmake --install` and the Debian package ship (cmake/install.cmake).  The
# same sources as scrpack_lib, compiled once more without the sanitizers,
# whose run-time libraries an installed program can't count on, and with
# the C++ run-time linked in, so that it depends on the C library alone.
add_executable(scrpack ${CORE_SOURCES} package/native/platform_posix.cpp ${SCRPACK_SOURCES} scrpack/commands/main.cpp)
target_include_directories(scrpack PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(scrpack PRIVATE Threads::Threads)
# Hardened as Debian builds its programs.
target_compile_options(scrpack PRIVATE -D_FORTIFY_SOURCE=2)
target_compile_definitions(scrpack PRIVATE ${SCRPACK_VERSION_DEFINITIONS})
target_link_options(scrpack PRIVATE -static-libstdc++ -static-libgcc -Wl,-z,relro,-z,now)

# The post-link step for the cross-built installer.
file(GLOB STUBFIX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/stubfix/*.cpp)
add_executable(stubfix ${STUBFIX_SOURCES})
target_link_libraries(stubfix PRIVATE scrpack_lib)

enable_testing()

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE scrpack_lib GTest::gtest GTest::gtest_main)
target_compile_definitions(unit_tests PRIVATE
  SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  BUILD_ROOT="${CMAKE_BINARY_DIR}/..")
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

# End-to-end tests under wine64: one ctest test per tests/e2e/test_*.py.
# They need build/win64 and this build's scrpack (build.sh makes both).
find_package(Python3 COMPONENTS Interpreter)
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
foreach(script ${E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND ${Python3_EXECUTABLE} ${script})
  set_tests_properties(e2e_${name} PROPERTIES
    TIMEOUT 600
    LABELS e2e
    ENVIRONMENT "SOURCE_DIR=${CMAKE_SOURCE_DIR};BUILD_ROOT=${CMAKE_BINARY_DIR}/..;PYTHONDONTWRITEBYTECODE=1")
endforeach()

# The installer and the uninstaller against their size limits: bytes, the
# same at every build (bench/size_report.sh, which also prints them).
add_test(NAME program_sizes COMMAND ${CMAKE_SOURCE_DIR}/bench/size_report.sh --check)
set_tests_properties(program_sizes PROPERTIES ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")

# What `cmake --install` and the Debian package ship.
include(${CMAKE_SOURCE_DIR}/cmake/install.cmake)

foreach(dir fuzz bench)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/${dir} ${CMAKE_BINARY_DIR}/${dir})
  endif()
endforeach()
