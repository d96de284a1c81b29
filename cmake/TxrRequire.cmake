# The packages a build needs, looked for before anything else is configured. What is missing is
# reported all at once, with the Debian package that provides it and the scripts/setup group
# that installs it, and the configure step stops there.
#   txr_require(<find_package arguments...> DEBIAN <package> GROUP <setup group>)
#   txr_require_check()   stops with the list of what is missing, if anything is
function(txr_require name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DEBIAN;GROUP" "")
  find_package(${name} ${arg_UNPARSED_ARGUMENTS} QUIET)
  if(NOT ${name}_FOUND)
    set_property(GLOBAL APPEND PROPERTY TXR_MISSING_PACKAGES
                 "  ${name} not found: apt-get install ${arg_DEBIAN}, or run scripts/setup ${arg_GROUP}")
  endif()
endfunction()

function(txr_require_check)
  get_property(missing GLOBAL PROPERTY TXR_MISSING_PACKAGES)
  if(missing)
    list(JOIN missing "\n" lines)
    message(FATAL_ERROR "txr needs packages that are not installed:\n${lines}\n"
                        "(-DTXR_BUILD_TOOLS=OFF -DTXR_BUILD_TESTS=OFF builds the library alone, "
                        "which needs nothing but a compiler and CMake)")
  endif()
endfunction()
