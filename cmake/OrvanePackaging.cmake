# The ZIP a trader unpacks, and the installer (cpack -G NSIS, from cmake/NSIS.template.in) that also
# copies the DLL and the bridge into every terminal chosen: both programs, both DLLs, the feed
# tool, the terminal bridge and the guide.
if(NOT ORVANE_WINDOWS OR ORVANE_FUZZ)
  return()
endif()

foreach(target OrvaneWinClient OrvaneRateInfo OrvaneDriverDLL TessaraChartDll orvane-feed)
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION . LIBRARY DESTINATION . ARCHIVE DESTINATION sdk EXCLUDE_FROM_ALL)
  endif()
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/mql5/OrvaneFeedBridge.mq5" DESTINATION mql5 OPTIONAL)
install(FILES "${PROJECT_SOURCE_DIR}/docs/USER_GUIDE.md" DESTINATION . OPTIONAL)
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION . RENAME README-source.md OPTIONAL)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Orvane)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "Orvane-${PROJECT_VERSION}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)

# The package is built and its listing checked as a test, so a ZIP that lacks a file never ships.
add_test(NAME package.contents
  COMMAND "${CMAKE_COMMAND}" -DBUILD_DIR=${CMAKE_BINARY_DIR} -P "${PROJECT_SOURCE_DIR}/cmake/CheckPackage.cmake")
set_tests_properties(package.contents PROPERTIES TIMEOUT 300 LABELS package RESOURCE_LOCK cpack)

# The installer is built as a test too, then installed and uninstalled silently under Wine.
add_test(NAME package.installer
  COMMAND "${PROJECT_SOURCE_DIR}/tests/package/installer_test.sh" "${CMAKE_BINARY_DIR}")
set_tests_properties(package.installer PROPERTIES TIMEOUT 300 LABELS package RESOURCE_LOCK cpack
  FIXTURES_REQUIRED wine ENVIRONMENT "ORVANE_WINE_DIR=${ORVANE_WINE_DIR}")
