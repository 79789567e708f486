# Writes OUTPUT, a C++ source holding the bytes of INPUT as the array kHelpSourceBytes.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Made by help/embed.cmake from help/help.lua; not to be edited.
extern const unsigned char kHelpSourceBytes[];
extern const int kHelpSourceSize;
const unsigned char kHelpSourceBytes[] = {
${bytes}0};
const int kHelpSourceSize = ${size};
")
