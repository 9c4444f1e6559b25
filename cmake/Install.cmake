# Installs the headers, the libraries and modules, the CMake package and tessaly.pc.
include(CMakePackageConfigHelpers)

# Components install with the library; Brennick is also linkable (Tessaly::Companion).
get_property(TESSALY_COMPONENTS GLOBAL PROPERTY TESSALY_COMPONENTS)
set_target_properties(Brennick PROPERTIES EXPORT_NAME Companion)
set(TESSALY_INSTALL_TARGETS Tessaly TessalyPlatform TessalyMailDb ${TESSALY_COMPONENTS})
install(TARGETS ${TESSALY_INSTALL_TARGETS} EXPORT TessalyTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tessaly DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT TessalyTargets NAMESPACE Tessaly:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TessalyConfig.cmake.in
    ${CMAKE_BINARY_DIR}/TessalyConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TessalyConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TessalyConfig.cmake ${CMAKE_BINARY_DIR}/TessalyConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly)
# The mail database's dependencies (MySQL++, the embedded server), found again by consumers.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/MailDatabase.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly RENAME TessalyMailDatabase.cmake)

configure_file(${PROJECT_SOURCE_DIR}/cmake/tessaly.pc.in ${CMAKE_BINARY_DIR}/tessaly.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tessaly.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Modules loaded at run time: language modules and components.
install(TARGETS ${TESSALY_LANGUAGE_MODULES} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS tessaly RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
