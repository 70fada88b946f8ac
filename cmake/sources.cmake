# The portable core: the code that builds both into the installer and
# natively (unit tests, fuzzers, scrpack).  Everything else under package/,
# flow/ and engine/ is Windows-only and is picked up by the installer's glob.
set(CORE_SOURCES
  package/open_manifest.cpp
  package/read_screen_saver_name.cpp
  package/file_records.cpp
  flow/install_mode.cpp
  flow/format_thousands.cpp
  flow/text_rules.cpp
  engine/abort_flags.cpp
  engine/missing_types.cpp
  engine/data_file_name.cpp
)
