# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P embed_file.cmake
# Writes the bytes of INPUT as `extern const unsigned char SYMBOL[]` (with a terminating zero that is
# not counted) and `extern const std::size_t SYMBOL##Size`, in namespace kq. A byte array and not a
# raw string: compilers limit the length of string literals, never the length of an array.
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_file.cmake: ${var} is not set")
  endif()
endforeach()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Sixteen bytes a line (CMake's regular expressions have no {n}).
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n  " bytes "${bytes}")
cmake_path(GET INPUT FILENAME name)
file(WRITE "${OUTPUT}"
  "// Generated at build time from ${name}; edit that file instead.\n"
  "#include <cstddef>\n\n"
  "namespace kq {\n\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const std::size_t ${SYMBOL}Size;\n\n"
  "const unsigned char ${SYMBOL}[] = {\n  ${bytes}0x00};\n"
  "const std::size_t ${SYMBOL}Size = ${size};\n\n"
  "}  // namespace kq\n")
