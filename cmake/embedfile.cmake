# cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=kName -DHEADER=name.h -P embedfile.cmake
# Writes the bytes of INPUT as the array NAME and its size NAMESize, declared in HEADER.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Made by the build from ${INPUT}.\n#include \"${HEADER}\"\n\n"
  "const std::uint8_t ${NAME}[] = {\n${bytes}\n};\nconst std::size_t ${NAME}Size = ${size};\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
