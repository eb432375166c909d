# The ZIP reader of the package programs: no OS calls, built the same way by
# the Windows build and natively (native/). zlib is linked statically.
find_library(KIV_ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(KIV_ZLIB_INCLUDE zlib.h REQUIRED)

add_library(kivzip_logic STATIC ${CMAKE_CURRENT_LIST_DIR}/ZipArchive.cpp)
target_include_directories(kivzip_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${KIV_ZLIB_INCLUDE})
target_link_libraries(kivzip_logic PUBLIC ${KIV_ZLIB_STATIC})

kiv_logic_tests(sfx_zip_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ZipArchiveTest.cpp
  LIBS kivzip_logic)

kiv_fuzz_target(zip_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/ZipFuzz.cpp
  LIBS kivzip_logic
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/zip)
