# The portable core: the code that builds both into the installer and
# natively (unit tests, fuzzers, scrpack).  Everything else under package/,
# flow/ and engine/ is Windows-only and is picked up by the installer's glob.
set(CORE_SOURCES
  package/open_manifest.cpp
  package/read_screen_saver_name.cpp
  package/file_records.cpp
  package/huffman_rules.cpp
  package/position_code.cpp
  package/huffman_tree.cpp
  package/read_ptr.cpp
  package/write_ptr.cpp
  package/bit_input.cpp
  package/read_symbol.cpp
  package/decode_position.cpp
  package/decode_block.cpp
  package/expand_file.cpp
  package/fatal_error.cpp
  flow/install_mode.cpp
  flow/format_thousands.cpp
  flow/sum_installed_sizes.cpp
  flow/kilobytes_from_bytes.cpp
  flow/measured_root.cpp
  flow/lookup_path.cpp
  package/text_rules.cpp
  engine/abort_flags.cpp
  engine/missing_types.cpp
  engine/registration_paths.cpp
  package/installed_names.cpp
  engine/stored_copy.cpp
)

# The uninstaller's and the sample screen saver's portable rules (their
# Windows sides are in uninstaller/ and samples/).
list(APPEND CORE_SOURCES
  uninstaller/log_lines.cpp
  uninstaller/own_place.cpp
  uninstaller/path_rules.cpp
  uninstaller/switches.cpp
  uninstaller/report_list.cpp
  samples/saver_command.cpp
  samples/saver_settings.cpp
  samples/lantern_motion.cpp
)
