# Compiles a resource script with windres. On Windows the result is linked into
# the executable; elsewhere the .res file is embedded as bytes, where the Win32
# subset's resource reader finds it.
if(WIN32)
    find_program(PIPALO_WINDRES NAMES ${PIPALO_MINGW_TRIPLET}-windres REQUIRED)
else()
    find_program(PIPALO_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)
endif()

# The manifests beside a script name the x86 architecture. A build for another one
# writes copies naming its own (and otherwise byte for byte the same) into the folder
# where windres runs, which windres searches before the script's folder.
function(pipalo_manifests_for_architecture manifests dir result)
    set(copies)
    foreach(manifest ${manifests})
        get_filename_component(name ${manifest} NAME)
        add_custom_command(OUTPUT ${dir}/${name}
            COMMAND ${CMAKE_COMMAND} -E copy ${manifest} ${dir}/${name}
            COMMAND sed -i "s/processorArchitecture=\"[xX]86\"/processorArchitecture=\"${PIPALO_MANIFEST_ARCHITECTURE}\"/"
                    ${dir}/${name}
            DEPENDS ${manifest}
            VERBATIM)
        list(APPEND copies ${dir}/${name})
    endforeach()
    set(${result} ${copies} PARENT_SCOPE)
endfunction()

function(pipalo_add_resources target script)
    get_filename_component(name ${script} NAME_WE)
    get_filename_component(scriptPath ${script} ABSOLUTE)
    get_filename_component(scriptDir ${scriptPath} DIRECTORY)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
    # The script's images, manifest and id header sit beside it.
    file(GLOB manifests CONFIGURE_DEPENDS ${scriptDir}/*.manifest)
    file(GLOB inputs CONFIGURE_DEPENDS ${scriptDir}/*.ico ${scriptDir}/*.bmp ${scriptDir}/*.h)
    list(APPEND inputs ${manifests})
    file(MAKE_DIRECTORY ${dir})
    if(WIN32 AND NOT PIPALO_MANIFEST_ARCHITECTURE STREQUAL "x86")
        pipalo_manifests_for_architecture("${manifests}" ${dir} copies)
        list(APPEND inputs ${copies})
    endif()
    if(WIN32)
        set(object ${dir}/${name}.o)
        add_custom_command(OUTPUT ${object}
            COMMAND ${PIPALO_WINDRES} -I ${scriptDir} -O coff -i ${scriptPath} -o ${object}
            DEPENDS ${scriptPath} ${inputs}
            WORKING_DIRECTORY ${dir}
            VERBATIM)
        target_sources(${target} PRIVATE ${object})
    else()
        set(res ${dir}/${name}.res)
        set(source ${dir}/${name}_res.cpp)
        add_custom_command(OUTPUT ${res} ${source}
            COMMAND ${PIPALO_WINDRES} -I ${scriptDir} -O res -i ${scriptPath} -o ${res}
            COMMAND ${CMAKE_COMMAND} -DINPUT=${res} -DOUTPUT=${source}
                    -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceFile.cmake
            DEPENDS ${scriptPath} ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceFile.cmake ${inputs}
            WORKING_DIRECTORY ${dir}
            VERBATIM)
        target_sources(${target} PRIVATE ${source})
        # The embedded bytes are handed to the subset's resource reader, one of its internals.
        set_source_files_properties(${source} PROPERTIES
            INCLUDE_DIRECTORIES $<TARGET_PROPERTY:pipalo_win32_internals,INTERFACE_INCLUDE_DIRECTORIES>
            COMPILE_DEFINITIONS $<TARGET_PROPERTY:pipalo_win32_internals,INTERFACE_COMPILE_DEFINITIONS>)
        set_property(TARGET ${target} APPEND PROPERTY PIPALO_RES_FILE ${res})
    endif()
endfunction()
