# Writing the record table's CSV file and printing its pages, full instrument memory.
add_executable(bench_tableio ${CMAKE_CURRENT_LIST_DIR}/tableio_bench.cpp)
target_link_libraries(bench_tableio PRIVATE qelt_tableio Qt6::Widgets qelt_warnings)
