# The portable core: the code that builds both into the installer and
# natively (unit tests, fuzzers, scrpack).  It is all of package/ and every
# portable/ folder; the rest of flow/ and engine/ is Windows-only.  The
# POSIX stand-ins for the kernel's file calls (package/native/) are added by
# the native build only.
file(GLOB CORE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/package/*.cpp
  ${CMAKE_SOURCE_DIR}/flow/portable/*.cpp
  ${CMAKE_SOURCE_DIR}/engine/portable/*.cpp)

# The uninstaller's and the sample screen saver's portable rules (their
# Windows sides are at the top of uninstaller/ and samples/).
file(GLOB CARRIED_CORE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/uninstaller/portable/*.cpp
  ${CMAKE_SOURCE_DIR}/samples/portable/*.cpp)
list(APPEND CORE_SOURCES ${CARRIED_CORE_SOURCES})
