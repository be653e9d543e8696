# Writes OUTPUT: a C++ source whose function zv318::FUNCTION(), declared in HEADER, returns the
# bytes of INPUT. Run as a script at build time (cmake -DINPUT=... -DOUTPUT=... -DHEADER=...
# -DFUNCTION=... -P), so the
# program always carries the file as it is in the sources.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Sixteen bytes a line, each as 0xNN.
string(REPEAT "[0-9a-f]" 32 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPLACE "\n" "\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
"// Made at build time from ${INPUT}; do not edit.
#include \"${HEADER}\"

namespace zv318 {

namespace {
const unsigned char kBytes[${size} + 1] = {
    ${bytes}0};
}  // namespace

std::string_view ${FUNCTION}() {
    return std::string_view(reinterpret_cast<const char*>(kBytes), ${size});
}

}  // namespace zv318
")
