# qrl_program(<name> ENTRY console|gui [WINDOWS] [LEVEL asInvoker|requireAdministrator]
#             [DESCRIPTION text] SOURCES ... LIBS ... [RESOURCES file.rc])
# Builds one deliverable; on Windows with its manifest, its version resource
# and its own RESOURCES (files they name are found beside them), statically
# linked. WINDOWS: the program shows windows (dialogs, message boxes), which
# then follow the display's scaling. The finished program is stripped and
# copied to QRL_DIST_DIR (qrl_ship).
function(qrl_program name)
  cmake_parse_arguments(P "WINDOWS" "ENTRY;LEVEL;DESCRIPTION" "SOURCES;LIBS;RESOURCES" ${ARGN})
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
    set(QRL_MANIFEST_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
    # Per-monitor scaling where Windows 10 knows it, the system's scale
    # before that.
    set(QRL_MANIFEST_DPI "")
    if(P_WINDOWS)
      set(QRL_MANIFEST_DPI "
      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>
      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, System</dpiAwareness>")
    endif()
    # Texts of the version resource, quotes doubled as resource strings want.
    set(QRL_RC_NAME "${name}")
    string(REPLACE "\"" "\"\"" QRL_RC_DESCRIPTION "${P_DESCRIPTION}")
    string(REPLACE "\"" "\"\"" QRL_RC_PRODUCT "${QRL_PRODUCT_NAME}")
    string(REPLACE "\"" "\"\"" QRL_RC_COMPANY "${QRL_COMPANY_NAME}")
    string(REPLACE "\"" "\"\"" QRL_RC_COPYRIGHT "${QRL_COPYRIGHT}")
    # Both files keep their time stamps while their content stays the same
    # (configure_file, file(CONFIGURE)), so a new configure run does not
    # rebuild the resources and relink the programs. The resource compiler's
    # include of the manifest is not tracked by the build: named here.
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.version.rc @ONLY)
    set(rc "1 24 \"${name}.manifest\"\n#include \"${name}.version.rc\"\n")
    set(resources ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest ${CMAKE_CURRENT_BINARY_DIR}/${name}.version.rc)
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
  qrl_ship(${name})
endfunction()
