# Compiles a resource script with windres. On Windows the result is linked into
# the executable; elsewhere the .res file is embedded as bytes, where the Win32
# subset's resource reader finds it.
find_program(PIPALO_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)

function(pipalo_add_resources target script)
    get_filename_component(name ${script} NAME_WE)
    get_filename_component(scriptPath ${script} ABSOLUTE)
    get_filename_component(scriptDir ${scriptPath} DIRECTORY)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
    # The script's images, manifest and id header sit beside it.
    file(GLOB inputs CONFIGURE_DEPENDS ${scriptDir}/*.ico ${scriptDir}/*.bmp ${scriptDir}/*.manifest
                                          ${scriptDir}/*.h)
    if(WIN32)
        set(object ${dir}/${name}.o)
        add_custom_command(OUTPUT ${object}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${PIPALO_WINDRES} -I ${scriptDir} -O coff -i ${scriptPath} -o ${object}
            DEPENDS ${scriptPath} ${inputs}
            WORKING_DIRECTORY ${scriptDir}
            VERBATIM)
        target_sources(${target} PRIVATE ${object})
    else()
        set(res ${dir}/${name}.res)
        set(source ${dir}/${name}_res.cpp)
        add_custom_command(OUTPUT ${res} ${source}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${PIPALO_WINDRES} -I ${scriptDir} -O res -i ${scriptPath} -o ${res}
            COMMAND ${CMAKE_COMMAND} -DINPUT=${res} -DOUTPUT=${source}
                    -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceFile.cmake
            DEPENDS ${scriptPath} ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceFile.cmake ${inputs}
            WORKING_DIRECTORY ${scriptDir}
            VERBATIM)
        target_sources(${target} PRIVATE ${source})
        # The embedded bytes are handed to the subset's resource reader, one of its internals.
        set_source_files_properties(${source} PROPERTIES
            INCLUDE_DIRECTORIES $<TARGET_PROPERTY:pipalo_win32_internals,INTERFACE_INCLUDE_DIRECTORIES>
            COMPILE_DEFINITIONS $<TARGET_PROPERTY:pipalo_win32_internals,INTERFACE_COMPILE_DEFINITIONS>)
        set_property(TARGET ${target} APPEND PROPERTY PIPALO_RES_FILE ${res})
    endif()
endfunction()
