# cmake -DSOURCE=<file> -DDESTINATION=<file> -P CopyIfMissing.cmake
# Places a shipped file beside the executable once; a user's own copy (their
# settings, their tariffs) is never overwritten by a rebuild.
if(NOT EXISTS "${DESTINATION}")
    get_filename_component(_dir "${DESTINATION}" DIRECTORY)
    file(MAKE_DIRECTORY "${_dir}")
    file(COPY_FILE "${SOURCE}" "${DESTINATION}")
endif()
