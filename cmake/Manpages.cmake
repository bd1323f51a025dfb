# For the Linux packages: the manual pages, made by scripts/documents.py from
# docs/manpages.md, the Debian changelog, made from CHANGELOG.md, and the
# Debian copyright file, made from LICENSE.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(manpage_dir ${CMAKE_BINARY_DIR}/man)
set(manpage_files "")
foreach(page su_utility cu_utility board-emulator)
  list(APPEND manpage_files ${manpage_dir}/${page}.1.gz)
endforeach()
add_custom_command(OUTPUT ${manpage_files}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/documents.py manpages ${manpage_dir} ${PROJECT_VERSION}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/manpages.md ${CMAKE_SOURCE_DIR}/scripts/documents.py
          ${CMAKE_SOURCE_DIR}/CHANGELOG.md
  COMMENT "Manual pages from docs/manpages.md"
  VERBATIM)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/documents.py debian-changelog
          ${CMAKE_BINARY_DIR}/changelog.gz security-module-utilities "${UTILITY_MAINTAINER}"
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/documents.py ${CMAKE_SOURCE_DIR}/CHANGELOG.md
  COMMENT "Debian changelog from CHANGELOG.md"
  VERBATIM)
add_custom_target(manpages ALL DEPENDS ${manpage_files} ${CMAKE_BINARY_DIR}/changelog.gz)
foreach(program ${installed_programs})
  install(FILES ${manpage_dir}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The machine-readable form: the holder from LICENSE's copyright line, the
# license's text below it with every line indented and empty ones as " .".
file(READ ${CMAKE_SOURCE_DIR}/LICENSE license_text)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${license_text}")
set(copyright_holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n" "" license_body "${license_text}")
string(STRIP "${license_body}" license_body)
string(REPLACE "\n" "\n " license_body " ${license_body}")
string(REPLACE "\n \n" "\n .\n" license_body "${license_body}")
file(WRITE ${CMAKE_BINARY_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: security-module-utilities\n"
  "\n"
  "Files: *\n"
  "Copyright: ${copyright_holder}\n"
  "License: Expat\n"
  "${license_body}\n")
install(FILES ${CMAKE_BINARY_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/security-module-utilities)
