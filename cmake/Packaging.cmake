# What is handed to users: on Linux a Debian package of Pipalo and pipalo-tune
# (cpack -G DEB in a release build), for Windows an installer of Pipalo.exe and a zip
# of it with a read-me.
set(PIPALO_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

if(WIN32)
    # The zip and the installer are left beside the build's other outputs by every
    # Windows build. Both hold the program without the debugging sections of the
    # runtime linked in, which users do not need.
    # Made by one target of its own, which the two wait for, so that they never make it
    # both at once.
    set(shipped ${CMAKE_CURRENT_BINARY_DIR}/shipped)
    add_custom_command(OUTPUT ${shipped}/Pipalo.exe
        COMMAND ${CMAKE_COMMAND} -E make_directory ${shipped}
        COMMAND ${CMAKE_STRIP} -o ${shipped}/Pipalo.exe $<TARGET_FILE:Pipalo>
        DEPENDS Pipalo
        VERBATIM)
    add_custom_target(pipalo_shipped_program DEPENDS ${shipped}/Pipalo.exe)

    set(zip Pipalo-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR}.zip)
    set(readMe ${PIPALO_PACKAGING}/windows/README.txt)
    add_custom_command(OUTPUT ${zip}
        COMMAND ${CMAKE_COMMAND} -E copy ${readMe} ${shipped}/README.txt
        COMMAND ${CMAKE_COMMAND} -E chdir ${shipped} ${CMAKE_COMMAND} -E tar cf ../${zip} --format=zip Pipalo.exe README.txt
        DEPENDS Pipalo ${readMe}
        VERBATIM)
    add_custom_target(pipalo_windows_zip ALL DEPENDS ${zip})
    add_dependencies(pipalo_windows_zip pipalo_shipped_program)

    # The installer of the 32-bit program is the one users get; the x86-64 build's own,
    # a 64-bit installer, lets hosts without 32-bit Wine check installing too.
    find_program(PIPALO_MAKENSIS makensis REQUIRED)
    set(script ${PIPALO_PACKAGING}/windows/pipalo.nsi)
    set(icon ${PROJECT_SOURCE_DIR}/app/resources/pipalo48.ico)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(installer Pipalo-${PROJECT_VERSION}-x86_64-setup.exe)
        set(target -DAMD64)
    else()
        set(installer Pipalo-${PROJECT_VERSION}-setup.exe)
        set(target)
    endif()
    add_custom_command(OUTPUT ${installer}
        COMMAND ${PIPALO_MAKENSIS} -V2 -NOCD -DVERSION=${PROJECT_VERSION} -DPROGRAM=${shipped}/Pipalo.exe
                -DICON=${icon} -DOUTFILE=${installer} ${target} ${script}
        DEPENDS Pipalo ${script} ${icon}
        VERBATIM)
    add_custom_target(pipalo_windows_installer ALL DEPENDS ${installer})
    add_dependencies(pipalo_windows_installer pipalo_shipped_program)
    return()
endif()

if(NOT TARGET pipalo-tune)
    return()
endif()

include(GNUInstallDirs)

# The program's icon at the sizes desktops ask for: the small icon from its own icon
# file (the 48 x 48 one is installed with the desktop entry), the larger ones drawn
# beside the icons.
add_custom_command(OUTPUT pipalo16.png
    COMMAND pipalo_icon_to_png ${PROJECT_SOURCE_DIR}/app/resources/pipalo16.ico pipalo16.png
    DEPENDS pipalo_icon_to_png ${PROJECT_SOURCE_DIR}/app/resources/pipalo16.ico
    VERBATIM)
add_custom_target(pipalo_small_icon ALL DEPENDS pipalo16.png)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/pipalo16.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps RENAME pipalo.png)
foreach(size 32 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/app/resources/desktop/pipalo${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME pipalo.png)
endforeach()

# Tune files shown with Pipalo's icon, and as thumbnails of their notes drawn by pipalo-tune.
install(FILES ${PIPALO_PACKAGING}/pipalo-tune-file.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME pipalo.xml)
install(FILES ${PIPALO_PACKAGING}/pipalo-tune.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

# Manual pages and the package's documents, compressed as Debian keeps them.
find_program(PIPALO_GZIP gzip REQUIRED)
function(pipalo_install_compressed source destination name)
    add_custom_command(OUTPUT ${name}.gz
        COMMAND ${PIPALO_GZIP} -9n -c ${source} > ${name}.gz
        DEPENDS ${source})
    add_custom_target(pipalo_compressed_${name} ALL DEPENDS ${name}.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz DESTINATION ${destination})
endfunction()
pipalo_install_compressed(${PROJECT_SOURCE_DIR}/tools/pipalo-tune/pipalo-tune.1 ${CMAKE_INSTALL_MANDIR}/man1 pipalo-tune.1)
pipalo_install_compressed(${PIPALO_PACKAGING}/debian/Pipalo.1 ${CMAKE_INSTALL_MANDIR}/man1 Pipalo.1)
pipalo_install_compressed(${PIPALO_PACKAGING}/debian/changelog ${CMAKE_INSTALL_DATADIR}/doc/pipalo changelog)
install(FILES ${PIPALO_PACKAGING}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pipalo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pipalo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TarnWell Development")
set(CPACK_PACKAGE_CONTACT "TarnWell Development <pipalo@tarnwell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small tone player, and a tool for its tune files")
set(CPACK_PACKAGE_DESCRIPTION "Pipalo shows twelve note buttons, one octave from Do to Si, played with the
mouse or with held function and keypad keys. What is played can be recorded
as a tune file and played back. pipalo-tune lists and plays tune files from
the command line, exports them as WAV and MIDI, and draws them as pictures,
which file managers show as the files' thumbnails.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies computed from the binaries, by dpkg-shlibdeps: GTK 3 and X11 among them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
