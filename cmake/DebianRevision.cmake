# The Debian package's revision, marked with the release it is built on (1~deb12, 1~deb13): each
# release's package depends on that release's Qt, so the two must not be mixed up. Plain 1 on
# other systems. Sets ZELVARO_DEB_REVISION.
set(ZELVARO_DEB_REVISION 1)
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release os_release REGEX "^(ID|VERSION_ID)=")
  if("ID=debian" IN_LIST os_release AND os_release MATCHES "VERSION_ID=\"?([0-9]+)")
    string(APPEND ZELVARO_DEB_REVISION "~deb${CMAKE_MATCH_1}")
  endif()
endif()
