# Strict warnings for our own targets only; third-party headers come in as system includes.
function(murkmoot_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
