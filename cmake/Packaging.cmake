# What `cmake --install` puts in place and what CPack packs.
#   Windows: a ZIP for a lane: Bin\su_utility.exe, Bin\cu_utility.exe (the
#     lane reads its configuration from ..\Config\ beside Bin), the README,
#     the CHANGELOG and docs\.
#   Linux: a .deb and a .tar.gz: the two utilities and board-emulator in
#     bin/, the documents in share/doc/security-module-utilities/.
# The documents keep their folders so that the links between them hold.

set(UTILITY_DOCUMENTS README.md CHANGELOG.md docs/usage.md docs/windows.md)

if(WIN32)
  install(TARGETS su_utility cu_utility RUNTIME DESTINATION Bin)
  set(document_folder .)
else()
  include(GNUInstallDirs)
  set(installed_programs su_utility cu_utility)
  if(TARGET board-emulator)
    list(APPEND installed_programs board-emulator)
    list(APPEND UTILITY_DOCUMENTS emulator/README.md)
  endif()
  install(TARGETS ${installed_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(document_folder ${CMAKE_INSTALL_DATADIR}/doc/security-module-utilities)
endif()
foreach(document ${UTILITY_DOCUMENTS})
  get_filename_component(folder "${document}" DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/${document} DESTINATION "${document_folder}/${folder}")
endforeach()

set(CPACK_PACKAGE_NAME SecurityModuleUtilities)
set(CPACK_PACKAGE_VENDOR "Lane controller service utilities")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service utilities for the SU and CU controller boards of a self-checkout lane")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES OFF)  # stripped when linked, see UTILITY_SPLIT_DEBUG_INFO
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_DEBIAN_PACKAGE_NAME security-module-utilities)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lane controller service utilities team")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
