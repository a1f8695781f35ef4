# The editor files in the package: Vim's file-type detection, syntax,
# file-type plugins and compiler plugin in Vim's vendor folder, and the VS
# Code extension as a .vsix in the package's share folder. The extension is
# built with npm only when PX_BUILD_VSIX is on (scripts/package-test.sh
# turns it on), so a plain build needs neither npm nor the npm registry.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/editors/vim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles
  PATTERN test EXCLUDE)

option(PX_BUILD_VSIX "Build the VS Code extension with npm and install it" OFF)
if(PX_BUILD_VSIX)
  find_program(PX_NPM npm)
  if(NOT PX_NPM)
    message(FATAL_ERROR "PX_BUILD_VSIX needs npm: scripts/install-deps.sh installs it")
  endif()
  file(GLOB_RECURSE px_vscode_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/editors/vscode/*)
  list(FILTER px_vscode_sources EXCLUDE REGEX "/(node_modules|test)/|\\.vsix$")
  set(px_vsix ${CMAKE_BINARY_DIR}/editors/plexa.vsix)
  add_custom_command(OUTPUT ${px_vsix}
    COMMAND bash ${CMAKE_SOURCE_DIR}/editors/vscode/build-vsix.sh ${px_vsix}
    DEPENDS ${px_vscode_sources}
    COMMENT "Packaging the VS Code extension")
  add_custom_target(px_vsix ALL DEPENDS ${px_vsix})
  install(FILES ${px_vsix} DESTINATION ${CMAKE_INSTALL_DATADIR}/plexa/editors)
endif()

# Vim colours the examples, detects the files, and reads pxc's messages.
if(PX_BUILD_TESTS)
  add_test(NAME vim_editor_files COMMAND bash ${CMAKE_SOURCE_DIR}/editors/vim/test/syntax_test.sh $<TARGET_FILE:pxc>)
  set_tests_properties(vim_editor_files PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
