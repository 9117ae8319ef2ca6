# The universal macOS programs, cross-built here: each architecture is a
# build of its own (the Zig toolchain files), and llvm-lipo joins the slices
# into QRL_DIST_DIR. The checks of the results run with this build's tests.
include(ExternalProject)
find_program(QRL_LIPO NAMES llvm-lipo llvm-lipo-14 REQUIRED)
set(QRL_MACOS_PROGRAMS macsetup maclauncher quarlan kitpack)
set(slices "")
foreach(slice x86_64:x86_64 arm64:aarch64)
  string(REPLACE ":" ";" slice ${slice})
  list(GET slice 0 arch)
  list(GET slice 1 zig_arch)
  ExternalProject_Add(macos-${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${arch}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/zig-${zig_arch}-macos.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DQRL_TESTS=OFF
      -DQRL_DIST_DIR=${CMAKE_BINARY_DIR}/${arch}/dist
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${QRL_MACOS_PROGRAMS}
    INSTALL_COMMAND ""
    # The slices follow every change of the sources; one at a time, since
    # each build uses the machine's cores.
    BUILD_ALWAYS ON
    USES_TERMINAL_CONFIGURE ON
    USES_TERMINAL_BUILD ON)
  list(APPEND slices macos-${arch})
endforeach()

set(commands "")
foreach(program ${QRL_MACOS_PROGRAMS})
  list(APPEND commands COMMAND ${QRL_LIPO} -create
    ${CMAKE_BINARY_DIR}/x86_64/dist/${program} ${CMAKE_BINARY_DIR}/arm64/dist/${program}
    -output ${QRL_DIST_DIR}/${program})
endforeach()
add_custom_target(universal ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QRL_DIST_DIR}
  ${commands}
  VERBATIM)
add_dependencies(universal ${slices})

enable_testing()
foreach(program ${QRL_MACOS_PROGRAMS})
  add_test(NAME macos.${program}
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/dist/check-macho.sh ${QRL_DIST_DIR}/${program})
endforeach()
