# Read by CPack itself. Its Debian generator finds the binaries for
# dpkg-shlibdeps in the output of `file`, which escapes every non-ASCII byte
# of a name unless asked for raw output, so the program in its folder
# "素因数分解" would be lost to the dependency search.
find_program(_soinsuu_file file REQUIRED)
set(FILE_EXECUTABLE "${_soinsuu_file};-r")
