# Run by cpack before it packs (CPACK_PROJECT_CONFIG_FILE): every file in
# the Debian package gets one fixed time, so that the package's bytes
# depend on its contents alone (the time is set in cmake/install.cmake).
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_GLIMMERKIT_FIXED_TIME})
