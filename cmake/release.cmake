# What makes a program shippable: the same bytes from the same sources
# wherever and whenever they are built, and the debug information kept in a
# file of its own beside the program instead of in it.

# No build paths in what the compiler writes (debug information, __FILE__):
# the sources are named from the project's root, whether the compiler gets
# them by their full path or relative to the build tree (as ccache hands them
# on). A preset's build tree lies below that root, so its files are named the
# same way.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
file(RELATIVE_PATH root_from_build ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
string(REGEX REPLACE "/$" "" root_from_build "${root_from_build}")
if(root_from_build)
  add_compile_options(-ffile-prefix-map=${root_from_build}=.)
endif()
if(WIN32)
  # No link time in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# Every function and datum in a section of its own, so that the link leaves
# out what no program uses.
if(NOT QRL_SANITIZE AND NOT QRL_FUZZ AND NOT APPLE)
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
endif()

# Debug information in every build, even a size-optimised one: it never
# changes the code and is taken out of the programs after the link.
if(NOT CMAKE_BUILD_TYPE MATCHES "Deb")
  add_compile_options(-g)
endif()

# The sanitizer and fuzz builds keep their programs whole: they are never
# shipped, and their reports read the symbols in place.
set(QRL_SPLIT_DEBUG ON)
if(QRL_SANITIZE OR QRL_FUZZ OR APPLE OR NOT CMAKE_OBJCOPY)
  set(QRL_SPLIT_DEBUG OFF)
endif()

# qrl_ship(<target>)
# Makes the program of <target> the one that ships: its debug information goes
# to <name>.debug beside it in the build tree, the program is stripped and
# names that file (.gnu_debuglink, with its checksum: gdb and addr2line follow
# it), and a copy lands in QRL_DIST_DIR. The tests run the stripped program,
# the one users get. Mach-O programs (macOS) are copied as the linker wrote
# them: their debug information stays in the object files and a stripped
# arm64 program would lose the linker's signature.
function(qrl_ship target)
  if(QRL_SPLIT_DEBUG)
    set(debug "${target}.debug")
    # objcopy stamps a PE header it rewrites with the time unless
    # SOURCE_DATE_EPOCH says otherwise: zero, as the linker left it.
    set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE_NAME:${target}> ${debug}
      COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${debug} $<TARGET_FILE_NAME:${target}>
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      VERBATIM)
  endif()
  if(QRL_DIST_DIR)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QRL_DIST_DIR}
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${QRL_DIST_DIR}/
      VERBATIM)
  endif()
endfunction()

# What the Windows programs' version resource says besides the version (a kit
# author puts the names of the product they ship here).
set(QRL_PRODUCT_NAME "Quarlan" CACHE STRING "Product name in the Windows programs' version resource")
set(QRL_COMPANY_NAME "Quarlan" CACHE STRING "Company name in the Windows programs' version resource")
set(QRL_COPYRIGHT "Copyright (C) the Quarlan authors" CACHE STRING "Copyright line in the Windows programs' version resource")
