# install_package(NAME): installs the export set NAMETargets and the files
# find_package(NAME) reads (NAMEConfig.cmake from NAMEConfig.cmake.in beside
# the caller, and a version file), under lib/cmake/NAME.
include(CMakePackageConfigHelpers)

function(install_package name)
  set(dir ${CMAKE_INSTALL_LIBDIR}/cmake/${name})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
  install(EXPORT ${name}Targets NAMESPACE ${name}:: DESTINATION ${dir})
  configure_package_config_file(${name}Config.cmake.in ${out}Config.cmake INSTALL_DESTINATION ${dir})
  write_basic_package_version_file(${out}ConfigVersion.cmake VERSION ${PROJECT_VERSION}
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${out}Config.cmake ${out}ConfigVersion.cmake DESTINATION ${dir})
endfunction()
