# Warning and sanitizer flags shared by every target of the project.
add_library(txr_build_flags INTERFACE)
if(WIN32)
  # Our sources use std::min and std::max and none of the rarely used parts of <windows.h>.
  target_compile_definitions(txr_build_flags INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN)
endif()
if(MSVC)
  target_compile_options(txr_build_flags INTERFACE /W4)
else()
  target_compile_options(txr_build_flags INTERFACE -Wall -Wextra)
  if(TXR_WERROR)
    target_compile_options(txr_build_flags INTERFACE -Werror)
  endif()
  if(TXR_SANITIZE)
    target_compile_options(txr_build_flags INTERFACE -fsanitize=address,undefined
                           -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(txr_build_flags INTERFACE -fsanitize=address,undefined)
  endif()
endif()
