# The Traditional Chinese face of the windows, made at build time (included from ui/CMakeLists.txt,
# after the quillmar_ui library is defined):
#   lupdate extracts the windows' texts (Simplified, the source language) into a .ts file;
#   quillmar-tsfill fills it with the program's own Taiwan-standard conversion and the hand
#   corrections of zh_TW-corrections.txt;
#   lrelease compiles it into quillmar_zh_TW.qm, embedded in quillmar_ui as :/i18n/quillmar_zh_TW.qm.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(QM_I18N_SOURCE_DIR ${PROJECT_SOURCE_DIR}/translations)
set(QM_I18N_DIR ${CMAKE_BINARY_DIR}/translations)
file(MAKE_DIRECTORY ${QM_I18N_DIR})

add_executable(quillmar-tsfill ${QM_I18N_SOURCE_DIR}/TsFill.cpp ${QM_I18N_SOURCE_DIR}/TermCorrections.cpp
                               ${QM_I18N_SOURCE_DIR}/TermCorrections.h)
qm_target_defaults(quillmar-tsfill)
set_target_properties(quillmar-tsfill PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QM_I18N_DIR})
target_link_libraries(quillmar-tsfill PRIVATE quillmar_platform)

# Every source and header of the windows, as absolute paths.
get_target_property(qm_ui_sources quillmar_ui SOURCES)
list(FILTER qm_ui_sources INCLUDE REGEX "\\.(cpp|h)$")
list(TRANSFORM qm_ui_sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ REGEX "^[^/]")
set(qm_lupdate_list ${QM_I18N_DIR}/ui-sources.lst)
string(REPLACE ";" "\n" qm_ui_source_lines "${qm_ui_sources}")
file(GENERATE OUTPUT ${qm_lupdate_list} CONTENT "${qm_ui_source_lines}\n")

set(qm_extracted ${QM_I18N_DIR}/quillmar_zh_TW.extracted.ts)
set(qm_filled ${QM_I18N_DIR}/quillmar_zh_TW.ts)
set(qm_compiled ${QM_I18N_DIR}/quillmar_zh_TW.qm)
set(qm_corrections ${QM_I18N_SOURCE_DIR}/zh_TW-corrections.txt)

add_custom_command(
    OUTPUT ${qm_extracted}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${qm_extracted}
    COMMAND Qt6::lupdate -silent -locations none -no-obsolete -source-language zh_CN -target-language zh_TW
            @${qm_lupdate_list} -ts ${qm_extracted}
    DEPENDS ${qm_ui_sources} ${qm_lupdate_list}
    COMMENT "Extracting the windows' texts"
    VERBATIM)
add_custom_command(
    OUTPUT ${qm_filled}
    COMMAND quillmar-tsfill ${qm_extracted} ${qm_corrections} ${qm_filled}
    DEPENDS quillmar-tsfill ${qm_extracted} ${qm_corrections}
    COMMENT "Filling the Traditional Chinese translation"
    VERBATIM)
add_custom_command(
    OUTPUT ${qm_compiled}
    COMMAND Qt6::lrelease -silent ${qm_filled} -qm ${qm_compiled}
    DEPENDS ${qm_filled}
    COMMENT "Compiling the Traditional Chinese translation"
    VERBATIM)

set_source_files_properties(${qm_compiled} PROPERTIES GENERATED TRUE)
qt_add_resources(quillmar_ui quillmar_i18n PREFIX /i18n BASE ${QM_I18N_DIR} FILES ${qm_compiled})
