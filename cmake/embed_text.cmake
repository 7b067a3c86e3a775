# Writes the text file INPUT as a C++ header OUTPUT holding one constant
# `viewer_js`: raw string pieces short enough for every compiler.
file(READ ${INPUT} text)
string(LENGTH "${text}" length)
set(out "// Made at build time from viewer.js; do not edit.\n#pragma once\ninline constexpr const char* viewer_js =\n")
set(at 0)
while(at LESS length)
  string(SUBSTRING "${text}" ${at} 8000 piece)
  string(APPEND out "R\"~~~(${piece})~~~\"\n")
  math(EXPR at "${at} + 8000")
endwhile()
string(APPEND out ";\n")
file(WRITE ${OUTPUT} "${out}")
