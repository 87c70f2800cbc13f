# Generates, at configure time, the headers that the About box's module reads: this build's title
# and version numbers from project(), and the enciphered credits and links. Sets
# ZELVARO_GENERATED_DIR, the directory to add to the include path.
include(${PROJECT_SOURCE_DIR}/cmake/Encipher.cmake)

# The About box's credits and links. Distributors set their own with -D; only the enciphered form
# is written into the generated header.
# Short enough for the author line's one line in the box.
set(ZELVARO_AUTHOR "Réalisé par l'équipe Zelvaro" CACHE STRING
    "Author line of the About box")
set(ZELVARO_WEB_ADDRESS "https://zelvaro.example" CACHE STRING "Web address of the About box")
set(ZELVARO_EMAIL_ADDRESS "dev@zelvaro.example" CACHE STRING
    "E-mail address of the About box, without mailto:")
set(ZELVARO_DONATION_ADDRESS
    "https://zelvaro.example/don?projet=zelvaro&devise=EUR&langue=fr&ref=apropos" CACHE STRING
    "Address the About box's donation button opens")
foreach(setting AUTHOR WEB_ADDRESS EMAIL_ADDRESS DONATION_ADDRESS)
  zelvaro_encipher(ZELVARO_${setting}_HEX "${ZELVARO_${setting}}" SOURCE ZELVARO_${setting})
endforeach()

# A project version without a fourth component is revision 0.
set(ZELVARO_REVISION "${PROJECT_VERSION_TWEAK}")
if(ZELVARO_REVISION STREQUAL "")
  set(ZELVARO_REVISION 0)
endif()
foreach(number PROJECT_VERSION_MAJOR PROJECT_VERSION_MINOR ZELVARO_REVISION)
  if(${number} GREATER 65535)
    message(FATAL_ERROR "${number} is ${${number}}; the version numbers are 16-bit")
  endif()
endforeach()

set(ZELVARO_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
foreach(header build_info.h enciphered.h)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${header}.in ${ZELVARO_GENERATED_DIR}/about/${header}
                 @ONLY)
endforeach()
