# Installation in the usual Linux layout, and the Debian package built from it by CPack
# (`make package`). The programs go to bin; the bundled catalogue to share/kelvanor, where they
# look for it as ../share/kelvanor beside their own folder.

include(GNUInstallDirs)

install(TARGETS kelvanor-calc kelvanor-catalogue RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/Zivodevu.mdb DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvanor)

set(kelvanor_man_pages kelvanor-calc kelvanor-catalogue)
if(TARGET kelvanor)
  list(APPEND kelvanor_man_pages kelvanor kelvanor-report)
  install(TARGETS kelvanor kelvanor-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The printing module, where the window looks for it when it is not beside the program.
  install(TARGETS kelvanor-print LIBRARY DESTINATION ${KELVANOR_MODULE_DESTINATION}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvanor.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvanor-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kelvanor.xml)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvanor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvanor.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
          RENAME application-x-kelvanor-design.svg)
endif()

# Man pages are installed compressed, as Debian wants them; -n keeps the archive free of the
# build time so that two builds give the same package.
find_program(KELVANOR_GZIP gzip REQUIRED)
set(kelvanor_man_outputs)
foreach(page IN LISTS kelvanor_man_pages)
  set(source ${PROJECT_SOURCE_DIR}/packaging/man/${page}.1)
  set(output ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${KELVANOR_GZIP} -9nc ${source} > ${output}
    DEPENDS ${source})
  list(APPEND kelvanor_man_outputs ${output})
endforeach()
add_custom_target(kelvanor_man ALL DEPENDS ${kelvanor_man_outputs})
install(FILES ${kelvanor_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The changelog of a Debian package without a revision of its own, compressed as Debian wants it.
set(kelvanor_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${kelvanor_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${KELVANOR_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${kelvanor_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(kelvanor_changelog ALL DEPENDS ${kelvanor_changelog})
install(FILES ${kelvanor_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
# The project itself, at the address the README gives.
set(KELVANOR_MAINTAINER "Projet Kelvanor <kelvanor@kelvanor.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvanor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KELVANOR_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "calcul de transformateurs d'alimentation sur tôles EI")
# The first line of the package description is the summary above; CPack indents this body.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kelvanor calcule un transformateur d'alimentation secteur bobiné sur des
tôles EI : fer, choix du noyau dans un catalogue de tôles, spires, fils,
pertes, hauteur de bobinage et rendement. Le paquet contient la fenêtre
(kelvanor), le calcul en ligne de commande (kelvanor-calc), le rapport PDF
(kelvanor-report), l'outil de catalogue (kelvanor-catalogue) et le
catalogue des tôles EI standard.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KELVANOR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies are those of the shared libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libmdb is opened only when an Access catalogue is read, so dpkg-shlibdeps does not see it: its
# package, named after its soname as Debian names library packages (libmdb.so.3: libmdb3).
string(REGEX REPLACE "^(.*)\\.so\\.([0-9]+)$" "\\1\\2" KELVANOR_LIBMDB_PACKAGE
       "${KELVANOR_LIBMDB_SONAME}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KELVANOR_LIBMDB_PACKAGE}")
# Qt's own dialogs in French, and the condensed face the window's labels are drawn in; the
# program runs without them, in English dialogs and a wider face.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-extra")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
