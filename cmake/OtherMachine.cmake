# Control modules for the other processor than the build's: the shipped
# 32-bit medium carries one 64-bit control beside its 32-bit ones, and the
# x86-64 tests read the header of a real 32-bit module. One C file each,
# compiled and linked in one step by the other mingw-w64 compiler with the
# project's settings (warnings, charset, reproducible output, undecorated
# exports).
find_program(ZEMLO_OTHER_CC ${ZEMLO_OTHER_TRIPLET}-gcc-posix REQUIRED)

# zemlo_other_machine_control(<name> SOURCE <file.c> [DEFINES <NAME=value>...])
# makes <current binary dir>/<name>.ocx (target <name>, in ALL) and sets
# <name>_FILE in the caller's scope to its path.
function(zemlo_other_machine_control name)
  cmake_parse_arguments(ARG "" "SOURCE" "DEFINES" ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.ocx)
  set(defines)
  foreach(define WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 ${ARG_DEFINES})
    list(APPEND defines -D${define})
  endforeach()
  # Linked under its bare name in its folder, as CMake links the others:
  # the linker derives a DLL's image base from the output name it is given,
  # so a full path would give every build folder another base.
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${ZEMLO_OTHER_CC} -O2 -shared ${ZEMLO_WARNINGS} ${ZEMLO_CHARSET_FLAGS} ${ZEMLO_PREFIX_MAP_FLAGS}
      ${defines} -o ${name}.ocx ${ARG_SOURCE}
      -static -static-libgcc -Wl,--kill-at -Wl,--no-insert-timestamp -s
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS ${ARG_SOURCE}
    COMMENT "Building ${name}.ocx for ${ZEMLO_OTHER_TRIPLET}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${output})
  set(${name}_FILE ${output} PARENT_SCOPE)
endfunction()
