# Run by cpack before it packs (CPACK_PROJECT_CONFIG_FILE): every file in
# the Debian package gets one fixed time, so that the package's bytes
# depend on its contents alone.
set(ENV{SOURCE_DATE_EPOCH} 946684800)
