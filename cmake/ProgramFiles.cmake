# What goes into the programs' files beyond their code: the Windows version
# resource and manifest, and the debug information split off for a release.

# utility_add_windows_resources(<target> <variant source> <description>):
# the version resource (FileVersion from the banner in <variant source>,
# ProductVersion and Comments from the project's version and commit) and
# the manifest (run as the invoker). Nothing off Windows.
function(utility_add_windows_resources target variant_source description)
  if(NOT WIN32)
    return()
  endif()
  utility_program_version("${variant_source}" PROGRAM_VERSION)
  string(REPLACE "." "," PROGRAM_VERSION_COMMAS "${PROGRAM_VERSION}")
  set(PROGRAM_NAME "${target}")
  set(PROGRAM_DESCRIPTION "${description}")
  set(generated "${CMAKE_BINARY_DIR}/resources/${target}")
  set(PROGRAM_MANIFEST "${generated}/${target}.manifest")
  configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/Program.manifest.in "${PROGRAM_MANIFEST}" @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/ProgramResources.rc.in "${generated}/${target}.rc" @ONLY)
  target_sources(${target} PRIVATE "${generated}/${target}.rc")
  # The resource compiler does not see the manifest as a dependency.
  set_source_files_properties("${generated}/${target}.rc" PROPERTIES OBJECT_DEPENDS "${PROGRAM_MANIFEST}")
endfunction()

# utility_split_debug_info(<target>): with UTILITY_SPLIT_DEBUG_INFO, strips
# the program after each link, symbol table included (as Debian wants a
# packaged program), and keeps its debug information and symbols in
# <program>.debug beside it, linked by name (gdb and the symbolizers find it
# there).
function(utility_split_debug_info target)
  if(NOT UTILITY_SPLIT_DEBUG_INFO)
    return()
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "UTILITY_SPLIT_DEBUG_INFO needs objcopy (binutils)")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
            $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
