# The installed layout and the Debian package (native tree):
#   bin/scrpack                           the scrpack the tests run (cmake/native.cmake)
#   share/glimmerkit/installer-stub.exe   the PE32 installer (win32 tree)
#   share/glimmerkit/uninstaller.exe      the PE32 uninstaller (win32 tree)
#   share/man/man1/scrpack.1.gz           made from scrpack --help (help2man)
#   share/doc/glimmerkit/                 README.txt, copyright, changelog.gz
#   share/bash-completion/completions/scrpack
# scrpack finds the two from its own folder (scrpack/commands/tool_files.cpp), so
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

# The one fixed time of everything the package holds: the zip's,
# 2000-01-01 00:00 UTC (cmake/cpack_fixed_time.cmake stamps the members
# with it; the man page's date comes from it).
set(CPACK_GLIMMERKIT_FIXED_TIME 946684800)

# The man page, from --help and --version, and the Debian changelog, both
# compressed as Debian wants them and without a time stamp.
find_program(HELP2MAN help2man REQUIRED)
set(man_page ${CMAKE_BINARY_DIR}/packaging/scrpack.1)
set(CPACK_PACKAGE_CONTACT "Quillmoor <glimmerkit@quillmoor.example>")
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${man_page}.gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${CPACK_GLIMMERKIT_FIXED_TIME} LC_ALL=C.UTF-8
          ${HELP2MAN} --no-info --section 1 --source "Glimmerkit ${PROJECT_VERSION}"
          --name "pack a Windows screen saver into a self-installing .exe"
          --output ${man_page} $<TARGET_FILE:scrpack>
  COMMAND gzip -9nf ${man_page}
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS scrpack ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(package_documents ALL DEPENDS ${man_page}.gz)

install(TARGETS scrpack RUNTIME DESTINATION bin)
install(FILES ${win32_tree}/installer.exe DESTINATION share/glimmerkit RENAME installer-stub.exe)
install(FILES ${win32_tree}/uninstaller/uninstaller.exe DESTINATION share/glimmerkit)
install(FILES ${man_page}.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/scrpack/README.txt ${CMAKE_SOURCE_DIR}/packaging/copyright
  ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/glimmerkit)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/scrpack.bash-completion
  DESTINATION share/bash-completion/completions RENAME scrpack)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmoor)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "packs a Windows screen saver into a self-installing .exe")
# One line each, as Debian wants them (at most 80 characters).
set(CPACK_PACKAGE_DESCRIPTION [=[
scrpack builds the Glimmerkit installer for one Windows screen saver: the
PE32 installer stub, a manifest and the packed files, in one .exe that
installs the screen saver on Windows, silently too. It also lists, verifies
and extracts such packages, and signs them with osslsigncode.

The installer stub and the uninstaller come with it.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# dpkg-shlibdeps (dpkg-dev) works out the C library version it needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS osslsigncode)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The same sources give the same .deb: CPack stamps the archive members
# with SOURCE_DATE_EPOCH when it is set, and this script, which cpack runs
# before it packs, sets it to the fixed time above.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_fixed_time.cmake)
include(CPack)
