# cmake -DDRYDOCK=<the built program> -DOUT=<drydock.1> -P write_man_page.cmake
execute_process(COMMAND ${DRYDOCK} --man OUTPUT_FILE ${OUT}.new RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUT}.new)
  message(FATAL_ERROR "drydock --man failed: ${result}")
endif()
file(RENAME ${OUT}.new ${OUT})
