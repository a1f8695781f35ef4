# What `cmake --install` puts where, and the Debian package made of it with
# `cpack -G DEB`. Configure with -DCMAKE_INSTALL_PREFIX=/usr for a package.
include(CMakePackageConfigHelpers)

set(PX_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pxcompiler)
set(PX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/plexa)

# The library with its SONAME link and the link for -lpxcompiler, its header,
# and the two ways other programs find it: pkg-config and find_package.
set_target_properties(pxcompiler PROPERTIES PUBLIC_HEADER ${CMAKE_SOURCE_DIR}/include/pxcompiler.h)
install(TARGETS pxcompiler EXPORT pxcompilerTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT pxcompilerTargets NAMESPACE pxcompiler:: DESTINATION ${PX_CMAKE_PACKAGE_DIR})
configure_package_config_file(${PX_PACKAGING_DIR}/pxcompilerConfig.cmake.in
  ${CMAKE_BINARY_DIR}/pxcompilerConfig.cmake INSTALL_DESTINATION ${PX_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/pxcompilerConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/pxcompilerConfig.cmake ${CMAKE_BINARY_DIR}/pxcompilerConfigVersion.cmake
  DESTINATION ${PX_CMAKE_PACKAGE_DIR})
configure_file(${PX_PACKAGING_DIR}/pxcompiler.pc.in ${CMAKE_BINARY_DIR}/pxcompiler.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pxcompiler.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS pxc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Where bash-completion looks for a command's completion when it is first typed.
install(FILES ${CMAKE_SOURCE_DIR}/cli/pxc.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME pxc)

# Man pages go in compressed, as Debian keeps them.
find_program(PX_GZIP gzip REQUIRED)
set(px_man_pages man1/pxc.1 man1/PXBuilder.1 man5/plexa.5)
set(px_man_outputs)
foreach(page IN LISTS px_man_pages)
  get_filename_component(name ${page} NAME)
  get_filename_component(section ${page} DIRECTORY)
  set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/${section}
    COMMAND ${PX_GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/man/${name} > ${output}
    DEPENDS ${CMAKE_SOURCE_DIR}/man/${name}
    COMMENT "Compressing the man page ${name}")
  list(APPEND px_man_outputs ${output})
  install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/${section})
endforeach()

# The package's own changelog, compressed the same way.
configure_file(${PX_PACKAGING_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${PX_GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  COMMENT "Compressing the package changelog")
add_custom_target(px_install_pages ALL DEPENDS ${px_man_outputs} ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PX_PACKAGING_DIR}/copyright DESTINATION ${PX_DOC_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${PX_DOC_DIR}/examples)

# Vim's files and the VS Code extension: see editors/.
include(${CMAKE_SOURCE_DIR}/editors/editors.cmake)

if(TARGET PXBuilder)
  install(FILES ${PX_PACKAGING_DIR}/PXBuilder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PX_PACKAGING_DIR}/PXBuilder.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The Debian package "plexa": everything above in one package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plexa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Plexa toolchain developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compiler, linker and project builder for the Plexa control language")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Plexa is a step-oriented control language for motion and automation
controllers. This package holds its toolchain: pxc, the command-line
compiler and linker; PXBuilder, the desktop project builder and makefile
editor; and libpxcompiler, the shared library behind both, with its C
header and pkg-config and CMake package files for use from other programs.
Man pages cover the tools and the file formats; example projects are
included. Vim's syntax, file-type and compiler files and a VS Code
extension bring the language to the editors.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Plexa toolchain developers <plexa-dev@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The builder needs a display platform plugin that no library links to.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# pxc graph and the builder's graph window load Graphviz's libgvc when they
# first draw an SVG; no program links it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgvc6")
# A program of this package that links the library finds it here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# A shlibs file for programs built against the library, and the ldconfig
# trigger that makes the loader see it. (CPack also writes postinst and
# postrm scripts that call ldconfig for a library under /usr/lib; it has no
# switch to leave them out.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PX_PACKAGING_DIR}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)

# The man pages format without a troff warning and the desktop entry passes
# the desktop's own validator, wherever those tools are installed.
if(PX_BUILD_TESTS)
  find_program(PX_MAN man)
  if(PX_MAN)
    list(TRANSFORM px_man_pages REPLACE "^man[0-9]/" "${CMAKE_SOURCE_DIR}/man/" OUTPUT_VARIABLE px_man_sources)
    add_test(NAME man_pages COMMAND ${CMAKE_COMMAND} -DMAN=${PX_MAN} "-DPAGES=${px_man_sources}"
                                    -P ${CMAKE_SOURCE_DIR}/man/check_pages.cmake)
  endif()
  find_program(PX_DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(PX_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry COMMAND ${PX_DESKTOP_FILE_VALIDATE} ${PX_PACKAGING_DIR}/PXBuilder.desktop)
  endif()
endif()
