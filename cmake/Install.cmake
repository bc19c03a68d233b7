# `cmake --install` and `make package`: the program in bin/, the converter
# in libexec/quorvane/, the data in share/quorvane/, the menu entry, the
# AppStream metainfo, the icon and the man pages. The program tells this
# layout from the portable one by where its data lies (common/Paths).
include(GNUInstallDirs)

set(QV_APP_ID io.github.quorvane.Quorvane)
set(QV_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/quorvane)
set(QV_CONVERTER_INSTALL_DIR ${CMAKE_INSTALL_LIBEXECDIR}/quorvane)
set(QV_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QV_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

# Each executable finds the data relative to its own folder.
file(RELATIVE_PATH data_from_bin /${CMAKE_INSTALL_BINDIR} /${QV_DATA_INSTALL_DIR})
file(RELATIVE_PATH converter_from_bin /${CMAKE_INSTALL_BINDIR}
     /${QV_CONVERTER_INSTALL_DIR})
file(RELATIVE_PATH data_from_converter /${QV_CONVERTER_INSTALL_DIR}
     /${QV_DATA_INSTALL_DIR})
target_compile_definitions(qv_app PRIVATE
  QV_INSTALLED_DATA_DIR="${data_from_bin}"
  QV_INSTALLED_CONVERTER_DIR="${converter_from_bin}")
target_compile_definitions(AVIConvert PRIVATE
  QV_CONVERTER_DATA_DIR="${data_from_converter}")

# Icon sizes rendered from the SVG, and man pages compressed as Debian
# wants them.
set(packaging_outputs)
foreach(size 48 128 256)
  set(png ${QV_PACKAGING_OUT}/icons/${size}/${QV_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_PACKAGING_OUT}/icons/${size}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:iconpng> ${QV_PACKAGING_DIR}/quorvane.svg ${size} ${png}
    DEPENDS iconpng ${QV_PACKAGING_DIR}/quorvane.svg
    COMMENT "Rendering the ${size} px icon" VERBATIM)
  list(APPEND packaging_outputs ${png})
  install(FILES ${png}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
foreach(page quorvane quorvane-phone-sim)
  set(gz ${QV_PACKAGING_OUT}/${page}.1.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9n -c ${QV_PACKAGING_DIR}/${page}.1 > ${gz}
    DEPENDS ${QV_PACKAGING_DIR}/${page}.1 VERBATIM)
  list(APPEND packaging_outputs ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(changelog ${QV_PACKAGING_OUT}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9n -c ${QV_PACKAGING_DIR}/changelog > ${changelog}
  DEPENDS ${QV_PACKAGING_DIR}/changelog VERBATIM)
list(APPEND packaging_outputs ${changelog})
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})

install(TARGETS quorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS AVIConvert RUNTIME DESTINATION ${QV_CONVERTER_INSTALL_DIR})
# The phone simulator under a name of its own in bin/.
add_executable(quorvane-phone-sim ${CMAKE_SOURCE_DIR}/tools/phone-sim/main.cpp)
target_link_libraries(quorvane-phone-sim PRIVATE phone_sim_core)
set_target_properties(quorvane-phone-sim PROPERTIES AUTOMOC OFF AUTORCC OFF)
install(TARGETS quorvane-phone-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${QV_DATA_INSTALL_DIR})
install(FILES ${QV_PROGRAM_DIR}/Manual.pdf DESTINATION ${QV_DATA_INSTALL_DIR})
install(FILES ${QV_PACKAGING_DIR}/${QV_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QV_PACKAGING_DIR}/${QV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QV_PACKAGING_DIR}/quorvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QV_APP_ID}.svg)
install(FILES ${QV_PACKAGING_DIR}/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

# The Debian package; its dependencies come from dpkg-shlibdeps. `make
# package` builds first; cpack itself installs what is built, without
# building every test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_CONTACT
    "Quorvane maintainers <maintainers@users.noreply.c-seed-4f489e5d.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for a mobile phone")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane shows the screen of a mobile phone on the PC beside a clickable
keypad and sends key presses and texts to it. A small agent on the phone
connects over TCP or a serial port. Screenshots and recordings of the
screen are saved as pictures and AVI videos.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
