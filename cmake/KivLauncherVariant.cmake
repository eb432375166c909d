# Building a KIV.exe: the shipped program and its variants for tests and
# benchmarks, wherever they are asked for. The program's own sources are in
# launcher/; its packages are made by the functions of package/.
set(KIV_LAUNCHER_DIR ${CMAKE_SOURCE_DIR}/launcher)

# Signing as a vendor signs what it ships, for the tests: osslsigncode with a
# throwaway certificate that openssl makes in the build folder (no key or
# certificate is kept in the tree).
find_program(KIV_OSSLSIGNCODE osslsigncode)
find_program(KIV_OPENSSL openssl)
if(KIV_OSSLSIGNCODE AND KIV_OPENSSL)
  set(KIV_CAN_SIGN TRUE CACHE INTERNAL "")
else()
  set(KIV_CAN_SIGN FALSE CACHE INTERNAL "")
  message(WARNING "osslsigncode or openssl missing: no signed programs are tested")
endif()

# The signing command for dir/in -> dir/out with the key made in dir by
# kiv_signing_key(dir).
function(kiv_signing_key dir)
  add_custom_command(
    OUTPUT ${dir}/cert.pem ${dir}/key.pem
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${KIV_OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=KIV-test-signer
            -keyout ${dir}/key.pem -out ${dir}/cert.pem
    COMMENT "Making a throwaway signing certificate"
    VERBATIM)
endfunction()
function(kiv_signed_copy dir in out)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${KIV_OSSLSIGNCODE} sign -certs ${dir}/cert.pem -key ${dir}/key.pem -n KIV
            -in ${in} -out ${out}.tmp
    COMMAND ${CMAKE_COMMAND} -E rename ${out}.tmp ${out}
    DEPENDS ${in} ${dir}/cert.pem
    COMMENT "Signing ${out}"
    VERBATIM)
endfunction()

# kiv_add_launcher_variant(NAME target OUTPUT_DIR dir CONFIG_INI file [SIGNED]
#                          [COMMON_EXCLUDE file...]
#                          [COMMON_EXTRA "dest|src|copy"... COMMON_DEPENDS target...])
# Builds a KIV.exe into OUTPUT_DIR with its own main package made from
# CONFIG_INI. The common package is the shared one unless COMMON_EXCLUDE or
# COMMON_EXTRA ask for a copy without some files or with others. SIGNED signs
# both package programs and then KIV.exe itself. The target named KIV is the
# shipped program.
function(kiv_add_launcher_variant)
  cmake_parse_arguments(V "SIGNED" "NAME;OUTPUT_DIR;CONFIG_INI"
                        "COMMON_EXCLUDE;COMMON_EXTRA;COMMON_DEPENDS;ENGLISH_LICENCE_AS" ${ARGN})
  if(V_NAME STREQUAL "KIV")
    set(package_exe ${KIV_PACKAGE_STAGE}/package.exe)
    set(package_target kiv_main_package)
  else()
    set(package_exe ${CMAKE_BINARY_DIR}/package-stage-${V_NAME}/package.exe)
    set(package_target ${V_NAME}_main_package)
    kiv_make_main_package(TARGET ${package_target} OUTPUT ${package_exe}
                          STAGE ${CMAKE_BINARY_DIR}/package-stage-${V_NAME}/package
                          CONFIG_INI ${V_CONFIG_INI} ENGLISH_LICENCE_AS ${V_ENGLISH_LICENCE_AS})
  endif()
  if(V_COMMON_EXCLUDE OR V_COMMON_EXTRA)
    set(common_exe ${CMAKE_BINARY_DIR}/package-stage-${V_NAME}/common.exe)
    set(common_target ${V_NAME}_common_package)
    kiv_make_common_package(TARGET ${common_target} OUTPUT ${common_exe}
                            STAGE ${CMAKE_BINARY_DIR}/package-stage-${V_NAME}/common
                            EXCLUDE ${V_COMMON_EXCLUDE} EXTRA ${V_COMMON_EXTRA}
                            EXTRA_DEPENDS ${V_COMMON_DEPENDS})
  else()
    set(common_exe ${KIV_PACKAGE_STAGE}/common.exe)
    set(common_target kiv_common_package)
  endif()

  if(V_SIGNED)
    set(sign_dir ${CMAKE_BINARY_DIR}/package-stage-${V_NAME}/signed)
    kiv_signing_key(${sign_dir})
    kiv_signed_copy(${sign_dir} ${package_exe} ${sign_dir}/package.exe)
    kiv_signed_copy(${sign_dir} ${common_exe} ${sign_dir}/common.exe)
    add_custom_target(${V_NAME}_signed_packages
                      DEPENDS ${sign_dir}/package.exe ${sign_dir}/common.exe)
    add_dependencies(${V_NAME}_signed_packages ${package_target} ${common_target})
    set(package_exe ${sign_dir}/package.exe)
    set(common_exe ${sign_dir}/common.exe)
    set(package_target ${V_NAME}_signed_packages)
  endif()

  set(KIV_PACKAGE_EXE ${package_exe})
  set(KIV_COMMON_EXE ${common_exe})
  set(rc ${CMAKE_BINARY_DIR}/launcher/${V_NAME}/KIV.rc)
  configure_file(${KIV_LAUNCHER_DIR}/KIV.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${package_exe};${common_exe};${KIV_LAUNCHER_DIR}/KIV.manifest")

  add_executable(${V_NAME} ${KIV_LAUNCHER_DIR}/KivMain.cpp ${rc})
  target_link_libraries(${V_NAME} PRIVATE launcher_os)
  add_dependencies(${V_NAME} ${package_target} ${common_target})
  set_target_properties(${V_NAME} PROPERTIES OUTPUT_NAME KIV
                        RUNTIME_OUTPUT_DIRECTORY ${V_OUTPUT_DIR})
  kiv_wide_entry(${V_NAME})
  if(V_SIGNED)
    add_custom_command(TARGET ${V_NAME} POST_BUILD
      COMMAND ${KIV_OSSLSIGNCODE} sign -certs ${sign_dir}/cert.pem -key ${sign_dir}/key.pem
              -n KIV -in $<TARGET_FILE:${V_NAME}> -out $<TARGET_FILE:${V_NAME}>.signed
      COMMAND ${CMAKE_COMMAND} -E rename $<TARGET_FILE:${V_NAME}>.signed $<TARGET_FILE:${V_NAME}>
      VERBATIM)
  endif()
endfunction()
