# Finds cpp-httplib as Debian builds it (a header and a compiled library, libcpp-httplib-dev) and
# makes the target cpp_httplib::cpp_httplib with the definitions the library was built with.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(cpp_httplib_pc QUIET IMPORTED_TARGET cpp-httplib)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(cpp_httplib REQUIRED_VARS cpp_httplib_pc_FOUND
                                  VERSION_VAR cpp_httplib_pc_VERSION)
if(cpp_httplib_FOUND AND NOT TARGET cpp_httplib::cpp_httplib)
  add_library(cpp_httplib::cpp_httplib INTERFACE IMPORTED)
  target_link_libraries(cpp_httplib::cpp_httplib INTERFACE PkgConfig::cpp_httplib_pc)
endif()
