# Enciphers the About box's credits and links at configure time, so that the sources and the
# program carry only hex digits; modGénéral::DecoderTexte turns them back into text at run time.
#
#   zelvaro_encipher(<out-var> <plain-text> [SOURCE <name>])
#   zelvaro_utf8_code_points(<out-var> <text> <name>)
#
# Plain texts are UTF-8. Errors are fatal and start with <name> (SOURCE, or else <out-var>), so a
# distributor sees which setting to fix.
include_guard(GLOBAL)

include(${CMAKE_CURRENT_LIST_DIR}/ZeroPadded.cmake)

# Upper-case hex text of <value>, zero-padded on the left to <width> digits.
function(_zelvaro_hex out_var value width)
  math(EXPR hex "${value}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${hex}" 2 -1 hex)
  string(TOUPPER "${hex}" hex)
  zelvaro_zero_padded(hex "${hex}" ${width})
  set(${out_var} "${hex}" PARENT_SCOPE)
endfunction()

function(zelvaro_utf8_code_points out_var text name)
  string(HEX "${text}" bytes)
  string(LENGTH "${bytes}" end)
  set(code_points "")
  set(pending 0) # continuation bytes still due for the current character
  set(index 0)
  while(index LESS end)
    string(SUBSTRING "${bytes}" ${index} 2 pair)
    math(EXPR byte "0x${pair}")
    math(EXPR index "${index} + 2")
    if(pending GREATER 0)
      if(byte LESS 128 OR byte GREATER 191)
        message(FATAL_ERROR "${name}: not valid UTF-8")
      endif()
      math(EXPR code_point "(${code_point} << 6) | (${byte} & 63)")
      math(EXPR pending "${pending} - 1")
      if(pending EQUAL 0)
        # Overlong forms and surrogates are not UTF-8 either.
        if(code_point LESS smallest OR
           (code_point GREATER_EQUAL 55296 AND code_point LESS 57344))
          message(FATAL_ERROR "${name}: not valid UTF-8")
        endif()
        list(APPEND code_points ${code_point})
      endif()
    elseif(byte LESS 128)
      list(APPEND code_points ${byte})
    elseif(byte GREATER_EQUAL 192 AND byte LESS 224)
      math(EXPR code_point "${byte} & 31")
      set(pending 1)
      set(smallest 128)
    elseif(byte GREATER_EQUAL 224 AND byte LESS 240)
      math(EXPR code_point "${byte} & 15")
      set(pending 2)
      set(smallest 2048)
    elseif(byte GREATER_EQUAL 240 AND byte LESS 245)
      math(EXPR code_point "${byte} & 7")
      set(pending 3)
      set(smallest 65536)
    else()
      message(FATAL_ERROR "${name}: not valid UTF-8")
    endif()
  endwhile()
  if(pending GREATER 0)
    message(FATAL_ERROR "${name}: not valid UTF-8, it ends inside a character")
  endif()
  set(${out_var} "${code_points}" PARENT_SCOPE)
endfunction()

# Windows-1252 codes of a UTF-8 text; characters that have none are fatal.
function(_zelvaro_windows1252_codes out_var text name)
  # Unicode characters of codes 128 to 159, in order; "-" marks the five undefined codes.
  set(from_128
    0x20ac - 0x201a 0x192 0x201e 0x2026 0x2020 0x2021 0x2c6 0x2030 0x160 0x2039 0x152 - 0x17d -
    - 0x2018 0x2019 0x201c 0x201d 0x2022 0x2013 0x2014 0x2dc 0x2122 0x161 0x203a 0x153 - 0x17e
    0x178)
  zelvaro_utf8_code_points(code_points "${text}" "${name}")
  set(codes "")
  foreach(code_point IN LISTS code_points)
    if(code_point LESS 128 OR (code_point GREATER_EQUAL 160 AND code_point LESS 256))
      list(APPEND codes ${code_point})
      continue()
    endif()
    math(EXPR hex "${code_point}" OUTPUT_FORMAT HEXADECIMAL)
    list(FIND from_128 "${hex}" index)
    if(index EQUAL -1)
      _zelvaro_hex(shown ${code_point} 4)
      message(FATAL_ERROR "${name}: U+${shown} has no Windows-1252 code; use ASCII, U+00A0 to "
                          "U+00FF or the Windows-1252 punctuation (€ ‚ ƒ „ … † ‡ ˆ ‰ Š ‹ Œ Ž ‘ "
                          "’ “ ” • – — ˜ ™ š › œ ž Ÿ)")
    endif()
    math(EXPR code "128 + ${index}")
    list(APPEND codes ${code})
  endforeach()
  set(${out_var} "${codes}" PARENT_SCOPE)
endfunction()

function(zelvaro_encipher out_var plain)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "SOURCE" "")
  if(NOT arg_SOURCE)
    set(arg_SOURCE "${out_var}")
  endif()
  _zelvaro_windows1252_codes(codes "${plain}" "${arg_SOURCE}")
  list(LENGTH codes count)
  # DecoderTexte takes at most 32,766 hex digits.
  if(count GREATER 16383)
    message(FATAL_ERROR "${arg_SOURCE}: ${count} characters, more than the 16383 that the "
                        "About box can decipher")
  endif()
  set(hex "")
  set(position 0)
  foreach(code IN LISTS codes)
    # The decoder's key counter starts at count - 1 and falls by one per character, so the
    # key byte 255 - counter rises by one per character and is 255 at the last one.
    math(EXPR key "(256 - ${count} + ${position}) & 255")
    math(EXPR byte "((((${code} & 15) << 4) | (${code} >> 4)) ^ ${key})")
    _zelvaro_hex(pair ${byte} 2)
    string(APPEND hex "${pair}")
    math(EXPR position "${position} + 1")
  endforeach()
  set(${out_var} "${hex}" PARENT_SCOPE)
endfunction()
