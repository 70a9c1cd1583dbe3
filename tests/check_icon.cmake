# Rebuilds the icon from its grids and fails if it differs from the committed one.
execute_process(COMMAND ${PYTHON} ${CONVERTER} ${SCRATCH} ${GRIDS} RESULT_VARIABLE converted)
if(NOT converted EQUAL 0)
  message(FATAL_ERROR "the icon converter failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${ICON} ${SCRATCH} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${ICON} is stale: run tools/icon/make_icon.py ${ICON} ${GRIDS}")
endif()
