# Writes the resource script of one language library: the shared dialog
# templates and a string table made from the language's strings.txt.
#
#   cmake -DSTRINGS=<strings.txt> -DTEMPLATES=<templates.rc.in> -DRTL=<0|1>
#         -DOUT=<lang.rc> -P MakeLangRc.cmake
#
# strings.txt is UTF-8, one string a line: the number, a tab, the text. The
# texts may contain semicolons, brackets and backslashes, which CMake lists
# would split, swallow or escape with, so those are swapped for control characters while the file is cut
# into lines and swapped back when a line is written.

cmake_minimum_required(VERSION 3.20)

foreach(arg STRINGS TEMPLATES RTL OUT)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "MakeLangRc: ${arg} not given")
  endif()
endforeach()

string(ASCII 1 semi)
string(ASCII 2 open)
string(ASCII 3 close)
string(ASCII 4 bslash)

# An editor may have added a byte order mark; windres would take it as text.
file(READ "${STRINGS}" bom LIMIT 3 HEX)
if(bom STREQUAL "efbbbf")
  file(READ "${STRINGS}" text OFFSET 3)
else()
  file(READ "${STRINGS}" text)
endif()
if(text MATCHES "\r")
  message(FATAL_ERROR "${STRINGS}: carriage return found; lines must end with LF only")
endif()
string(REPLACE "\\" "${bslash}" text "${text}")
string(REPLACE ";" "${semi}" text "${text}")
string(REPLACE "[" "${open}" text "${text}")
string(REPLACE "]" "${close}" text "${text}")
string(REGEX REPLACE "\n+$" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")

set(table "")
set(seen "")
set(lineno 0)
foreach(line IN LISTS lines)
  math(EXPR lineno "${lineno} + 1")
  if(NOT line MATCHES "^([0-9]+)\t(.+)$")
    message(FATAL_ERROR "${STRINGS}:${lineno}: expected NUMBER<TAB>TEXT")
  endif()
  set(number "${CMAKE_MATCH_1}")
  set(value "${CMAKE_MATCH_2}")
  if(number IN_LIST seen)
    message(FATAL_ERROR "${STRINGS}:${lineno}: string ${number} given twice")
  endif()
  list(APPEND seen ${number})
  # windres reads backslash escapes inside quotes and doubles a quote to
  # escape it.
  string(REPLACE "${bslash}" "\\\\" value "${value}")
  string(REPLACE "\"" "\"\"" value "${value}")
  string(REPLACE "${semi}" ";" value "${value}")
  string(REPLACE "${open}" "[" value "${value}")
  string(REPLACE "${close}" "]" value "${value}")
  string(APPEND table "    ${number}, \"${value}\"\n")
endforeach()

if(RTL)
  set(exstyle "WS_EX_LAYOUTRTL | WS_EX_RTLREADING")
else()
  set(exstyle "0")
endif()
file(READ "${TEMPLATES}" templates)
string(REPLACE "@KIV_LANG_EXSTYLE@" "${exstyle}" templates "${templates}")

set(rc "// Generated from ${STRINGS}; edit that file, not this one.\n")
string(APPEND rc "#pragma code_page(65001)\n")
string(APPEND rc "#include <windows.h>\n#include <commctrl.h>\n\n")
# Neutral, so that a lookup by number finds the resources whatever the
# user's or the thread's language is.
string(APPEND rc "LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\n\n")
string(APPEND rc "${templates}\n")
string(APPEND rc "STRINGTABLE\nBEGIN\n${table}END\n")

file(WRITE "${OUT}" "${rc}")
