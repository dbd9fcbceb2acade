# The release archive a Windows user downloads, from the i686 tree:
#   cmake --build build/win32 --target package
# gives build/win32/MorvikWavRecorder-<version>-win32.zip, holding one folder of that name with
# the exe and README.txt, and its SHA-256 beside it (.zip.sha256). The same commit gives the same
# bytes in any folder, at any time: anyone can rebuild a release and compare its SHA-256.

# The date every entry carries, in place of the build's file times; moves with the version in
# project().
set(MORVIK_RELEASE_DATE 2026-12-10)

# The read-me in Windows line endings, so every Notepad shows its lines.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
  ${PROJECT_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
# For `cmake --install`: the program and its read-me.
install(TARGETS MorvikWavRecorder RUNTIME DESTINATION . COMPONENT program)
install(FILES ${PROJECT_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT program)

# A tree configured when CPack made the archive still has its CPackConfig.cmake, and while that
# file is there CMake reserves the target name `package`.
file(REMOVE ${PROJECT_BINARY_DIR}/CPackConfig.cmake ${PROJECT_BINARY_DIR}/CPackSourceConfig.cmake)
# Python's zipfile, not CPack or `cmake -E tar` (CMake 3.25): their zips carry the packager's user
# and group ids and DOS times in the packager's time zone, and CPack lists the files in the order
# the file system returns them.
find_package(Python3 3.7 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(release ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
  set(zip ${PROJECT_BINARY_DIR}/${release}.zip)
  set(readme ${PROJECT_BINARY_DIR}/packaging/README.txt)
  add_custom_command(OUTPUT ${zip} ${zip}.sha256
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/release_zip.py ${zip} ${release}
      ${MORVIK_RELEASE_DATE} $<TARGET_FILE:MorvikWavRecorder> ${readme}
    DEPENDS MorvikWavRecorder ${CMAKE_CURRENT_LIST_DIR}/release_zip.py ${readme}
    COMMENT "Release archive ${release}.zip" VERBATIM)
  add_custom_target(package DEPENDS ${zip})
else()
  message(STATUS "No Python 3 found: no package target, which writes the release archive with it")
endif()
