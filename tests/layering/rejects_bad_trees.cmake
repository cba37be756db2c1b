# The layering check must reject each broken tree, naming the offending include and only it.
#
#   cmake -DCHECK=<CheckLayering.cmake> -DTREES=<folder of broken trees> -P rejects_bad_trees.cmake

cmake_minimum_required(VERSION 3.25)

function(expect_rejected tree expected)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${TREES}/${tree} -P "${CHECK}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(text "${out}${err}")
  if(result EQUAL 0)
    message(FATAL_ERROR "${tree}: the layering check passed a broken tree:\n${text}")
  endif()
  if(NOT text MATCHES "${expected}")
    message(FATAL_ERROR "${tree}: expected \"${expected}\" in:\n${text}")
  endif()
  if(NOT text MATCHES "[^0-9]1 include\\(s\\) break the layering")
    message(FATAL_ERROR "${tree}: a sound include was counted as broken:\n${text}")
  endif()
endfunction()

expect_rejected(core_reaches_up "can/reaches_up.h includes app/startup.h: can/ may not depend on app/")
expect_rejected(core_reaches_a_floor_up
                "device/reaches_up.h includes firmware/upgrade.h: device/ may not depend on firmware/")
expect_rejected(folder_on_no_floor "gadgets/ stands on no floor")
expect_rejected(base_reaches_out "base/reaches_out.h includes files/paths.h: base/ may not depend on files/")
