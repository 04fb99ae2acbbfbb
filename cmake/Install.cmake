# Install rules, the CMake package MeshCore, man pages and the Debian package.
#   cmake --install build --prefix PREFIX
#   cd build && cpack -G DEB
# The Debian package's name, which lintian expects in the documentation folder.
set(CMAKE_INSTALL_DOCDIR share/doc/meshviewer)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Headers go into a folder of their own, so that Mesh.h or Util.h do not land in include/.
set(MV_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/MeshCore)
set(MV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/MeshCore)

foreach(program MeshViewer meshinfo meshrepair)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET MeshCore)
  target_include_directories(MeshCore PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  install(TARGETS MeshCore EXPORT MeshCoreTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

  # The header beside each source at the top level, and every header of the folders.
  get_target_property(mv_sources MeshCoreObjects SOURCES)
  set(mv_folders)
  foreach(source ${mv_sources})
    get_filename_component(folder ${source} DIRECTORY)
    get_filename_component(name ${source} NAME_WE)
    if(folder)
      list(APPEND mv_folders ${folder})
    elseif(EXISTS ${PROJECT_SOURCE_DIR}/${name}.h)
      install(FILES ${name}.h DESTINATION ${MV_INSTALL_INCLUDEDIR})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES mv_folders)
  foreach(folder ${mv_folders})
    install(DIRECTORY ${folder} DESTINATION ${MV_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
  endforeach()

  install(EXPORT MeshCoreTargets NAMESPACE MeshCore:: DESTINATION ${MV_INSTALL_CMAKEDIR})
  configure_package_config_file(cmake/MeshCoreConfig.cmake.in
                                ${PROJECT_BINARY_DIR}/MeshCoreConfig.cmake
                                INSTALL_DESTINATION ${MV_INSTALL_CMAKEDIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/MeshCoreConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/MeshCoreConfig.cmake
                ${PROJECT_BINARY_DIR}/MeshCoreConfigVersion.cmake
          DESTINATION ${MV_INSTALL_CMAKEDIR})
endif()

# Man pages from the programs' own --help, so the two cannot drift apart (help2man).
find_program(MV_HELP2MAN help2man)
function(mv_man_page program summary)
  if(NOT TARGET ${program})
    return()
  endif()
  if(NOT MV_HELP2MAN)
    message(STATUS "help2man not found: no man page for ${program}")
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY
            ${MV_HELP2MAN} --no-info --name=${summary} --version-string=${PROJECT_VERSION}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} VERBATIM)
  add_custom_target(${program}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
mv_man_page(meshinfo "report the counts and measures of a triangle mesh")
mv_man_page(meshrepair "repair a triangle mesh without moving a vertex and write it")
mv_man_page(MeshViewer "show triangle meshes in a window, framed, with a fly and an orbit camera")

install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# The sample meshes of keys 1 and 2, for a viewer started where there is no Objs/.
if(TARGET MeshViewer)
  install(FILES Objs/triangle.obj Objs/bunnySmall.obj
          DESTINATION ${CMAKE_INSTALL_DATADIR}/meshviewer/Objs)
endif()

# What ./run.sh builds: the programs and, when help2man is there, their man pages, so that
# cmake --install and cpack work right after it.
add_custom_target(programs)
foreach(program MeshViewer meshinfo meshrepair)
  if(TARGET ${program})
    add_dependencies(programs ${program})
  endif()
  if(TARGET ${program}_man)
    add_dependencies(programs ${program}_man)
  endif()
endforeach()

# The Debian package: programs, man pages, library, headers and CMake package. Its
# dependencies come from the programs' shared libraries (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME meshviewer)
set(CPACK_PACKAGE_CONTACT "Mesh Viewer developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "triangle-mesh viewer and analyser")
set(CPACK_PACKAGE_DESCRIPTION
    "MeshViewer shows Wavefront OBJ, STL, PLY and OFF meshes in an OpenGL window; meshinfo\
 reports their counts, defects, area, volume and genus without a display. Also the\
 library MeshCore with its headers and CMake package.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The off-screen pictures (EGL surfaceless) need Mesa's EGL driver, which no library links.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libegl-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake, libgl-dev, libglu1-mesa-dev")
set(CPACK_STRIP_FILES ON)
include(CPack)
