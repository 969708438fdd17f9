# cmake -DSOURCE=<source> -DBUILD=<Linux tree> -P host_icon.cmake: the Windows icon, built in the Linux tree
# (configured first, as `make run` configures it, when it has no cache yet).
if(NOT EXISTS ${BUILD}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BUILD} -DCMAKE_BUILD_TYPE=Release
                          -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target windows_icon COMMAND_ERROR_IS_FATAL ANY)
