# Cross builds: the installer (win32 is the product, which the end-to-end
# tests run; win64 is built for the check that both install the same) and
# the Windows-side test programs.

# The post-link step is a native tool built first (build.sh does that).
set(STUBFIX "" CACHE FILEPATH "native stubfix tool that finishes the installer's layout")
if(NOT STUBFIX)
  message(FATAL_ERROR "pass -DSTUBFIX=<native build>/stubfix")
endif()

# The installer: the portable core of package/, flow/ and engine/, the
# Windows-only files at the top of flow/ and engine/, and system_dlls/.
file(GLOB INSTALLER_ALL_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/system_dlls/*.cpp
  ${CMAKE_SOURCE_DIR}/package/*.cpp
  ${CMAKE_SOURCE_DIR}/flow/*.cpp
  ${CMAKE_SOURCE_DIR}/flow/portable/*.cpp
  ${CMAKE_SOURCE_DIR}/engine/*.cpp
  ${CMAKE_SOURCE_DIR}/engine/portable/*.cpp)

set(WINDOWS_LINK_FLAGS
  -static -s -mwindows
  -Wl,--disable-dynamicbase,--disable-reloc-section,--no-insert-timestamp)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(APPEND WINDOWS_LINK_FLAGS -Wl,--disable-high-entropy-va)
endif()
set(WINDOWS_COMPILE_FLAGS -O2 -fno-exceptions -fno-rtti -fno-ident)

# The installer and the uninstaller are built for size: every package
# begins with the installer and carries the uninstaller packed, so each
# kilobyte of theirs is paid in every author's download.  Why each flag
# (bytes saved in the i686 build, installer / uninstaller, each on top of
# the ones above it; bench/size_report.sh prints the sizes):
#   -fno-exceptions -fno-rtti  C++ without exceptions or type information,
#                     as everywhere above.
#   -fno-asynchronous-unwind-tables  no unwind tables (.eh_frame): nothing
#                     throws and nothing walks the stack.  -6.5 KB / -3 KB.
#   -ffunction-sections, --gc-sections  functions nothing calls stay out.
#                     -2.5 KB / -1.5 KB.  Not -fdata-sections: with it GCC
#                     for Windows puts zero-filled statics into initialised
#                     data, and the decoder's 43 KB state into the file.
#   -Os               for all but the decoder (DECODER_SOURCES, in
#                     sources.cmake), which keeps -O2: it is what makes it
#                     fast (bench/callgrind_decode_i686.sh compiles the same
#                     files so).  -3 KB / -1 KB.
#   __USE_MINGW_ANSI_STDIO=0, -include stdio.h  snprintf is msvcrt.dll's
#                     _vsnprintf, behind MinGW's small wrapper that always
#                     terminates the text and returns the length it needed,
#                     instead of MinGW's own printf with its floating-point
#                     and wide-character conversions, linked in whole for a
#                     few texts.  stdio.h comes first, before any C++
#                     library header (<stdlib.h> is one) sets the choice
#                     back for the C++ library's sake.  -Wformat then
#                     checks the texts against msvcrt's printf (its %llu
#                     is there from Windows Vista on, the oldest system
#                     the application manifest names).
#                     -25.5 KB / -25.5 KB.
#   -nostartfiles -e ProgramStart  our own entry point
#                     (startup/program_start.cpp) in place of the C
#                     run-time's start-up, which brings argument parsing,
#                     thread-local storage, exception filters and its error
#                     reporting.  The argument of -e is the symbol as the
#                     compiler names it (a leading underscore on i686).
#                     -10 KB / -10 KB.
#   --disable-auto-import  without that start-up nothing would apply the
#                     run-time fix-ups that automatic data imports need: a
#                     data import not declared as one fails the link
#                     rather than the program.  (--disable-runtime-pseudo-
#                     reloc would too, but makes the linker put read-only
#                     data into the writable .data section.)
set(LEAN_COMPILE_FLAGS -Os -fno-exceptions -fno-rtti -fno-ident -fno-asynchronous-unwind-tables
  -ffunction-sections "SHELL:-include stdio.h")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PROGRAM_START_SYMBOL ProgramStart)
else()
  set(PROGRAM_START_SYMBOL _ProgramStart)
endif()
set(LEAN_LINK_FLAGS ${WINDOWS_LINK_FLAGS} -nostartfiles -Wl,-e,${PROGRAM_START_SYMBOL}
  -Wl,--gc-sections,--disable-auto-import)
# A later -O wins over the target's -Os.
set_source_files_properties(${DECODER_SOURCES} PROPERTIES COMPILE_OPTIONS -O2)

# A Windows GUI program of the product, from its sources and its resource
# script, with the include folders every source expects:
#   add_windows_program(target [LEAN] SOURCES ... RESOURCE script.rc
#     [RESOURCE_DEPENDS ...] [INCLUDES ...] LIBRARIES ...)
# RESOURCE_DEPENDS names the files the script takes in, which CMake does
# not see.  LEAN builds it for size, as above, with our own entry point
# (the installer and the uninstaller); otherwise it gets the plain Windows
# flags (the sample screen saver, which no package pays for).
function(add_windows_program target)
  cmake_parse_arguments(PARSE_ARGV 1 PROGRAM "LEAN" "RESOURCE" "SOURCES;RESOURCE_DEPENDS;INCLUDES;LIBRARIES")
  add_executable(${target} WIN32 ${PROGRAM_SOURCES} ${PROGRAM_RESOURCE})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources ${PROGRAM_INCLUDES})
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN)
  if(PROGRAM_LEAN)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/startup/program_start.cpp)
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
    target_compile_options(${target} PRIVATE ${LEAN_COMPILE_FLAGS})
    target_link_options(${target} PRIVATE ${LEAN_LINK_FLAGS})
  else()
    target_compile_options(${target} PRIVATE ${WINDOWS_COMPILE_FLAGS})
    target_link_options(${target} PRIVATE ${WINDOWS_LINK_FLAGS})
  endif()
  target_link_libraries(${target} PRIVATE ${PROGRAM_LIBRARIES})
  set_source_files_properties(${PROGRAM_RESOURCE} PROPERTIES OBJECT_DEPENDS "${PROGRAM_RESOURCE_DEPENDS}")
endfunction()

# Only KnownDLLs at load time; WINMM is loaded from the system folder when
# the media check needs it (system_dlls/system_dlls.h).
add_windows_program(installer LEAN
  SOURCES ${INSTALLER_ALL_SOURCES}
  RESOURCE ${CMAKE_SOURCE_DIR}/resources/installer.rc
  RESOURCE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/resource.h ${CMAKE_SOURCE_DIR}/resources/installer.ico
                   ${CMAKE_SOURCE_DIR}/resources/administrator.manifest
  LIBRARIES user32 gdi32 advapi32 shell32)
# Move the LASTRES data to the end of .rsrc, zero the checksum, and check the
# layout that packaging relies on; the build fails when it does not hold.
add_custom_command(TARGET installer POST_BUILD
  COMMAND ${STUBFIX} $<TARGET_FILE:installer>
  VERBATIM)

# A Windows-side test program of the end-to-end tests, from the sources given.
function(add_test_program name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
  target_compile_options(${name} PRIVATE -O2)
  target_link_options(${name} PRIVATE -static -Wl,--no-insert-timestamp)
  target_link_libraries(${name} PRIVATE user32 gdi32 advapi32 shell32 winmm)
endfunction()

# The GUI driver and small helpers: one program per file under
# tests/winhelpers/.
file(GLOB WINHELPER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/winhelpers/*.cpp)
foreach(source ${WINHELPER_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_test_program(${name} ${source})
endforeach()
# The stand-in screen saver is a GUI program, as screen savers are: started
# without a console, it gets none (a console program would get a console
# host process, which the GUI driver would list among the started ones).
target_link_options(marksaver PRIVATE -mwindows)

# A DLL planted beside our programs, under three system DLLs' names: the
# tests show that none is loaded.
foreach(name WINMM SHFOLDER VERSION)
  add_library(planted_${name} SHARED ${CMAKE_SOURCE_DIR}/tests/planted_dll/planted_dll.cpp)
  set_target_properties(planted_${name} PROPERTIES OUTPUT_NAME ${name} PREFIX "" SUFFIX ".DLL"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
  target_link_options(planted_${name} PRIVATE -static -Wl,--kill-at,--no-insert-timestamp)
endforeach()

# Programs carried in packages (uninstaller, sample screen saver) live in
# folders of their own, each with its own CMake file.
foreach(dir uninstaller samples)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/${dir} ${CMAKE_BINARY_DIR}/${dir})
  endif()
endforeach()

# The registration probe of the end-to-end tests: the engine's registration
# and media check operations driven from the command line.
add_test_program(registration_probe
  ${CMAKE_SOURCE_DIR}/tests/probes/registration_probe.cpp
  ${CMAKE_SOURCE_DIR}/engine/uninstall_registration.cpp
  ${CMAKE_SOURCE_DIR}/engine/media_check.cpp
  ${CMAKE_SOURCE_DIR}/engine/default_screen_saver.cpp
  ${CMAKE_SOURCE_DIR}/engine/portable/missing_types.cpp
  ${CMAKE_SOURCE_DIR}/engine/portable/registration_paths.cpp
  ${CMAKE_SOURCE_DIR}/package/text_rules.cpp
  ${CMAKE_SOURCE_DIR}/system_dlls/system_dlls.cpp)

# The free-space query on its own, for the small-drive tests.
add_test_program(free_space_probe
  ${CMAKE_SOURCE_DIR}/tests/probes/free_space_probe.cpp
  ${CMAKE_SOURCE_DIR}/flow/get_free_disk_kb.cpp
  ${CMAKE_SOURCE_DIR}/flow/portable/free_space_rules.cpp
  ${CMAKE_SOURCE_DIR}/system_dlls/system_dlls.cpp)

# The data folder step on its own, with the descriptors it passes printed.
add_test_program(admin_folder_probe
  ${CMAKE_SOURCE_DIR}/tests/probes/admin_folder_probe.cpp
  ${CMAKE_SOURCE_DIR}/engine/data_folder.cpp
  ${CMAKE_SOURCE_DIR}/engine/admin_only.cpp
  ${CMAKE_SOURCE_DIR}/package/installed_names.cpp
  ${CMAKE_SOURCE_DIR}/package/link_levels.cpp
  ${CMAKE_SOURCE_DIR}/package/text_rules.cpp
  ${CMAKE_SOURCE_DIR}/system_dlls/common_app_data.cpp
  ${CMAKE_SOURCE_DIR}/system_dlls/system_dlls.cpp)
