# The record table's CSV file and its printed pages: plain functions the main window calls.
add_library(qelt_tableio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/csv_file.h ${CMAKE_CURRENT_LIST_DIR}/csv_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_print.h ${CMAKE_CURRENT_LIST_DIR}/table_print.cpp
)
target_include_directories(qelt_tableio PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qelt_tableio PUBLIC Qt6::Gui Qt6::PrintSupport qelt_link PRIVATE qelt_warnings)
