# Project-wide warning flags; CI turns them into errors.
function(vx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
    # GCC 12 reports impossible overlaps inside std::string at -O3 (a known false positive).
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
  if(VX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
