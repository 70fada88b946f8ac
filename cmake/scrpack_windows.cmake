# scrpack.exe for Windows (x86_64, static, reproducible like the installer:
# no timestamp, stripped, paths mapped), and the zip authors on Windows get:
#   glimmerkit-scrpack/scrpack.exe
#   glimmerkit-scrpack/installer-stub.exe   the PE32 installer (win32 tree)
#   glimmerkit-scrpack/uninstaller.exe      the PE32 uninstaller (win32 tree)
#   glimmerkit-scrpack/README.txt
# scrpack.exe finds the stub and the uninstaller beside itself
# (scrpack/commands/tool_files.cpp).  build.sh configures this tree with
#   -DSCRPACK_WINDOWS=ON -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-mingw-posix.cmake
#   -DWIN32_BUILD_DIR=<the win32 tree>

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows" OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(FATAL_ERROR "SCRPACK_WINDOWS needs cmake/toolchain-x86_64-mingw-posix.cmake")
endif()
set(WIN32_BUILD_DIR "${CMAKE_BINARY_DIR}/../win32" CACHE PATH
  "the win32 build tree whose installer and uninstaller go into the zip")
get_filename_component(win32_tree "${WIN32_BUILD_DIR}" ABSOLUTE)

# Include folders on the command line rather than in response files, so
# that cppcheck (scripts/static_checks.sh) sees them.
set(CMAKE_C_USE_RESPONSE_FILE_FOR_INCLUDES OFF)
set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES OFF)
add_compile_options(-O2 -fno-ident)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

# The portable core with the kernel's own file calls, and scrpack itself.
add_library(core STATIC ${CORE_SOURCES})
target_include_directories(core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
file(GLOB_RECURSE SCRPACK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/scrpack/*.cpp)
list(FILTER SCRPACK_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
# The manifest: the UTF-8 code page (command line, file names and texts as
# on Linux), run as the invoker.
add_executable(scrpack ${SCRPACK_SOURCES} ${CMAKE_SOURCE_DIR}/scrpack/scrpack.rc)
target_link_libraries(scrpack PRIVATE core)
# scrpack --version and the version resource.
target_compile_definitions(scrpack PRIVATE ${SCRPACK_VERSION_DEFINITIONS})
target_link_options(scrpack PRIVATE -static -s -Wl,--no-insert-timestamp)
set_source_files_properties(${CMAKE_SOURCE_DIR}/scrpack/scrpack.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/scrpack/scrpack.manifest)

# The zip: fixed order, times and attributes (scripts/make_zip.py).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(SCRPACK_ZIP ${CMAKE_BINARY_DIR}/glimmerkit-scrpack-win64.zip)
add_custom_command(OUTPUT ${SCRPACK_ZIP}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_zip.py ${SCRPACK_ZIP} glimmerkit-scrpack
          README.txt=${CMAKE_SOURCE_DIR}/scrpack/README.txt
          scrpack.exe=$<TARGET_FILE:scrpack>
          installer-stub.exe=${win32_tree}/installer.exe
          uninstaller.exe=${win32_tree}/uninstaller/uninstaller.exe
  DEPENDS scrpack ${CMAKE_SOURCE_DIR}/scripts/make_zip.py ${CMAKE_SOURCE_DIR}/scrpack/README.txt
          ${win32_tree}/installer.exe ${win32_tree}/uninstaller/uninstaller.exe
  VERBATIM)
add_custom_target(scrpack_zip ALL DEPENDS ${SCRPACK_ZIP})
