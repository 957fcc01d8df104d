# Run by CPack's DEB generator on the staged install, before the package is
# made (CPACK_PRE_BUILD_SCRIPTS): adds what Debian requires of a package
# beyond what `cmake --install` installs, and compresses the manual pages.
#   - usr/share/doc/qx7config/copyright and changelog.gz (the package is
#     native: its version has no Debian revision);
#   - usr/share/man/man1/*.1 -> *.1.gz, compressed with gzip -9n (no name or
#     time stamp, so the package is reproducible).
# In: CPACK_TEMPORARY_INSTALL_DIRECTORY (set by CPack), CPACK_QX7_SOURCE_DIR,
# CPACK_QX7_VERSION, CPACK_QX7_MAINTAINER (set in the CPack configuration).
find_program(QX7_GZIP gzip REQUIRED)
file(GLOB_RECURSE qx7_staged_helpers LIST_DIRECTORIES false
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/libexec/qx7-scsi-helper")
if(NOT qx7_staged_helpers)
    message(FATAL_ERROR "deb-prepare: no staged install below ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
list(GET qx7_staged_helpers 0 qx7_helper)
cmake_path(GET qx7_helper PARENT_PATH qx7_prefix)
cmake_path(GET qx7_prefix PARENT_PATH qx7_prefix)

set(qx7_doc "${qx7_prefix}/share/doc/qx7config")
file(MAKE_DIRECTORY "${qx7_doc}")
file(COPY_FILE "${CPACK_QX7_SOURCE_DIR}/packaging/debian-copyright" "${qx7_doc}/copyright")
# The date honours SOURCE_DATE_EPOCH.
string(TIMESTAMP qx7_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${qx7_doc}/changelog"
     "qx7config (${CPACK_QX7_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${CPACK_QX7_VERSION}, packaged from the project's sources.\n\n"
     " -- ${CPACK_QX7_MAINTAINER}  ${qx7_date}\n")

file(GLOB qx7_pages "${qx7_prefix}/share/man/man1/*.1")
foreach(file IN LISTS qx7_pages ITEMS "${qx7_doc}/changelog")
    execute_process(COMMAND "${QX7_GZIP}" -9nf "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "deb-prepare: gzip ${file} failed")
    endif()
endforeach()
file(CHMOD_RECURSE "${qx7_doc}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                           WORLD_EXECUTE)
