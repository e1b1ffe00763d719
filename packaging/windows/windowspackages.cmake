# The Windows distributables: a zip (cpack, or the target windows_zip) with
# the bundle, the VST 2 DLL, README and LICENSE, and an NSIS installer (the
# target windows_installer). Included from the top-level CMakeLists on
# Windows builds.
get_target_property(_bundle_dir kestrum_module KESTRUM_VST3_BUNDLE_DIR)
install(FILES README.md LICENSE DESTINATION . COMPONENT plugin)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Kestrum)
set(CPACK_PACKAGE_VENDOR Tavrek)
set(CPACK_PACKAGE_FILE_NAME "Kestrum-${PROJECT_VERSION}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
include(CPack)
add_custom_target(windows_zip
    COMMAND "${CMAKE_CPACK_COMMAND}" --config "${CMAKE_BINARY_DIR}/CPackConfig.cmake"
    DEPENDS kestrum_module kestrum_clap
    COMMENT "Packing Kestrum-${PROJECT_VERSION}-win64.zip"
    VERBATIM)

find_program(MAKENSIS_PROGRAM makensis)
if(MAKENSIS_PROGRAM)
    set(KESTRUM_INSTALLER_PATH "${CMAKE_BINARY_DIR}/packages/Kestrum-${PROJECT_VERSION}-win64-setup.exe")
    set(KESTRUM_PACKAGE_DLL "${_bundle_dir}/Contents/x86_64-win/Tavrek Kestrum.vst3")
    get_target_property(KESTRUM_PACKAGE_CLAP kestrum_clap KESTRUM_CLAP_PATH)
    configure_file("${CMAKE_CURRENT_LIST_DIR}/kestrum.nsi.in"
                   "${CMAKE_BINARY_DIR}/kestrum.nsi" @ONLY)
    add_custom_command(OUTPUT "${KESTRUM_INSTALLER_PATH}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/packages"
        COMMAND "${MAKENSIS_PROGRAM}" -V2 "${CMAKE_BINARY_DIR}/kestrum.nsi"
        DEPENDS kestrum_module kestrum_clap "${KESTRUM_PACKAGE_CLAP}" "${CMAKE_BINARY_DIR}/kestrum.nsi"
        COMMENT "Building the installer with makensis"
        VERBATIM)
    # Part of every build: it takes a moment, and the tests install it.
    add_custom_target(windows_installer ALL DEPENDS "${KESTRUM_INSTALLER_PATH}")
endif()
