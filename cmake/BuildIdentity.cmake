# What identifies a build: the project's version (project()), the commit it
# was built from, and each program's own version as its banner states it.
# The commit is read when CMake configures; a new commit (or a checkout)
# makes the next build configure again, so the programs never name a commit
# older than their sources. "unknown" outside a git checkout.

set(UTILITY_BUILD_COMMIT "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE failed ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE no_git_dir ERROR_QUIET)
  if(NOT failed AND NOT commit STREQUAL "")
    set(UTILITY_BUILD_COMMIT "${commit}")
  endif()
  # HEAD changes on a checkout, logs/HEAD on every commit.
  if(NOT no_git_dir)
    foreach(file HEAD logs/HEAD)
      if(EXISTS "${git_dir}/${file}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/${file}")
      endif()
    endforeach()
  endif()
endif()
set(UTILITY_BUILD_IDENTITY "${PROJECT_VERSION} (commit ${UTILITY_BUILD_COMMIT})")

# utility_program_version(<source> <out>): the four-part version that the
# banner in <source> states ("... Utility Version 0.2.3.1  02/09/2011"), so
# that the version resource never disagrees with the banner.
function(utility_program_version source out)
  file(STRINGS "${source}" banner REGEX "Utility Version [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+")
  if(NOT banner MATCHES "Utility Version ([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)")
    message(FATAL_ERROR "No \"Utility Version a.b.c.d\" banner found in ${source}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  set(${out} "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}" PARENT_SCOPE)
endfunction()
