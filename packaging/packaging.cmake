# Installation layout and the Debian package (cpack -G DEB).
#   bin/qrox, bin/qrox-sim                       the program and the simulated sensor
#   share/qrox/                                  the resource file and the logo
#   share/applications/, share/metainfo/         launcher and AppStream metainfo
#   share/icons/hicolor/scalable/apps/           the icon
#   share/man/man1/                              manual pages
set(QROX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS qrox qrox-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package) also drops the compilers' notes, as Debian's dh_strip does.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  foreach(program qrox qrox-sim)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()")
install(FILES ${CMAKE_SOURCE_DIR}/resources/V-AVA-VEVedadV306.uir ${CMAKE_SOURCE_DIR}/resources/zx.bmp
  DESTINATION ${QROX_DATA_SUBDIR})

configure_file(${QROX_PACKAGING_DIR}/qrox.desktop.in ${CMAKE_CURRENT_BINARY_DIR}/${QROX_APP_ID}.desktop
  @ONLY)
configure_file(${QROX_PACKAGING_DIR}/qrox.metainfo.xml.in
  ${CMAKE_CURRENT_BINARY_DIR}/${QROX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${QROX_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${QROX_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QROX_PACKAGING_DIR}/qrox.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${QROX_APP_ID}.svg)

# Manual pages, compressed as Debian installs them.
foreach(page qrox.1 qrox-sim.1)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz
    COMMAND gzip -9 -n -c ${QROX_PACKAGING_DIR}/${page} > ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz
    DEPENDS ${QROX_PACKAGING_DIR}/${page} VERBATIM)
  list(APPEND QROX_MAN_PAGES ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz)
endforeach()
add_custom_target(qrox_man_pages ALL DEPENDS ${QROX_MAN_PAGES})
install(FILES ${QROX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qrox)

# Debian's documentation files: the copyright file, and the changelog as a native package
# (no separate upstream release) names it, changelog.gz. Its latest entry must carry the
# package version, so a version change needs a changelog entry.
file(STRINGS ${QROX_PACKAGING_DIR}/changelog QROX_CHANGELOG_HEAD LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QROX_PACKAGING_DIR}/changelog)
if(NOT QROX_CHANGELOG_HEAD MATCHES "^qrox \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the latest entry '${QROX_CHANGELOG_HEAD}' "
    "is not for version ${PROJECT_VERSION}; add an entry for it")
endif()
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9 -n -c ${QROX_PACKAGING_DIR}/changelog > ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DEPENDS ${QROX_PACKAGING_DIR}/changelog VERBATIM)
add_custom_target(qrox_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES ${QROX_PACKAGING_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qrox)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qrox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The project has no public mail address yet: the reserved top-level domain .invalid
# (RFC 2606) says so, where a made-up real-looking domain would mislead.
set(CPACK_PACKAGE_CONTACT "Q-ROX tool maintainers <maintainers@qrox.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "service and visualisation tool for Q-ROX-MX line-scan laser sensors")
# The extended description, one list item a line of at most 79 characters; CPack
# indents each by one space.
set(QROX_DESCRIPTION_LINES
  "Q-ROX-MX-Raror talks to one line-scan laser sensor over an RS-232 line: it"
  "reads and writes the sensor's parameter set, shows measurements and the CCD"
  "video signal, records results to a file and writes the linearisation table."
  "The package includes qrox-sim, a simulated sensor on a pseudo-terminal.")
list(JOIN QROX_DESCRIPTION_LINES "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The Qt 6 and QCustomPlot run-time libraries, from the program's own links; the journal's
# SQL drivers are plug-ins that no link shows: SQLite for the default journal, PostgreSQL
# for a plant's shared one.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_STRIP_FILES ON)
include(CPack)
