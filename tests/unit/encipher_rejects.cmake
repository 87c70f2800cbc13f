# Script: enciphers the text made of the bytes in BYTES (comma-separated values); the tests expect
# the encoder to stop with an error that names the setting.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/Encipher.cmake)
string(REPLACE "," ";" bytes "${BYTES}")
string(ASCII ${bytes} text)
zelvaro_encipher(hex "${text}" SOURCE ZELVARO_SAMPLE)
message("enciphered without complaint: ${hex}")
