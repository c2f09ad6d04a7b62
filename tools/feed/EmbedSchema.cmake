# Writes the schema file as a C++ raw string literal: cmake -DINPUT=… -DOUTPUT=… -P this.
file(READ ${INPUT} _text)
string(FIND "${_text}" ")tvschema\"" _clash)
if(NOT _clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the literal's closing delimiter")
endif()
file(WRITE ${OUTPUT} "#pragma once\n// Generated from ${INPUT}; do not edit.\n"
     "inline constexpr char kFeedSchemaSql[] = R\"tvschema(${_text})tvschema\";\n")
