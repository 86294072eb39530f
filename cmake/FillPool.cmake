# Usage: cmake -DPOOL_TOOL=... -DPOOL=... -DVALUES=... -P FillPool.cmake
# A build tree gets an entropy pool of its own, from the system's random source, the first time
# only: a pool already there, even an empty one, is the one being played from.
if(EXISTS "${POOL}" OR IS_SYMLINK "${POOL}")
  return()
endif()
execute_process(COMMAND "${POOL_TOOL}" fill ${VALUES} --pool "${POOL}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Could not fill ${POOL}")
endif()
