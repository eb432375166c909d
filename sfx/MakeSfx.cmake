# Builds one self-extracting package program: stages the files named in a
# manifest, zips them (sorted, fixed time stamps, no extra fields, so the same
# inputs give the same bytes) and appends the archive to the extractor stub.
#
# cmake -DMANIFEST=f -DSTAGE=dir -DSTUB=exe -DOUT=exe -P MakeSfx.cmake
# Manifest lines: <destination relative to the stage>|<source>|<how>
# where <how> is "copy" or "ansi:<code page>" (UTF-8 text converted to that
# code page with CR LF line ends).
foreach(v MANIFEST STAGE STUB OUT)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "MakeSfx: ${v} not set")
  endif()
endforeach()

find_program(ZIP zip REQUIRED)
find_program(ICONV iconv REQUIRED)
find_program(TOUCH touch REQUIRED)

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(STRINGS "${MANIFEST}" lines)
set(names "")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REPLACE "|" ";" parts "${line}")
  list(GET parts 0 dest)
  list(GET parts 1 src)
  list(GET parts 2 how)
  if(NOT EXISTS "${src}")
    message(FATAL_ERROR "MakeSfx: missing ${src}")
  endif()
  get_filename_component(dir "${STAGE}/${dest}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  if(how STREQUAL "copy")
    file(COPY_FILE "${src}" "${STAGE}/${dest}")
  elseif(how MATCHES "^ansi:(.+)$")
    set(cp "${CMAKE_MATCH_1}")
    file(READ "${src}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${STAGE}/${dest}.utf8" "${text}")
    execute_process(COMMAND ${ICONV} -f UTF-8 -t ${cp} "${STAGE}/${dest}.utf8"
                    OUTPUT_FILE "${STAGE}/${dest}" RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      # A character the code page lacks: keep going with the closest spelling
      # so that the rest of the tree still builds, but say so loudly.
      message(WARNING "MakeSfx: ${src} is not representable in ${cp} (${err}); transliterating")
      execute_process(COMMAND ${ICONV} -f UTF-8 -t ${cp}//TRANSLIT "${STAGE}/${dest}.utf8"
                      OUTPUT_FILE "${STAGE}/${dest}" RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "MakeSfx: cannot convert ${src} to ${cp}")
      endif()
    endif()
    file(REMOVE "${STAGE}/${dest}.utf8")
  else()
    message(FATAL_ERROR "MakeSfx: unknown conversion '${how}' for ${dest}")
  endif()
  list(APPEND names "${dest}")
endforeach()
list(SORT names)
list(REMOVE_DUPLICATES names)
string(REPLACE ";" "\n" listing "${names}")
file(WRITE "${STAGE}.list" "${listing}\n")

# Fixed time stamps (2026-01-01 00:00 UTC, read in a fixed zone) keep the
# archive identical from build to build.
foreach(n IN LISTS names)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${TOUCH} -d @1767225600 "${STAGE}/${n}")
endforeach()

set(archive "${OUT}.zip")
file(REMOVE "${archive}" "${OUT}.tmp")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -q -X -D -9 "${archive}" -@
                WORKING_DIRECTORY "${STAGE}" INPUT_FILE "${STAGE}.list" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "MakeSfx: zip failed (${rc})")
endif()
execute_process(COMMAND cat "${STUB}" "${archive}" OUTPUT_FILE "${OUT}.tmp" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "MakeSfx: cannot join stub and archive")
endif()
# Make the archive's offsets relative to the start of the program, so that
# every zip tool reads it without guessing.
execute_process(COMMAND ${ZIP} -q -A "${OUT}.tmp" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "MakeSfx: zip -A failed (${rc})")
endif()
file(REMOVE "${archive}")
file(RENAME "${OUT}.tmp" "${OUT}")
