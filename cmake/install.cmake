# The installed layout and the Debian package (native tree):
#   bin/scrpack
#   share/glimmerkit/installer-stub.exe   the PE32 installer (win32 tree)
#   share/glimmerkit/uninstaller.exe      the PE32 uninstaller (win32 tree)
# scrpack finds the two from its own folder (scrpack/tool_files.cpp), so
# the folder names here and there must agree.
#
#   cmake --install build/native --prefix DIR
#   cpack --config build/native/CPackConfig.cmake -B DIR    (the .deb)
#
# The two PE32 programs come from the win32 tree, which needs this tree's
# stubfix and so is built after it: install time, not configure time, is
# when they must be there.

set(WIN32_BUILD_DIR "${CMAKE_BINARY_DIR}/../win32" CACHE PATH
  "the win32 build tree whose installer and uninstaller are installed with scrpack")
get_filename_component(win32_tree "${WIN32_BUILD_DIR}" ABSOLUTE)

# The scrpack that is installed: the same sources as the tested one,
# without the sanitizers, whose run-time libraries an installed program
# can't count on, and with the C++ run-time linked in, so that the package
# depends on the C library alone.
add_executable(scrpack_installed ${CORE_SOURCES} package/native/platform_posix.cpp ${SCRPACK_SOURCES}
  scrpack/main.cpp)
target_include_directories(scrpack_installed PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(scrpack_installed PRIVATE Threads::Threads)
target_compile_options(scrpack_installed PRIVATE -fno-sanitize=all)
target_link_options(scrpack_installed PRIVATE -fno-sanitize=all -static-libstdc++ -static-libgcc)
set_target_properties(scrpack_installed PROPERTIES
  OUTPUT_NAME scrpack
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/installed)

install(TARGETS scrpack_installed RUNTIME DESTINATION bin)
install(FILES ${win32_tree}/installer.exe DESTINATION share/glimmerkit RENAME installer-stub.exe)
install(FILES ${win32_tree}/uninstaller/uninstaller.exe DESTINATION share/glimmerkit)
install(FILES ${CMAKE_SOURCE_DIR}/scrpack/README.txt DESTINATION share/doc/glimmerkit)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerkit)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR Quillmoor)
set(CPACK_PACKAGE_CONTACT "Glimmerkit maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scrpack, which packs a Windows screen saver into a self-installing .exe")
set(CPACK_PACKAGE_DESCRIPTION
  "scrpack builds the Glimmerkit installer for one Windows screen saver: the PE32 installer stub, a manifest and the packed files, in one .exe. It also lists, verifies and extracts such packages. The installer stub and the uninstaller come with it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# dpkg-shlibdeps (dpkg-dev) works out the C library version it needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The same sources give the same .deb: CPack stamps the archive members
# with SOURCE_DATE_EPOCH when it is set, and this script, which cpack runs
# before it packs, sets it to the zip's fixed time (2000-01-01 00:00 UTC).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_fixed_time.cmake)
include(CPack)
