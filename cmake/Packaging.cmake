# What `cmake --install` puts in place and what CPack packs.
#   Windows: a ZIP that unpacks straight into a lane folder, with no folder
#     of its own: Bin\su_utility.exe, Bin\cu_utility.exe (the lane reads its
#     configuration from ..\Config\ beside Bin) and the documents.
#   Linux: a .deb and a .tar.gz: the two utilities and board-emulator in
#     bin/, their manual pages, the documents in
#     share/doc/security-module-utilities/ (the .deb with its copyright file).
# The documents keep their folders so that the links between them hold; the
# CTest test docs.links fails when one links to a document not packed.

set(UTILITY_MAINTAINER "Lane controller service utilities team <lane-utilities@example.org>")
set(UTILITY_DOCUMENTS README.md CHANGELOG.md LICENSE docs/usage.md docs/windows.md emulator/README.md)

if(WIN32)
  install(TARGETS su_utility cu_utility RUNTIME DESTINATION Bin)
  set(document_folder .)
else()
  include(GNUInstallDirs)
  set(installed_programs su_utility cu_utility)
  if(TARGET board-emulator)
    list(APPEND installed_programs board-emulator)
  endif()
  install(TARGETS ${installed_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(document_folder ${CMAKE_INSTALL_DATADIR}/doc/security-module-utilities)
  include(${CMAKE_SOURCE_DIR}/cmake/Manpages.cmake)
endif()
foreach(document ${UTILITY_DOCUMENTS})
  get_filename_component(folder "${document}" DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/${document} DESTINATION "${document_folder}/${folder}")
endforeach()

set(CPACK_PACKAGE_NAME SecurityModuleUtilities)
set(CPACK_PACKAGE_VENDOR "Lane controller service utilities")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service utilities for the SU and CU controller boards of a self-checkout lane")
# Lines of at most 80 characters, as Debian wants them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "su_utility and cu_utility read the identity of a lane's security unit or\n"
  "conveyor unit board, upload its firmware, change its settings and test the\n"
  "lane's hardware, from text menus or from one command-line switch, and keep\n"
  "a capture file of every run. board-emulator stands in for a board, to run\n"
  "and test them without one.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES OFF)  # stripped when linked, see UTILITY_SPLIT_DEBUG_INFO
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
  # Unpacked in the lane folder, Bin\ lands beside the lane's Config\.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_DEBIAN_PACKAGE_NAME security-module-utilities)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${UTILITY_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

# The documents agree with the programs and with each other: the switches in
# the parser, the usage summaries, the manual pages and usage.md, and the
# links of every packed document.
if(UTILITY_BUILD_TESTS AND NOT WIN32 AND TARGET board-emulator)
  add_test(NAME docs.switches
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/documents.py switches
            $<TARGET_FILE:su_utility> $<TARGET_FILE:cu_utility> $<TARGET_FILE:board-emulator>)
  add_test(NAME docs.links
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/documents.py links ${UTILITY_DOCUMENTS})
endif()
