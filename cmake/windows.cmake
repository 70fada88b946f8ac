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

add_executable(installer WIN32 ${INSTALLER_ALL_SOURCES} ${CMAKE_SOURCE_DIR}/resources/installer.rc)
target_include_directories(installer PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_compile_definitions(installer PRIVATE WIN32_LEAN_AND_MEAN)
target_compile_options(installer PRIVATE ${WINDOWS_COMPILE_FLAGS})
target_link_options(installer PRIVATE ${WINDOWS_LINK_FLAGS})
# Only KnownDLLs at load time; WINMM is loaded from the system folder when
# the media check needs it (system_dlls/system_dlls.h).
target_link_libraries(installer PRIVATE user32 gdi32 advapi32 shell32)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/installer.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/resource.h;${CMAKE_SOURCE_DIR}/resources/installer.ico;${CMAKE_SOURCE_DIR}/resources/administrator.manifest")
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
