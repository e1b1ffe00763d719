# The Windows module: one DLL, in Steinberg's bundle layout as
# "Tavrek Kestrum.vst3/Contents/x86_64-win/Tavrek Kestrum.vst3" and again as
# the VST 2 plug-in "TK Kestrum VST2.dll". Included from the module's
# CMakeLists with KESTRUM_MODULE_SOURCES and KESTRUM_MODULE_VERSION set.
set(KESTRUM_VST2_MODULE_NAME "TK Kestrum VST2.dll")
set(KESTRUM_VST3_BUNDLE_DIR "${CMAKE_BINARY_DIR}/VST3/${KESTRUM_VST3_BUNDLE_NAME}")
set(KESTRUM_VST3_BINARY_DIR "${KESTRUM_VST3_BUNDLE_DIR}/Contents/x86_64-win")
set(KESTRUM_VST2_MODULE_PATH "${CMAKE_BINARY_DIR}/VST/${KESTRUM_VST2_MODULE_NAME}")

# Resources: the same pictures the Linux build links in, and the version.
set(KESTRUM_PICTURE_DIR "${PROJECT_SOURCE_DIR}/resource")
string(REPLACE "." "," KESTRUM_VERSION_COMMAS "${KESTRUM_MODULE_VERSION}")
set(_rc "${CMAKE_CURRENT_BINARY_DIR}/kestrum.rc")
configure_file("${CMAKE_CURRENT_LIST_DIR}/kestrum.rc.in" "${_rc}" @ONLY)
set(_def "${CMAKE_CURRENT_LIST_DIR}/kestrum.def")

add_library(kestrum_module MODULE ${KESTRUM_MODULE_SOURCES} "${_rc}" "${_def}")
target_include_directories(kestrum_module PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/..")
target_link_libraries(kestrum_module PRIVATE framework_vst3_module kestrum_core framework_vst3
                                             vst3sdk kestrum_options
                                             "$<LINK_LIBRARY:WHOLE_ARCHIVE,framework_vst2>")
# The resource compiler sees the pictures as inputs of the .rc file.
file(GLOB _pictures "${KESTRUM_PICTURE_DIR}/*.PNG")
set_source_files_properties("${_rc}" PROPERTIES OBJECT_DEPENDS "${_pictures}")
# Stripped: what users install carries no debug information.
target_link_options(kestrum_module PRIVATE "LINKER:--no-undefined" "LINKER:--gc-sections"
                    "LINKER:-O1" -s)
set_target_properties(kestrum_module PROPERTIES
    PREFIX ""
    OUTPUT_NAME "Tavrek Kestrum"
    SUFFIX ".vst3"
    LIBRARY_OUTPUT_DIRECTORY "${KESTRUM_VST3_BINARY_DIR}"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)

add_custom_command(TARGET kestrum_module POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/VST"
    COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:kestrum_module>" "${KESTRUM_VST2_MODULE_PATH}"
    VERBATIM)

set_property(TARGET kestrum_module PROPERTY KESTRUM_VST3_BUNDLE_DIR "${KESTRUM_VST3_BUNDLE_DIR}")
set_property(TARGET kestrum_module PROPERTY KESTRUM_VST2_MODULE_PATH "${KESTRUM_VST2_MODULE_PATH}")

# cmake --install: the bundle under VST3/, the VST 2 DLL under VST2/ (the
# zip's layout; the installer puts them where hosts look).
install(DIRECTORY "${KESTRUM_VST3_BUNDLE_DIR}" DESTINATION VST3 COMPONENT plugin)
install(FILES "${KESTRUM_VST2_MODULE_PATH}" DESTINATION VST2 COMPONENT plugin)
