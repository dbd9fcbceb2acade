# The release archive a Windows user downloads, from the i686 tree:
#   cmake --build build/win32 --target package
# gives build/win32/MorvikWavRecorder-<version>-win32.zip, holding one folder of that name with
# the exe and README.txt, and its SHA-256 beside it (.zip.sha256).

# The read-me in Windows line endings, so every Notepad shows its lines.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
  ${PROJECT_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS MorvikWavRecorder RUNTIME DESTINATION . COMPONENT program)
install(FILES ${PROJECT_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT program)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The program's component only: whatever else the tree would install (GoogleTest, when the Wine
# test drivers are built here) stays out of the archive.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};program;/")
include(CPack)
