# Writes OUTPUT, a C++ source holding the files listed in FILES (a ;-list: txr serve's page) as
# byte arrays, with servePageFiles() returning them by name. Run with cmake -P at build time.
set(arrays "")
set(entries "")
set(index 0)
foreach(file IN LISTS FILES)
  get_filename_component(name ${file} NAME)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" hex "${hex}")
  string(APPEND arrays "const unsigned char kPageFile${index}[] = {\n${hex}0};\n")
  # The array ends in an extra 0 (an empty file makes no empty array); the size leaves it out.
  string(APPEND entries "        {\"${name}\", kPageFile${index}, sizeof kPageFile${index} - 1},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE ${OUTPUT}.tmp "// Generated from tools/txr/serve_page/ by tools/txr/embed_page.cmake; do not edit.
#include \"serve_api.h\"

namespace txr::tool {

namespace {
${arrays}}  // namespace

std::vector<PageFile> servePageFiles() {
    return {
${entries}    };
}

}  // namespace txr::tool
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUTPUT}.tmp ${OUTPUT})
file(REMOVE ${OUTPUT}.tmp)
