# The kinetics chart: chart base, WinRChart, the kinetics window and the scaling.
add_library(qelt_chart STATIC
  chart_base.h chart_base.cpp
  wchart.h wchart.cpp
  pulskin.h pulskin.cpp
  scal.h scal.cpp
)
target_include_directories(qelt_chart PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qelt_chart PUBLIC Qt6::Widgets qelt_link PRIVATE qelt_warnings)
