# The engineering check's reference tables, included from the top-level CMakeLists.txt so that
# the generated file belongs to the target that compiles it.

# The reference tables are compiled in from the CSV files of data/, never typed again.
set(KELVANOR_WIRE_CSV ${PROJECT_SOURCE_DIR}/data/iec60317-round-copper.csv)
set(KELVANOR_STEEL_CSV ${PROJECT_SOURCE_DIR}/data/steel-grades.csv)
set(KELVANOR_CURVE_CSV ${PROJECT_SOURCE_DIR}/data/steel-jh-50hz.csv)
set(KELVANOR_TABLES_INC ${CMAKE_BINARY_DIR}/generated/kelvanor/ReferenceTables.inc)
add_custom_command(
  OUTPUT ${KELVANOR_TABLES_INC}
  COMMAND ${CMAKE_COMMAND} -DWIRE_CSV=${KELVANOR_WIRE_CSV} -DSTEEL_CSV=${KELVANOR_STEEL_CSV}
          -DCURVE_CSV=${KELVANOR_CURVE_CSV}
          -DOUT=${KELVANOR_TABLES_INC} -P ${CMAKE_CURRENT_LIST_DIR}/GenerateTables.cmake
  DEPENDS ${KELVANOR_WIRE_CSV} ${KELVANOR_STEEL_CSV} ${KELVANOR_CURVE_CSV}
          ${CMAKE_CURRENT_LIST_DIR}/GenerateTables.cmake
  COMMENT "Tables de fils, de tôles et de courbes d'aimantation"
  VERBATIM)

target_sources(kelvanor_check PRIVATE ${KELVANOR_TABLES_INC})
# The static analysers read the sources without building them; they make the tables alone.
add_custom_target(kelvanor_reference_tables DEPENDS ${KELVANOR_TABLES_INC})

include(GNUInstallDirs)
install(FILES ${KELVANOR_WIRE_CSV} ${KELVANOR_STEEL_CSV} ${KELVANOR_CURVE_CSV}
              ${PROJECT_SOURCE_DIR}/data/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/data)

