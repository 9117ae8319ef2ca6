# qrl_program(<name> ENTRY console|gui [LEVEL asInvoker|requireAdministrator]
#             [DESCRIPTION text] SOURCES ... LIBS ... [RESOURCES file.rc])
# Builds one deliverable; on Windows with its manifest and its own RESOURCES
# (files they name are found beside them), statically linked. The finished
# program is copied to QRL_DIST_DIR.
function(qrl_program name)
  cmake_parse_arguments(P "" "ENTRY;LEVEL;DESCRIPTION" "SOURCES;LIBS;RESOURCES" ${ARGN})
  if(NOT P_LEVEL)
    set(P_LEVEL asInvoker)
  endif()
  if(NOT P_DESCRIPTION)
    set(P_DESCRIPTION "${name}")
  endif()
  set(sources ${P_SOURCES})
  if(WIN32)
    set(QRL_MANIFEST_NAME "${name}")
    set(QRL_MANIFEST_LEVEL "${P_LEVEL}")
    set(QRL_MANIFEST_DESCRIPTION "${P_DESCRIPTION}")
    # Both files keep their time stamps while their content stays the same
    # (configure_file, file(CONFIGURE)), so a new configure run does not
    # rebuild the resources and relink the programs. The resource compiler's
    # include of the manifest is not tracked by the build: named here.
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest @ONLY)
    set(rc "1 24 \"${name}.manifest\"\n")
    set(resources ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest)
    foreach(resource ${P_RESOURCES})
      get_filename_component(resource ${resource} ABSOLUTE)
      string(APPEND rc "#include \"${resource}\"\n")
      list(APPEND resources ${resource})
    endforeach()
    # Written only when its text changes, so an unchanged build leaves the
    # resources alone.
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc CONTENT "${rc}")
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${name}.rc PROPERTIES OBJECT_DEPENDS "${resources}")
    list(APPEND sources ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${P_LIBS} qrl_entry)
  foreach(resource ${P_RESOURCES})
    get_filename_component(dir ${resource} ABSOLUTE)
    get_filename_component(dir ${dir} DIRECTORY)
    target_include_directories(${name} PRIVATE ${dir})
  endforeach()
  if(WIN32 AND P_ENTRY STREQUAL "gui")
    target_link_options(${name} PRIVATE -mwindows)
  endif()
  if(QRL_DIST_DIR)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QRL_DIST_DIR}
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${QRL_DIST_DIR}/
      VERBATIM)
  endif()
endfunction()
