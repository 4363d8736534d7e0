# Writes OUT: every structure typedef of the given headers as an X-macro of its members,
#   KAV_STRUCTS(S, M)  with S(type) per structure and M(type, member) per member,
# so that the C and the C++ compiler can each expand the same list into sizeof and offsetof.
set(_lines "/* Generated from the public headers by members.cmake. */\n#define KAV_STRUCTS(S, M)")
math(EXPR _last "${CMAKE_ARGC} - 1")
foreach(_i RANGE 4 ${_last})
  file(READ "${CMAKE_ARGV${_i}}" _text)
  string(REPLACE ";" "," _text "${_text}")  # keep CMake's list separator out of the way
  string(REGEX MATCHALL "typedef struct [a-z0-9_]+ {[^}]*} [a-z0-9_]+," _structs "${_text}")
  foreach(_s IN LISTS _structs)
    string(REGEX MATCH "^typedef struct ([a-z0-9_]+)" _ "${_s}")
    set(_type ${CMAKE_MATCH_1})
    string(APPEND _lines " \\\n    S(${_type})")
    string(REGEX MATCHALL "[a-z0-9_]+(\\[[0-9]+\\])?," _members "${_s}")
    foreach(_m IN LISTS _members)
      string(REGEX REPLACE "(\\[[0-9]+\\])?,$" "" _m "${_m}")
      if(NOT _m STREQUAL _type)
        string(APPEND _lines " M(${_type}, ${_m})")
      endif()
    endforeach()
  endforeach()
endforeach()
file(WRITE "${OUT}" "${_lines}\n")
