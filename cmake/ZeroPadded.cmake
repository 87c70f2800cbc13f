include_guard(GLOBAL)

# <value> with zeros put in front up to <width> characters.
function(zelvaro_zero_padded out value width)
  string(LENGTH "${value}" length)
  while(length LESS width)
    string(PREPEND value "0")
    math(EXPR length "${length} + 1")
  endwhile()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
