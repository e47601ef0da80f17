# Writes SHA256SUMS, in sha256sum's format, over every other file of the kit being
# installed or packaged.
set(kit "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB files LIST_DIRECTORIES false RELATIVE "${kit}" "${kit}/*")
list(REMOVE_ITEM files SHA256SUMS)
list(SORT files)
set(sums "")
foreach(name IN LISTS files)
  file(SHA256 "${kit}/${name}" hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${kit}/SHA256SUMS" "${sums}")
