# Turns "name = name@N @ord" lines of the linker's --output-def into
# "name@N @ord", the input dlltool -k needs for an import library.
file(STRINGS ${DEF} lines)
set(out "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]*=[ \t]*([^ \t]+)(.*)$")
    string(APPEND out "    ${CMAKE_MATCH_2}${CMAKE_MATCH_3}\n")
  else()
    string(APPEND out "${line}\n")
  endif()
endforeach()
file(WRITE ${DEF}.decorated "${out}")
