# Installs the build into a fresh folder, builds a program against it with find_package, and
# runs that program in a prefix of its own.
set(work ${BUILD_DIR}/install-check)
file(REMOVE_RECURSE ${work})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${work}/usr
    RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${work}/consumer
    -G Ninja -DCMAKE_PREFIX_PATH=${work}/usr -DCMAKE_CXX_FLAGS=${CXX_FLAGS}
    -DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}
    RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "configuring the consumer failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${work}/consumer RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "building the consumer failed: ${rc}")
endif()
file(MAKE_DIRECTORY ${work}/prefix)
# The installation folder is the installed library's, where the components lie.
file(GLOB_RECURSE library ${work}/usr/libTessaly.so)
get_filename_component(libdir ${library} DIRECTORY)
string(REPLACE "/" "\\\\" libdir "Z:${libdir}")
file(WRITE ${work}/install.reg "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Varnholt\\Tessaly2001\\INSTALLDIR]\n@=\"${libdir}\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TESSALY_PREFIX=${work}/prefix
    ${work}/usr/bin/tessaly reg import ${work}/install.reg COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env TESSALY_PREFIX=${work}/prefix
    --unset=TESSALY_MODULE_PATH ${work}/consumer/consumer RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "the consumer's answers were wrong: ${rc}")
endif()
file(REMOVE_RECURSE ${work})
message(STATUS "1 passed, 0 failed")
