# The portable core: the code that builds both into the installer and
# natively (unit tests, fuzzers, scrpack).  It is all of package/ and every
# portable/ folder; the rest of flow/ and engine/ is Windows-only.  The
# POSIX stand-ins for the kernel's file calls (package/native/) are added by
# the native build only.  A project outside the top folder (the PE32
# benchmark) sets SOURCE_ROOT to it first.
if(NOT DEFINED SOURCE_ROOT)
  set(SOURCE_ROOT ${CMAKE_SOURCE_DIR})
endif()
file(GLOB CORE_SOURCES CONFIGURE_DEPENDS
  ${SOURCE_ROOT}/package/*.cpp
  ${SOURCE_ROOT}/flow/portable/*.cpp
  ${SOURCE_ROOT}/engine/portable/*.cpp)

# The uninstaller's and the sample screen saver's portable rules (their
# Windows sides are at the top of uninstaller/ and samples/).
file(GLOB CARRIED_CORE_SOURCES CONFIGURE_DEPENDS
  ${SOURCE_ROOT}/uninstaller/portable/*.cpp
  ${SOURCE_ROOT}/samples/portable/*.cpp)
list(APPEND CORE_SOURCES ${CARRIED_CORE_SOURCES})

# The block decoder alone: the installer builds it for speed
# (cmake/windows.cmake), the fuzzers with coverage (fuzz/CMakeLists.txt).
set(DECODER_SOURCES)
foreach(name huffman_rules position_code huffman_tree read_ptr write_ptr bit_input read_symbol decode_position
    decode_block)
  list(APPEND DECODER_SOURCES ${SOURCE_ROOT}/package/${name}.cpp)
endforeach()
