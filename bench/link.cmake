add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/link_bench.cpp)
target_link_libraries(bench_link PRIVATE qelt_link qelt_warnings)
set_target_properties(bench_link PROPERTIES AUTOMOC OFF)
