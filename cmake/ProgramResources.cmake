# Icon, version block and manifest of a Windows program, from one template for both programs
# (packaging/windows/program.rc.in and program.manifest.in). Each program's own folder calls it,
# so that every program that is built carries them.
function(tessaport_add_program_resources target description execution_level)
    set(template_dir ${PROJECT_SOURCE_DIR}/packaging/windows)
    set(PROGRAM_NAME ${target})
    set(PROGRAM_DESCRIPTION ${description})
    set(EXECUTION_LEVEL ${execution_level})
    set(ICON_FILE ${PROJECT_SOURCE_DIR}/packaging/icons/tessaport-config.ico)
    set(MANIFEST_FILE ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    set(rc_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${template_dir}/program.manifest.in ${MANIFEST_FILE} @ONLY)
    configure_file(${template_dir}/program.rc.in ${rc_file} @ONLY)
    target_sources(${target} PRIVATE ${rc_file})
    set_property(SOURCE ${rc_file} APPEND PROPERTY OBJECT_DEPENDS ${ICON_FILE} ${MANIFEST_FILE})
endfunction()
