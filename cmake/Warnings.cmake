# Project-wide warning flags; CI turns them into errors.
function(vx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
  if(VX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
