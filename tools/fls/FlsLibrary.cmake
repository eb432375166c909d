# The "flash.fls" format as a Windows library, for tests that check what the
# printer simulator received. The native tools build the same files in
# CMakeLists.txt beside this one.
add_library(kivfls STATIC ${CMAKE_CURRENT_LIST_DIR}/Crc32.cpp ${CMAKE_CURRENT_LIST_DIR}/FlsHeader.cpp)
target_include_directories(kivfls PUBLIC ${CMAKE_CURRENT_LIST_DIR})
