# Writes OUTPUT, a C++ source holding the font files listed in FONTS (a ;-list) as byte arrays,
# with bundledFonts() returning them. Run with cmake -P at build time.
set(arrays "")
set(entries "")
set(index 0)
foreach(font IN LISTS FONTS)
  get_filename_component(name ${font} NAME)
  file(SIZE ${font} size)
  if(size EQUAL 0)
    message(WARNING "${font} is empty and is not bundled")
    continue()
  endif()
  file(READ ${font} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  # Lines of 16 bytes keep the source readable for compilers and editors.
  string(REGEX REPLACE "((0x..,){16})" "\\1\n" hex "${hex}")
  string(APPEND arrays "const unsigned char kFont${index}[] = {\n${hex}};\n")
  string(APPEND entries "        {\"${name}\", kFont${index}, sizeof kFont${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE ${OUTPUT}.tmp "// Generated from fonts/*.bin by tools/txr/embed_fonts.cmake; do not edit.
#include \"bundled_fonts.h\"

namespace txr::tool {

namespace {
${arrays}}  // namespace

std::vector<BundledFont> bundledFonts() {
    return {
${entries}    };
}

}  // namespace txr::tool
")
# Only a changed source is rebuilt.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUTPUT}.tmp ${OUTPUT})
file(REMOVE ${OUTPUT}.tmp)
