# Making a firmware file in the "flash.fls" format at build time, with the mkfls
# of the host tools. Include this file after KIV_HOST_DIR is set.
#
# kiv_make_fls(<target> OUTPUT file MODEL m AIO version [PANEL v] [SCAN v]
#              [PAYLOAD_BYTES n] [SEED s])
# adds a custom target <target> that makes OUTPUT (4 MiB payload by default).
function(kiv_make_fls target)
  cmake_parse_arguments(F "" "OUTPUT;MODEL;AIO;PANEL;SCAN;PAYLOAD_BYTES;SEED" "" ${ARGN})
  if(NOT F_PAYLOAD_BYTES)
    set(F_PAYLOAD_BYTES 4194304)
  endif()
  if(NOT F_SEED)
    set(F_SEED 1)
  endif()
  set(args --model ${F_MODEL} --aio ${F_AIO} --payload-bytes ${F_PAYLOAD_BYTES} --seed ${F_SEED})
  if(F_PANEL)
    list(APPEND args --panel ${F_PANEL})
  endif()
  if(F_SCAN)
    list(APPEND args --scan ${F_SCAN})
  endif()
  # mkfls comes from the ExternalProject `host`, a target without a known output
  # file, hence the target-level dependency.
  get_filename_component(out_dir ${F_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${F_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND ${KIV_HOST_DIR}/fls/mkfls ${args} --out ${F_OUTPUT}
    DEPENDS host ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Making ${F_OUTPUT}" VERBATIM)
  add_custom_target(${target} DEPENDS ${F_OUTPUT})
endfunction()
