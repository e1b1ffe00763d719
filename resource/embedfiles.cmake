# Writes OUTPUT, a C++ file holding each file of INPUTS ('|'-separated paths)
# as a byte array, and getEmbeddedResources() listing them by file name
# ("2x/NAME" for the files in a 2x folder).
string(REPLACE "|" ";" _inputs "${INPUTS}")
set(_arrays "")
set(_table "")
set(_index 0)
foreach(_path IN LISTS _inputs)
    get_filename_component(_name "${_path}" NAME)
    get_filename_component(_folder "${_path}" DIRECTORY)
    get_filename_component(_folder "${_folder}" NAME)
    if(_folder STREQUAL "2x")
        set(_name "2x/${_name}")
    endif()
    file(READ "${_path}" _hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
                         "\\1\n    " _bytes "${_bytes}")
    string(APPEND _arrays "const unsigned char kFile${_index}[] = {\n    ${_bytes}};\n")
    string(APPEND _table "    {\"${_name}\", kFile${_index}, sizeof(kFile${_index})},\n")
    math(EXPR _index "${_index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from the files in resource/ by embedfiles.cmake: do not edit.
#include \"gui/embeddedresources.h\"

namespace {
${_arrays}
const VSTGUI::EmbeddedResource kTable[] = {
${_table}};
} // namespace

VSTGUI::EmbeddedResourceList VSTGUI::getEmbeddedResources()
{
    return {kTable, sizeof(kTable) / sizeof(kTable[0])};
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
