# The Windows module: one DLL, in Steinberg's bundle layout as
# "Tavrek Kestrum.vst3/Contents/x86_64-win/Tavrek Kestrum.vst3" and again as
# the VST 2 plug-in "TK Kestrum VST2.dll". Included from the module's
# CMakeLists with KESTRUM_MODULE_SOURCES, KESTRUM_MODULE_VERSION and
# KESTRUM_VST3_BUNDLE_DIR set; it makes the target, the module's CMakeLists
# names it and copies it for VST 2.
set(KESTRUM_VST2_MODULE_NAME "TK Kestrum VST2.dll")
set(KESTRUM_VST3_BINARY_DIR "${KESTRUM_VST3_BUNDLE_DIR}/Contents/x86_64-win")

# Resources: the same pictures the Linux build links in, and the version.
set(KESTRUM_PICTURE_DIR "${PROJECT_SOURCE_DIR}/resource")
string(REPLACE "." "," KESTRUM_VERSION_COMMAS "${KESTRUM_MODULE_VERSION}")
set(_rc "${CMAKE_CURRENT_BINARY_DIR}/kestrum.rc")
configure_file("${CMAKE_CURRENT_LIST_DIR}/kestrum.rc.in" "${_rc}" @ONLY)
set(_def "${CMAKE_CURRENT_LIST_DIR}/kestrum.def")
# The CLAP DLL carries the same resources.
set(KESTRUM_MODULE_RC "${_rc}" PARENT_SCOPE)

add_library(kestrum_module MODULE ${KESTRUM_MODULE_SOURCES} "${_rc}" "${_def}")
target_link_libraries(kestrum_module PRIVATE framework_vst3_module kestrum_core framework_vst3
                                             vst3sdk kestrum_options
                                             "$<LINK_LIBRARY:WHOLE_ARCHIVE,framework_vst2>")
# The resource compiler sees the pictures as inputs of the .rc file.
file(GLOB _pictures "${KESTRUM_PICTURE_DIR}/*.PNG" "${KESTRUM_PICTURE_DIR}/2x/*.PNG")
set_source_files_properties("${_rc}" PROPERTIES OBJECT_DEPENDS "${_pictures}")
# Stripped: what users install carries no debug information.
target_link_options(kestrum_module PRIVATE "LINKER:--no-undefined" "LINKER:--gc-sections"
                    "LINKER:-O1" -s)
set_target_properties(kestrum_module PROPERTIES SUFFIX ".vst3")
