# Writes a C++ source that holds the bytes of a .res file (INPUT) as the module's resources (OUTPUT).
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
"#include \"resources.h\"\n\nnamespace {\nconst std::uint8_t resourceFile[${size}] = {\n${bytes}\n};\n}\n\n"
"std::span<const std::uint8_t> posix::moduleResourceFile() {\n    return {resourceFile, sizeof resourceFile};\n}\n")
