# Cross-compiles for macOS with Zig's clang and linker, its Darwin headers and
# libSystem stubs (cmake/zig-cc). Included by the per-architecture toolchain
# files, which set QRL_ZIG_TARGET.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 20.0)
set(CMAKE_OSX_DEPLOYMENT_TARGET 11.0 CACHE STRING "Oldest macOS the programs run on")
set(CMAKE_OSX_SYSROOT "" CACHE PATH "No SDK: Zig brings the Darwin headers")
set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-c++)
set(CMAKE_C_COMPILER_TARGET ${QRL_ZIG_TARGET}.${CMAKE_OSX_DEPLOYMENT_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${QRL_ZIG_TARGET}.${CMAKE_OSX_DEPLOYMENT_TARGET})
# Archives with the Darwin symbol table that Mach-O linkers read.
find_program(CMAKE_AR NAMES llvm-ar llvm-ar-14 REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib llvm-ranlib-14 REQUIRED)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
