# Windows-only benchmarks: bench/bench_<name>_win32.cpp becomes
# bin/bench_<name>.exe (run it under Wine).
file(GLOB ZLV_WIN32_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bench_*_win32.cpp)
list(FILTER ZLV_WIN32_BENCH_SOURCES EXCLUDE REGEX "bench_startup_win32\\.cpp$")
foreach(src IN LISTS ZLV_WIN32_BENCH_SOURCES)
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "_win32$" "" name ${name})
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE zlv_win32)
  zlv_warnings(${name})
endforeach()

# The start-up benchmark is the program itself (its resources, the virtual
# mouse) with timing around it.
zlv_gmouse_exe(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup_win32.cpp)
target_link_libraries(bench_startup PRIVATE zlv_sim gdiplus)
