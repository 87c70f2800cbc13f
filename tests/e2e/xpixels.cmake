# The screen reader of every X scenario, native or under Wine: a program for this machine, built
# with its own compiler even beside a cross build. Sets E2E_XPIXELS to its path.
find_program(E2E_HOST_CC NAMES cc gcc clang REQUIRED)
set(E2E_XPIXELS ${CMAKE_CURRENT_BINARY_DIR}/xpixels)
add_custom_command(OUTPUT ${E2E_XPIXELS}
  COMMAND ${E2E_HOST_CC} -std=c17 -O2 ${ZELVARO_C_WARNINGS} -o ${E2E_XPIXELS}
          ${CMAKE_CURRENT_LIST_DIR}/xpixels.c -lX11
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/xpixels.c VERBATIM)
add_custom_target(e2e_xpixels ALL DEPENDS ${E2E_XPIXELS})
