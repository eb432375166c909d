# Writes PageControls.h from the dialog templates: the number of every page
# template and of every control in it, under the names the templates give
# them ("// page <Name>" after a template's first line, "// <Name>" after a
# control), and each template's full list of control numbers.
#
#   cmake -DTEMPLATES=<templates.rc.in> -DOUT=<PageControls.h>
#         -P MakePageControls.cmake
#
# A template or control without a name, a name or number given twice in one
# template, or a template number used twice stops the build: the pages and
# the tests must never see a partial table.

cmake_minimum_required(VERSION 3.20)

foreach(arg TEMPLATES OUT)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "MakePageControls: ${arg} not given")
  endif()
endforeach()

file(STRINGS "${TEMPLATES}" lines)

set(pages "")        # page names in template order
set(page_numbers "")
set(page "")         # the template being read; empty outside BEGIN..END
set(inside OFF)
set(lineno 0)
set(widest 0)
foreach(line IN LISTS lines)
  math(EXPR lineno "${lineno} + 1")
  if(line MATCHES "^([0-9]+)[ \t]+DIALOGEX")
    set(number "${CMAKE_MATCH_1}")
    if(NOT line MATCHES "// page ([A-Za-z][A-Za-z0-9]*)[ \t]*$")
      message(FATAL_ERROR "${TEMPLATES}:${lineno}: template ${number} has no \"// page <Name>\"")
    endif()
    set(page "${CMAKE_MATCH_1}")
    if(page IN_LIST pages OR number IN_LIST page_numbers)
      message(FATAL_ERROR "${TEMPLATES}:${lineno}: page ${page} or template ${number} given twice")
    endif()
    list(APPEND pages ${page})
    list(APPEND page_numbers ${number})
    set(number_${page} ${number})
    set(names_${page} "")
    set(ids_${page} "")
  elseif(page AND line MATCHES "^BEGIN")
    set(inside ON)
  elseif(inside AND line MATCHES "^END")
    set(inside OFF)
    set(page "")
  elseif(inside AND line MATCHES "[^ \t]")
    if(NOT line MATCHES "^(.*)// ([A-Za-z][A-Za-z0-9]*)[ \t]*$")
      message(FATAL_ERROR "${TEMPLATES}:${lineno}: control of page ${page} has no \"// <Name>\"")
    endif()
    set(name "${CMAKE_MATCH_2}")
    # The control's number is the first number outside its quoted text:
    # "text", id, ... for most kinds, id, ... for EDITTEXT.
    string(REGEX REPLACE "\"[^\"]*\"" "" statement "${CMAKE_MATCH_1}")
    if(NOT statement MATCHES "^[ \t]*[A-Z]+[ \t,]+([0-9]+)[ \t]*,")
      message(FATAL_ERROR "${TEMPLATES}:${lineno}: no control number found")
    endif()
    set(id "${CMAKE_MATCH_1}")
    if(name IN_LIST names_${page} OR id IN_LIST ids_${page})
      message(FATAL_ERROR "${TEMPLATES}:${lineno}: ${name} or ${id} given twice in page ${page}")
    endif()
    list(APPEND names_${page} ${name})
    list(APPEND ids_${page} ${id})
    list(LENGTH ids_${page} count)
    if(count GREATER widest)
      set(widest ${count})
    endif()
  endif()
endforeach()
if(NOT pages)
  message(FATAL_ERROR "${TEMPLATES}: no template found")
endif()

set(h "// Written from lang/templates.rc.in at build time by lang/MakePageControls.cmake;\n")
string(APPEND h "// edit the templates, not this file.\n#pragma once\n\n#include <cstddef>\n#include <cstdint>\n\n")
string(APPEND h "// The page templates every language library carries.\nnamespace Tpl {\nenum : uint16_t {\n")
foreach(page IN LISTS pages)
  string(APPEND h "    ${page} = ${number_${page}},\n")
endforeach()
string(APPEND h "};\n}\n\n// The controls of each page, by the name its template gives them.\nnamespace Ctl {\n")
foreach(page IN LISTS pages)
  string(APPEND h "namespace ${page} {\nenum : int {\n")
  foreach(name id IN ZIP_LISTS names_${page} ids_${page})
    string(APPEND h "    ${name} = ${id},\n")
  endforeach()
  string(APPEND h "};\n}\n")
endforeach()
string(APPEND h "\n// Every template with the numbers of all its controls, in template order.\n")
string(APPEND h "struct PageTemplate {\n    uint16_t number;\n    size_t count;\n    int controls[${widest}];\n};\n")
string(APPEND h "inline constexpr PageTemplate AllPages[] = {\n")
foreach(page IN LISTS pages)
  list(LENGTH ids_${page} count)
  string(JOIN ", " ids ${ids_${page}})
  string(APPEND h "    {Tpl::${page}, ${count}, {${ids}}},\n")
endforeach()
string(APPEND h "};\n} // namespace Ctl\n")

file(WRITE "${OUT}" "${h}")
