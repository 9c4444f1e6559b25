# Compiles resource scripts with windres and embeds the result into a source file.
find_program(TESSALY_WINDRES x86_64-w64-mingw32-windres REQUIRED)
set(TESSALY_MINGW_INCLUDE /usr/share/mingw-w64/include)

# tessaly_compile_resources(OUT_CPP MODE RC_FILE NAME): MODE is builtin or module.
function(tessaly_compile_resources out_cpp mode rc_file name)
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${name}.res)
    set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${name}_res.cpp)
    get_filename_component(rc_dir ${rc_file} DIRECTORY)
    add_custom_command(
        OUTPUT ${res}
        COMMAND ${TESSALY_WINDRES} --preprocessor=cpp
                --preprocessor-arg=-I${TESSALY_MINGW_INCLUDE}
                --preprocessor-arg=-I${PROJECT_SOURCE_DIR}/resources
                --preprocessor-arg=-I${rc_dir}
                --preprocessor-arg=-DRC_INVOKED --preprocessor-arg=-D_WIN32
                --preprocessor-arg=-D__x86_64__ -c 1252 -O res ${rc_file} -o ${res}
        DEPENDS ${rc_file} ${ARGN}
        COMMENT "Compiling resources ${name}"
        VERBATIM)
    add_custom_command(
        OUTPUT ${cpp}
        COMMAND embed-res ${mode} ${res} ${cpp}
        DEPENDS ${res} embed-res
        VERBATIM)
    set(${out_cpp} ${cpp} PARENT_SCOPE)
endfunction()
