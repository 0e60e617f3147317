# liborlix for applications, and everything `cmake --install` and cpack put in
# place: the library, its public headers, the tool, the virtual recorder,
# the CMake package (orlix::orlix), orlix.pc, the manual page and the bash
# completion. The tests keep linking the folder libraries.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# One library made of the folder libraries' objects, so nothing is compiled
# twice. Shared unless -DBUILD_SHARED_LIBS=OFF asks for the static one.
if(NOT DEFINED BUILD_SHARED_LIBS OR BUILD_SHARED_LIBS)
  set(ORLIX_LIBRARY_TYPE SHARED)
else()
  set(ORLIX_LIBRARY_TYPE STATIC)
endif()
set(ORLIX_FOLDER_LIBRARIES
    orlix_platform orlix_framework orlix_messages orlix_streams orlix_transport orlix_device orlix_iso
    orlix_burner)
set(objects)
foreach(lib ${ORLIX_FOLDER_LIBRARIES})
  list(APPEND objects $<TARGET_OBJECTS:${lib}>)
endforeach()
add_library(orlix_lib ${ORLIX_LIBRARY_TYPE} ${objects})
# The major and minor version: class layouts may change between minor
# releases, so each one is a new ABI.
set_target_properties(orlix_lib PROPERTIES
  OUTPUT_NAME orlix EXPORT_NAME orlix LINKER_LANGUAGE CXX
  VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
  SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_compile_features(orlix_lib INTERFACE cxx_std_20)
target_include_directories(orlix_lib INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/orlix>)
find_package(Threads REQUIRED)
target_link_libraries(orlix_lib PRIVATE Threads::Threads ${CMAKE_DL_LIBS} ${XXHASH_LIBRARY})
if(ORLIX_LIBRARY_TYPE STREQUAL "SHARED")
  # An undefined symbol is a build error here, not an application's; and
  # the standard library's template instances are not our interface.
  target_link_options(orlix_lib PRIVATE -Wl,--no-undefined
                      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/liborlix.map)
  set_property(TARGET orlix_lib APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/liborlix.map)
endif()

# The tool carries the library code (it uses internals liborlix hides) and
# finds the recorder in the library folder next to its own.
file(RELATIVE_PATH recorder_from_bindir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/orlix)
target_compile_definitions(orlix_transport PRIVATE ORLIX_RECORDER_FROM_BINDIR="${recorder_from_bindir}/")

# What an application includes: the burner, the device, the tree types,
# messages, streams and the framework and platform types their declarations
# use. Installed under include/orlix/ with the source tree's folders.
set(ORLIX_PUBLIC_HEADERS
    burner/burner.h
    device/capabilities.h device/disc.h device/scsi_device.h
    framework/component.h framework/critical_section.h framework/date_time.h framework/exceptions.h
    framework/export.h framework/memo.h framework/memory_stream.h framework/sleep.h
    framework/string_list.h framework/thread.h
    iso/image_builder.h iso/tree.h
    messages/catalogue.def messages/messages.h
    platform/file_modes.h platform/search_rec.h
    streams/stream_ex.h
    transport/recorder_path.h transport/srb.h
    vrecorder/vrecorder_api.h)
foreach(header ${ORLIX_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orlix/${folder})
endforeach()

install(TARGETS orlix_lib EXPORT orlixTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS orlix_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS orlix_vrecorder
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/orlix
  RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/orlix)

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/orlix)
install(EXPORT orlixTargets NAMESPACE orlix:: DESTINATION ${config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/orlixConfig.cmake.in
  ${CMAKE_BINARY_DIR}/orlixConfig.cmake INSTALL_DESTINATION ${config_dir})
# Minor releases break the ABI (see SOVERSION), so only the same minor
# version satisfies a request.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/orlixConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/orlixConfig.cmake ${CMAKE_BINARY_DIR}/orlixConfigVersion.cmake
  DESTINATION ${config_dir})

# orlix.pc names the prefix the files were installed to, which --prefix and
# cpack choose only at install time.
set(ORLIX_PC_PREFIX "@ORLIX_PC_PREFIX@")  # filled in at install time
configure_file(${PROJECT_SOURCE_DIR}/cmake/orlix.pc.in ${CMAKE_BINARY_DIR}/orlix.pc.in @ONLY)
install(CODE "
  set(ORLIX_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${CMAKE_BINARY_DIR}/orlix.pc.in\" \"${CMAKE_BINARY_DIR}/pc/orlix.pc\" @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\" TYPE FILE
       FILES \"${CMAKE_BINARY_DIR}/pc/orlix.pc\")")

# Debian installs manual pages compressed.
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/orlix.1.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/man/orlix.1 > ${CMAKE_BINARY_DIR}/orlix.1.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/man/orlix.1 VERBATIM)
add_custom_target(orlix_man ALL DEPENDS ${CMAKE_BINARY_DIR}/orlix.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/orlix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/completion/orlix.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME orlix)

# cpack -G DEB: one package with the library, headers, tool and recorder.
set(CPACK_PACKAGE_NAME orlix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CD/DVD recording library and tool (ISO 9660 + Joliet, MMC drives)")
set(CPACK_PACKAGE_CONTACT "orlix developers <orlix@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Dependencies from the binaries' own needs, as dpkg-shlibdeps finds them
# among Debian's packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "orlix builds ISO 9660 + Joliet images and records them on CD and DVD drives\n through MMC commands; the package holds liborlix, its headers, the CMake\n and pkg-config files, the orlix tool and the virtual recorder.")
set(CPACK_GENERATOR DEB)
include(CPack)
